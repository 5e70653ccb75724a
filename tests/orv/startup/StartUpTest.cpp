// StartUpTest.cpp - not yet written.
