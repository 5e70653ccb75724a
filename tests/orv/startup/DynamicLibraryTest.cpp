// DynamicLibraryTest.cpp - not yet written.
