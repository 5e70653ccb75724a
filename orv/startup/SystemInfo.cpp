// orv/startup/SystemInfo.cpp - not yet written.
