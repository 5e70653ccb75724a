// orv/text/DateTime.cpp - not yet written.
