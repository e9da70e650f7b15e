// fontconfig loses a few bytes while parsing its configuration; that is not
// ours to fix, and it would hide our own leaks in sanitizer runs.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
