// Built into every program of a sanitizer build (and only there): the leak
// checker's suppressions for system libraries, so that the game, the tools
// and the tests run clean on their own, with no environment variable.
//
// These leaks are not ours to fix and would hide our own: fontconfig loses a
// few bytes parsing its configuration, and SDL's X11 start-up leaves a dbus
// buffer behind.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libdbus-1\n";
}
