// ProcessTest.cpp - not yet written.
