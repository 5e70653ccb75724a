# What every target of the project links, as INTERFACE targets, instead of
# settings for the whole directory tree:
#   orv_abi         64-bit time_t and file offsets on both architectures, so
#                   the 32-bit build has no 2038 and no 2 GiB limit either.
#                   std::time_t and file offsets are part of the API: code
#                   built on the library must see the same widths, so the
#                   library passes ORV_ABI_DEFINITIONS on to its users too.
#   orv_warnings    warnings as errors, for the project's own code only
#                   (linked PRIVATE; not for third-party code).
#   orv_sanitizers  -fsanitize=${ORV_SANITIZE} for compiling and linking;
#                   empty when ORV_SANITIZE is.
set(ORV_ABI_DEFINITIONS _FILE_OFFSET_BITS=64 _TIME_BITS=64)
add_library(orv_abi INTERFACE)
target_compile_definitions(orv_abi INTERFACE ${ORV_ABI_DEFINITIONS})

add_library(orv_warnings INTERFACE)
target_compile_options(orv_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
  $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor> -Wcast-align -Wformat=2 -Wundef -Werror)

add_library(orv_sanitizers INTERFACE)
if(ORV_SANITIZE)
  target_compile_options(orv_sanitizers INTERFACE -fsanitize=${ORV_SANITIZE}
                         -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(orv_sanitizers INTERFACE -fsanitize=${ORV_SANITIZE})
endif()

# orv_use_settings(<target>...): links the three into targets of the project.
function(orv_use_settings)
  foreach(target IN LISTS ARGN)
    target_link_libraries(${target} PRIVATE orv_abi orv_warnings orv_sanitizers)
  endforeach()
endfunction()

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
if(ORV_SANITIZE)
  set(ORV_RUNTIMES system)
else()
  set(ORV_RUNTIMES private system)
endif()
# The library the packages install, the CMake package and pkg-config name.
set(ORV_PACKAGED_RUNTIME system)

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
