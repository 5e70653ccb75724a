# cmake/toolchains/aarch64.cmake - 64-bit ARM Linux (aarch64) from an x86-64
# Debian machine: Clang with --target=aarch64-linux-gnu, Debian's arm64 cross
# C library and GCC runtime (/usr/aarch64-linux-gnu,
# /usr/lib/gcc-cross/aarch64-linux-gnu) and the cross binutils, against
# Debian's arm64 libraries (/usr/lib/aarch64-linux-gnu: Google Benchmark, the
# installed libquonvop4j package). The library's aarch64 preset uses it; so
# can a program built on the installed arm64 package:
#   cmake --toolchain <this file> ...
# Clang rather than GCC's cross compiler: the latter cannot be installed next
# to g++-multilib, which builds the i386 library.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(orv_target aarch64-linux-gnu)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
# The target as a flag (as -m32 for i386), so that every use of the compiler
# sees it, the build's own calls of it included.
foreach(orv_flags CMAKE_C_FLAGS CMAKE_CXX_FLAGS CMAKE_EXE_LINKER_FLAGS
        CMAKE_SHARED_LINKER_FLAGS CMAKE_MODULE_LINKER_FLAGS)
  set(${orv_flags}_INIT --target=${orv_target})
endforeach()
set(CMAKE_LIBRARY_ARCHITECTURE ${orv_target})
# The cross binutils, which the compiler driver also takes for linking: the
# same GNU linker as the other builds (version script, --exclude-libs,
# --gc-sections), and tools that know arm64 objects.
foreach(orv_tool AR RANLIB NM OBJCOPY OBJDUMP READELF STRIP)
  string(TOLOWER ${orv_tool} orv_tool_name)
  find_program(CMAKE_${orv_tool} ${orv_target}-${orv_tool_name} REQUIRED)
endforeach()
