# What this build is, decided once from the preset's cache variables; the
# rest of the build reads the names set here and never decides again from
# the inputs (ORV_SANITIZE, the compiler's architecture):
#
#   the architecture  ORV_ARCH (x86_64, i386, aarch64), ORV_64BIT,
#                     ORV_TRIPLET, ORV_DEB_ARCH, the JDK (ORV_JDK, ORV_JAVA),
#                     ORV_INSTALL_JAR
#   the sanitizers    ORV_SANITIZED, ORV_SANITIZER_ADDRESS,
#                     ORV_SANITIZER_THREAD, ORV_SANITIZER_PRELOAD
#   the libraries     ORV_RUNTIMES, ORV_PACKAGED_RUNTIME,
#                     ORV_GLIBC_FLOOR_<runtime>, ORV_LIBRARY_LINK_OPTIONS,
#                     orv_runtime_names()
#   every target      orv_use_settings(): orv_abi, orv_warnings,
#                     orv_sanitizers, orv_hardening
#   the tests         ORV_FLAVOR, ORV_GOOGLETEST_SOURCE_DIR
#
# Included right after project() and include(CTest).

# --- The inputs, which the presets set ---------------------------------------
set(ORV_SANITIZE "" CACHE STRING "Sanitizers for -fsanitize=, empty for none")
option(ORV_FUZZ "Build the libFuzzer targets in fuzz/ (Clang only)" OFF)

# --- The architecture --------------------------------------------------------
# It follows the compiler: the i386 and aarch64 presets' toolchain files
# (cmake/toolchains/) make it 32-bit x86 and 64-bit ARM. For each:
#   ORV_64BIT                x86_64 and aarch64, which share the 64-bit rules
#                            (the glibc floor, the runtime's stand-ins, the
#                            tests of a 64-bit caller)
#   ORV_TRIPLET, ORV_DEB_ARCH  its names for Debian: the folder below lib/
#                            and the packages' architecture
#   ORV_JDK                  the JDK whose JVM runs the Java tests and the
#                            demo (cmake/project.env)
#   ORV_INSTALL_JAR          whether it installs and packages the jar, which
#                            does not depend on the architecture: the x86_64
#                            build does
#   ORV_GLIBC_FLOOR_private  the oldest C library its self-contained library
#                            loads on (<preset>.jni.GlibcFloor): glibc 2.17 on
#                            x86-64 and arm64 (the first glibc for arm64),
#                            through runtime/GlibcFloor.cpp and dropping
#                            unreferenced sections, which keeps the C++
#                            runtime's random device and with it arc4random
#                            (2.36) and getentropy (2.25) out of the library;
#                            2.34 on i386, the first glibc with a 64-bit
#                            time_t there
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ORV_ARCH i386)
  set(ORV_64BIT OFF)
  set(ORV_TRIPLET i386-linux-gnu)
  set(ORV_DEB_ARCH i386)
  set(orv_default_jdk "${ORV_JDK_I386}")
  set(orv_install_jar OFF)
  set(ORV_GLIBC_FLOOR_private 2.34)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
  set(ORV_ARCH aarch64)
  set(ORV_64BIT ON)
  set(ORV_TRIPLET aarch64-linux-gnu)
  set(ORV_DEB_ARCH arm64)
  set(orv_default_jdk "${ORV_JDK_AARCH64}")
  set(orv_install_jar OFF)
  set(ORV_GLIBC_FLOOR_private 2.17)
else()
  set(ORV_ARCH x86_64)
  set(ORV_64BIT ON)
  set(ORV_TRIPLET x86_64-linux-gnu)
  set(ORV_DEB_ARCH amd64)
  set(orv_default_jdk "${ORV_JDK_X86_64}")
  set(orv_install_jar ON)
  set(ORV_GLIBC_FLOOR_private 2.17)
endif()
set(ORV_JDK "${orv_default_jdk}" CACHE PATH "JDK whose JVM runs the Java tests and the demo")
set(ORV_JAVA "${ORV_JDK}/bin/java")
set(ORV_FLAVOR "${ORV_ARCH}" CACHE STRING "Name of this build, the prefix of its tests")
option(ORV_INSTALL_JAR "Install and package the jar" ${orv_install_jar})

# --- The sanitizers ----------------------------------------------------------
# ORV_SANITIZE is a -fsanitize= list ("address,undefined", "thread").
#   ORV_SANITIZED          any sanitizer: the build makes only the library on
#                          the system's C++ runtime, linked without the
#                          release library's link options, and neither the
#                          checks of the release libraries as the loader sees
#                          them nor the benchmarks.
#   ORV_SANITIZER_ADDRESS  AddressSanitizer (with LeakSanitizer).
#   ORV_SANITIZER_THREAD   ThreadSanitizer.
#   ORV_SANITIZER_PRELOAD  with AddressSanitizer, the sanitizer runtimes that
#                          a host which is not instrumented (the JVM)
#                          preloads to load the library: libasan:libubsan.
string(REPLACE "," ";" orv_sanitizer_list "${ORV_SANITIZE}")
set(ORV_SANITIZED OFF)
set(ORV_SANITIZER_ADDRESS OFF)
set(ORV_SANITIZER_THREAD OFF)
set(ORV_SANITIZER_PRELOAD "")
if(ORV_SANITIZE)
  set(ORV_SANITIZED ON)
endif()
if("address" IN_LIST orv_sanitizer_list)
  set(ORV_SANITIZER_ADDRESS ON)
  foreach(orv_runtime_file libasan.so libubsan.so)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${orv_runtime_file}
                    OUTPUT_VARIABLE orv_runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    list(APPEND ORV_SANITIZER_PRELOAD "${orv_runtime_path}")
  endforeach()
  string(REPLACE ";" ":" ORV_SANITIZER_PRELOAD "${ORV_SANITIZER_PRELOAD}")
endif()
if("thread" IN_LIST orv_sanitizer_list)
  set(ORV_SANITIZER_THREAD ON)
endif()

# --- The libraries -----------------------------------------------------------
# The libquonvop4j.so files the build makes (ORV_RUNTIMES), one for each C++
# runtime the library can meet; all from the same objects, with the same
# SONAME, exports, load order and texts:
#   private  the C++ runtime linked in and kept inside (runtime/), so that
#            the library loads on any JVM host whatever libstdc++ it has,
#            down to the C library floor of the build: the one the jar
#            carries. A C++ program that uses orv directly has a second C++
#            runtime beside it, whose books of the exceptions in flight
#            disagree with the library's.
#   system   linked with the system's shared C++ runtime (libstdc++.so.6),
#            which a C++ program shares with it: the one the packages, the
#            CMake package and the pkg-config file hand out.
# The first is the build's main library: build/<preset>/libquonvop4j.so,
# target quonvop4j, tests named <preset>.*; each other one lives in a folder
# of its name: build/<preset>/system/libquonvop4j.so, target
# quonvop4j_system, tests named <preset>.system.*. The sanitizer builds make
# only the system one: the sanitizers' runtimes work with the system's.
#
# ORV_LIBRARY_LINK_OPTIONS: how each release library is linked. Nothing of
# the archives linked in leaves it, every reference is resolved at link time,
# only the libraries it uses are needed, its relocations are read-only after
# start-up, and unreferenced sections are dropped (which keeps the glibc
# floor). Empty in the sanitizer builds, which make no release library: their
# library is linked with the linker's and the sanitizer's defaults.
if(ORV_SANITIZED)
  set(ORV_RUNTIMES system)
  set(ORV_LIBRARY_LINK_OPTIONS "")
else()
  set(ORV_RUNTIMES private system)
  set(ORV_LIBRARY_LINK_OPTIONS -Wl,--exclude-libs,ALL -Wl,-z,defs -Wl,--as-needed
      -Wl,-z,relro -Wl,-z,now -Wl,--gc-sections)
endif()
# The library the packages install, the CMake package and pkg-config name.
set(ORV_PACKAGED_RUNTIME system)
# The oldest C library each library loads on (<preset>[.<runtime>].jni.GlibcFloor):
# the self-contained one's follows the architecture (above). With the system's
# runtime: glibc 2.34 (the loader functions and pthread_once at the versions
# of the C library the library is built on), and then the system's
# libstdc++.so.6 from GCC 11 on (GLIBCXX_3.4.29 and CXXABI_1.3.13;
# exception_ptr's reference counting needs the latter).
set(ORV_GLIBC_FLOOR_system 2.34 GLIBCXX_3.4.29 CXXABI_1.3.13)

# orv_runtime_names(<runtime>): the names of the build's library for one of
# ORV_RUNTIMES, set in the caller's scope: ORV_RUNTIME_TARGET (the target),
# ORV_RUNTIME_DIR (its folder in the build tree) and ORV_RUNTIME_TESTS (the
# prefix of its tests' names).
function(orv_runtime_names runtime)
  list(GET ORV_RUNTIMES 0 main)
  if(runtime STREQUAL main)
    set(ORV_RUNTIME_TARGET quonvop4j PARENT_SCOPE)
    set(ORV_RUNTIME_DIR ${CMAKE_BINARY_DIR} PARENT_SCOPE)
    set(ORV_RUNTIME_TESTS ${ORV_FLAVOR} PARENT_SCOPE)
  else()
    set(ORV_RUNTIME_TARGET quonvop4j_${runtime} PARENT_SCOPE)
    set(ORV_RUNTIME_DIR ${CMAKE_BINARY_DIR}/${runtime} PARENT_SCOPE)
    set(ORV_RUNTIME_TESTS ${ORV_FLAVOR}.${runtime} PARENT_SCOPE)
  endif()
endfunction()

# --- What every target of the project links ----------------------------------
# INTERFACE targets, instead of settings for the whole directory tree:
#   orv_abi         64-bit time_t and file offsets on every architecture, so
#                   the 32-bit build has no 2038 and no 2 GiB limit either.
#                   std::time_t and file offsets are part of the API: code
#                   built on the library must see the same widths, so the
#                   library passes ORV_ABI_DEFINITIONS on to its users too.
#   orv_warnings    warnings as errors, for the project's own code only
#                   (linked PRIVATE; not for third-party code).
#   orv_sanitizers  -fsanitize=${ORV_SANITIZE} for compiling and linking;
#                   empty when ORV_SANITIZE is.
#   orv_hardening   checked variants of the C library's buffer functions
#                   where the size is known at compile time
#                   (_FORTIFY_SOURCE=2), in the optimised configurations of
#                   the release builds: it needs optimisation, and the
#                   sanitizers check the same accesses themselves. The
#                   checked functions the libraries call (__memcpy_chk,
#                   __snprintf_chk, __realpath_chk, __syslog_chk) are as
#                   old as glibc 2.4, below every glibc floor; the floor
#                   test names any that is not.
set(ORV_ABI_DEFINITIONS _FILE_OFFSET_BITS=64 _TIME_BITS=64)
add_library(orv_abi INTERFACE)
target_compile_definitions(orv_abi INTERFACE ${ORV_ABI_DEFINITIONS})

add_library(orv_warnings INTERFACE)
target_compile_options(orv_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
  $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor> -Wcast-align -Wformat=2 -Wundef -Werror)

add_library(orv_sanitizers INTERFACE)
add_library(orv_hardening INTERFACE)
if(ORV_SANITIZED)
  target_compile_options(orv_sanitizers INTERFACE -fsanitize=${ORV_SANITIZE}
                         -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(orv_sanitizers INTERFACE -fsanitize=${ORV_SANITIZE})
else()
  target_compile_definitions(orv_hardening INTERFACE
    $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()

# orv_use_settings(<target>...): links the four into targets of the project.
function(orv_use_settings)
  foreach(target IN LISTS ARGN)
    target_link_libraries(${target} PRIVATE orv_abi orv_warnings orv_sanitizers
                          orv_hardening)
  endforeach()
endfunction()

# --- The tests ---------------------------------------------------------------
# The GoogleTest sources, which the tests build with the project's ABI and
# sanitizers: where Debian's googletest package puts them, or the folder
# given as -DORV_GOOGLETEST_SOURCE_DIR=<folder>.
if(BUILD_TESTING)
  find_path(ORV_GOOGLETEST_SOURCE_DIR googlemock/CMakeLists.txt
    PATHS /usr/src/googletest NO_DEFAULT_PATH REQUIRED
    DOC "GoogleTest source folder (googletest and googlemock), built with the tests")
endif()
