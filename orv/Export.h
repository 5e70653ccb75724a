// orv/Export.h - marks the public API of the base library.
//
// The library is compiled with hidden visibility; everything a C++ program
// built on it may use carries ORV_API and is exported from libquonvop4j.so.
#ifndef ORV_EXPORT_H
#define ORV_EXPORT_H

#define ORV_API __attribute__((visibility("default")))

#endif
