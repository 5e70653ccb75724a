// LoadedLibraryTest.cpp - not yet written.
