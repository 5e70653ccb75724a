// orv/Export.h - marks the public API of the base library.
//
// The library is compiled with hidden visibility; everything a C++ program
// built on it may use carries ORV_API and is exported from libquonvop4j.so.
#ifndef ORV_EXPORT_H
#define ORV_EXPORT_H

#define ORV_API __attribute__((visibility("default")))

// std::time_t and file offsets cross the library's interface (file times,
// sizes and positions), and the library is built with both 64 bits wide on
// every architecture. A 32-bit program compiled with the C library's
// default widths would exchange 32-bit values with it: it is refused here.
// The C library widens off_t for _FILE_OFFSET_BITS=64 and time_t for
// _TIME_BITS=64: the definitions are checked by name, which needs no
// platform header, and time_t by its size, where a C library ignores them.
#if __SIZEOF_POINTER__ == 4 && !(defined(_FILE_OFFSET_BITS) && _FILE_OFFSET_BITS == 64 && \
                                  defined(_TIME_BITS) && _TIME_BITS == 64)
#error "libquonvop4j needs a 64-bit time_t and off_t: compile 32-bit programs with -D_FILE_OFFSET_BITS=64 -D_TIME_BITS=64"
#endif

#include <ctime>

static_assert(sizeof(std::time_t) == 8,
              "libquonvop4j needs a 64-bit time_t and off_t: compile 32-bit programs with "
              "-D_FILE_OFFSET_BITS=64 -D_TIME_BITS=64");

#endif
