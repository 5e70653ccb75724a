// StringBaseTest.cpp - not yet written.
