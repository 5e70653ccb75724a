// orv/file/FileImplStream.cpp - not yet written.
