// FileTest.cpp - not yet written.
