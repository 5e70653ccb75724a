// MessageCatalogueTest.cpp - not yet written.
