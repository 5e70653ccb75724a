// jni/LoadOrder.cpp - the library's process-wide objects, in load order.
//
// The dynamic loader constructs these in the order written here when the
// library is loaded and destroys them in the reverse order when it is
// unloaded. Keeping them in one translation unit makes that order certain;
// nothing else in the library defines a static object that does work. The
// C++ runtime comes up before all of them and goes after them: linked into
// the self-contained library, because the link places its objects first;
// the system's, because the loader brings up a library's dependencies first.
#include <mutex>

#include "jni/ApplicationName.h"
#include "jni/internal/ReplaceApplicationName.h"
#include "orv/error/ConsoleStreamBuf.h"
#include "orv/error/ErrorLocation.h"
#include "orv/error/LibraryMessages.h"
#include "orv/startup/AutoInit.h"
#include "orv/startup/Module.h"
#include "orv/startup/SystemInfoImpl.h"
#include "orv/text/DateTimeInit.h"
#include "orv/text/StringBase.h"
#include "runtime/EmergencyPool.h"

namespace {

// Nothing at load; the last to go at unload, when nothing of the library
// can throw any more: frees the emergency exception pool of the C++ runtime
// linked in (the system's runtime keeps its own).
runtime::EmergencyPool emergencyPool;

// Service registrars. The module creates the services in this order at
// start and destroys them in the reverse order at stop.
orv::AutoInit<orv::ErrorLocationInit> errorLocations;  // per-thread error locations
orv::AutoInit<orv::SystemInfoImpl> systemInformation;  // the host record
orv::AutoInit<orv::DateTimeInit> dateAndTime;          // standard offset, start-up time
orv::AutoInit<orv::ConsoleStreamBuf> consoleOutput;    // the console sink

// The message tables: all 139 texts, registered before the module exists.
orv::LibraryMessages libraryMessages("libquonvop4j");

// The library module: main start-up object and module instance, module
// "libquonvop4j", short tag "QV".
orv::Module libraryModule("QV", "libquonvop4j");

// Creates every registered service now; at unload, stops the module,
// which destroys the services and frees the registry.
orv::ModuleStarter moduleStarter(libraryModule);

// The Java application's name, empty until Java sets it; the first object
// to go at unload. Java threads set it and C++ code reads it at any time,
// so every access takes its lock (constant-initialised: it does no work
// at load or unload and is usable throughout).
std::mutex applicationNameLock;
orv::StringBase<char> applicationName;

}  // namespace

orv::StringBase<char> jni::ApplicationName() {
  std::lock_guard<std::mutex> lock(applicationNameLock);
  return applicationName;
}

void jni::internal::ReplaceApplicationName(orv::StringBase<char>& name) {
  std::lock_guard<std::mutex> lock(applicationNameLock);
  applicationName.swap(name);
}
