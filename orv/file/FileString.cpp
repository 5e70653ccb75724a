// orv/file/FileString.cpp - not yet written.
