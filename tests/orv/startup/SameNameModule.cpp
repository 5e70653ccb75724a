// SameNameModule.cpp - built twice under the file name same_name.so, once in
// a folder tests make their current directory and once in a folder on the
// test program's library search path; SameNameWhere() tells which was loaded.
#ifndef SAME_NAME_WHERE
#error "SAME_NAME_WHERE names the copy being built"
#endif

extern "C" __attribute__((visibility("default"))) const char* SameNameWhere() {
  return SAME_NAME_WHERE;
}
