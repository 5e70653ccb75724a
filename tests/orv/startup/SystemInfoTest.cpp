// SystemInfoTest.cpp - not yet written.
