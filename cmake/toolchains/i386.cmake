# cmake/toolchains/i386.cmake - 32-bit x86 Linux (i386) with the machine's
# GCC and its multilib support (-m32), against Debian's i386 libraries
# (/usr/lib/i386-linux-gnu: Google Benchmark, the installed libquonvop4j
# package). The library's i386 preset uses it; so can a program built on the
# installed 32-bit package:
#   cmake --toolchain <this file> ...
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
foreach(orv_flags CMAKE_C_FLAGS CMAKE_CXX_FLAGS CMAKE_EXE_LINKER_FLAGS
        CMAKE_SHARED_LINKER_FLAGS CMAKE_MODULE_LINKER_FLAGS)
  set(${orv_flags}_INIT -m32)
endforeach()
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
