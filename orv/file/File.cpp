// orv/file/File.cpp - not yet written.
