// orv/startup/Process.cpp - not yet written.
