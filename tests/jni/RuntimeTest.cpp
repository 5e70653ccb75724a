// RuntimeTest.cpp - not yet written.
