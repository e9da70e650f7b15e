// SDL's X11 start-up leaves a dbus buffer behind; not ours to fix, and it
// would hide our own leaks in sanitizer runs under an X server.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1\n"; }
