// orv/error/FormatMessage.cpp - not yet written.
