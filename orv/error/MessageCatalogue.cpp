// orv/error/MessageCatalogue.cpp - not yet written.
