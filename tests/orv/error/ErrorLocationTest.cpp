// ErrorLocationTest.cpp - not yet written.
