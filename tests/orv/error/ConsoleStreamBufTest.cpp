// ConsoleStreamBufTest.cpp - not yet written.
