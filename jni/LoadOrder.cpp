// jni/LoadOrder.cpp - the library's process-wide objects, in load order.
//
// The dynamic loader constructs these in the order written here when the
// library is loaded and destroys them in the reverse order when it is
// unloaded. Keeping them in one translation unit makes that order certain;
// nothing else in the library defines a static object that does work.
#include "jni/ApplicationName.h"
#include "orv/error/ErrorLocation.h"
#include "orv/error/LibraryMessages.h"
#include "orv/startup/AutoInit.h"
#include "orv/startup/StartUp.h"
#include "orv/text/StringBase.h"

namespace {

// 1. Service registrars, in the order their services are created at start
//    and the reverse of the order they are destroyed at stop.
orv::AutoInit<orv::ErrorLocationInit> errorLocations;  // per-thread error locations

// Message tables: every text is registered before the module comes up.
orv::LibraryMessages libraryMessages("libquonvop4j");  // the 139 message texts

// 2. The library module: main start-up object, module "libquonvop4j", tag "QV".
orv::Module libraryModule("QV", "libquonvop4j");

// 3. Creates every registered service now; stops the module at unload.
orv::ModuleStarter moduleStarter(libraryModule);

// 4. The Java application's name, empty until Java sets it; goes first at
//    unload.
orv::StringBase<char> applicationName;

}  // namespace

const orv::StringBase<char>& ApplicationName() { return applicationName; }

orv::StringBase<char>& jni::MutableApplicationName() { return applicationName; }
