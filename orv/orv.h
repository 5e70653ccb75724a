// orv/orv.h - the whole public API of the base library in one include.
#ifndef ORV_ORV_H
#define ORV_ORV_H

#include "orv/Export.h"
#include "orv/error/ConsoleStreamBuf.h"
#include "orv/error/ErrorLocation.h"
#include "orv/error/Exception.h"
#include "orv/error/FormatMessage.h"
#include "orv/error/LibraryMessages.h"
#include "orv/error/MessageCatalogue.h"
#include "orv/file/File.h"
#include "orv/file/FileException.h"
#include "orv/file/FileImpl.h"
#include "orv/file/FileImplStream.h"
#include "orv/file/FileString.h"
#include "orv/file/Parsing.h"
#include "orv/startup/AutoInit.h"
#include "orv/startup/DynamicLibrary.h"
#include "orv/startup/IpAddress.h"
#include "orv/startup/Process.h"
#include "orv/startup/Module.h"
#include "orv/startup/StartUp.h"
#include "orv/startup/SystemInfo.h"
#include "orv/startup/SystemInfoImpl.h"
#include "orv/text/Base64.h"
#include "orv/text/CompactTime.h"
#include "orv/text/DateTime.h"
#include "orv/text/DateTimeInit.h"
#include "orv/text/Mutex.h"
#include "orv/text/StringBase.h"

#endif
