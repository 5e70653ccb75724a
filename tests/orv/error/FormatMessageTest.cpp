// FormatMessageTest.cpp - not yet written.
