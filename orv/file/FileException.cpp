// orv/file/FileException.cpp - not yet written.
