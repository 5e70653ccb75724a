// orv/file/Parsing.cpp - not yet written.
