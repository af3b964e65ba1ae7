/* A library that exists only to carry a product version record. */
int orv_version_probe(void) { return 0; }
