// Cairo's text (the page's ruler and lines) goes through fontconfig, which keeps its configuration for
// the life of the process where the leak sanitizer cannot follow it. Only allocations with a frame in
// fontconfig are suppressed; the program's own stay checked.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}
