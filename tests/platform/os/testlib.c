/* A tiny shared library for the loader and version tests: one exported
   function to look up, built once with a version record and once without. */
__attribute__((visibility("default"))) int orv_testlib_answer(void) { return 42; }
