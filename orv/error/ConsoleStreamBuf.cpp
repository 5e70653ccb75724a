// orv/error/ConsoleStreamBuf.cpp - not yet written.
