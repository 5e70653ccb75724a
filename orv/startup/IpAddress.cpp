// orv/startup/IpAddress.cpp - not yet written.
