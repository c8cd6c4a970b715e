/* A shared object that loads fine but exports none of the library's entry
   points. */
int fake_library_marker(void) { return 42; }
