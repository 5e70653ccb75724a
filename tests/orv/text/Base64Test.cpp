// Base64Test.cpp - not yet written.
