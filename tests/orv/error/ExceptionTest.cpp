// ExceptionTest.cpp - not yet written.
