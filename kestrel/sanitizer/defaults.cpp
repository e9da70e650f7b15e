// Built into every program of a sanitizer build (and only there), so that the
// game, the tools and the tests run clean on their own, with no environment
// variable.
#include <dlfcn.h>

// Leaks inside system libraries are not ours to fix and would hide our own:
// fontconfig loses a few bytes parsing its configuration, SDL's X11 start-up
// leaves a dbus buffer behind, and the X11 and OpenGL libraries SDL loads
// keep allocations for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libdbus-1\n";
}

extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

// SDL unloads the X11 and OpenGL libraries when it shuts down, before the
// leak check runs; what they kept could then be named by no library at all.
// Kept loaded, it is named, and suppressed above.
extern "C" int dlclose(void*) { return 0; }
