# Source files of the library, listed explicitly by subsystem.

set(ORV_SOURCES
  # Start-up and platform
  orv/startup/AutoInit.cpp
  orv/startup/StartUp.cpp
  orv/startup/Module.cpp
  orv/startup/DynamicLibrary.cpp
  orv/startup/Process.cpp
  orv/startup/SystemInfoImpl.cpp
  orv/startup/SystemInfo.cpp
  orv/startup/IpAddress.cpp
  orv/startup/internal/DynamicLoader_UNIX.cpp
  # Errors and messages
  orv/error/Exception.cpp
  orv/error/internal/ExceptionReporter.cpp
  orv/error/ErrorLocation.cpp
  orv/error/MessageCatalogue.cpp
  orv/error/LibraryMessages.cpp
  orv/error/FormatMessage.cpp
  orv/error/ConsoleStreamBuf.cpp
  # Files and paths
  orv/file/FileString.cpp
  orv/file/FileException.cpp
  orv/file/File.cpp
  orv/file/FileImpl.cpp
  orv/file/FileImplStream.cpp
  orv/file/Parsing.cpp
  orv/file/internal/FileSystem_UNIX.cpp
  # Text, time and encodings
  orv/text/StringBase.cpp
  orv/text/DateTime.cpp
  orv/text/CompactTime.cpp
  orv/text/DateTimeInit.cpp
  orv/text/Base64.cpp
  orv/text/Mutex.cpp
)

set(ORV_JNI_SOURCES
  jni/LoadOrder.cpp
  jni/Runtime.cpp
)

# How each library of the build meets its C++ runtime (ORV_RUNTIMES in
# cmake/BuildSettings.cmake). The runtime linked in (private) allocates with
# the process's operator new and delete, frees its exception pool at unload
# and (64-bit) reaches only C library functions as old as glibc 2.17; linked
# ahead of the runtime. The system's runtime is the process's own: the
# library leaves its pool alone.
set(ORV_PRIVATE_RUNTIME_SOURCES runtime/ProcessAllocation.cpp runtime/EmergencyPool.cpp)
if(ORV_64BIT)
  list(APPEND ORV_PRIVATE_RUNTIME_SOURCES runtime/GlibcFloor.cpp)
endif()
set(ORV_SYSTEM_RUNTIME_SOURCES runtime/EmergencyPool.cpp)
