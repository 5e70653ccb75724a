// ExceptionTextTest.cpp - not yet written.
