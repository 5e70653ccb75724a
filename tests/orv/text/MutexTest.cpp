// MutexTest.cpp - not yet written.
