// orv/error/LibraryMessages.cpp - not yet written.
