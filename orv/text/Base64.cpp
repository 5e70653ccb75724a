// orv/text/Base64.cpp - not yet written.
