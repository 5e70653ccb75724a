// FileStringTest.cpp - not yet written.
