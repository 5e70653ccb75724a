// AutoInitTest.cpp - not yet written.
