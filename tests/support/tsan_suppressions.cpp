// Linked into the test programs of ThreadSanitizer builds. Only races
// inside the system's libraries are suppressed here, each with its reason;
// a race in our own code is fixed, never listed.
extern "C" const char *__tsan_default_suppressions() {
  return "";
}
