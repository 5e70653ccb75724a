// DateTimeTest.cpp - not yet written.
