// orv/startup/DynamicLibrary.cpp - not yet written.
