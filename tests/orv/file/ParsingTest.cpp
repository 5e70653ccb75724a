// ParsingTest.cpp - not yet written.
