#include "kestrel/platform/sdl/sdl_display_lost.h"

#include <SDL.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kestrel/platform/termination.h"

namespace kestrel::platform {
namespace {

// Xlib's types, as far as the handler needs them: SDL loads the library at
// run time, and the engine does not link it.
using XIOErrorHandler = int (*)(void* display);
using SetIOErrorHandlerFn = XIOErrorHandler (*)(XIOErrorHandler);

// The line is made before it is needed: nothing is allocated on the way out.
char line[256] = "The display went away; the game cannot go on.";
pid_t owner = 0;

int DisplayGone(void*) {
  // A process SDL forked to show a message box loses the display too; it
  // ends quietly, and the game itself says why.
  if (::getpid() != owner) ::_exit(1);
  EndAbruptly(line, 1);
}

}  // namespace

void EndAtOnceWhenTheDisplayGoes() {
  static bool installed = false;
  if (installed) return;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0) return;
  // The library SDL already loaded; never a second copy.
  void* x11 = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (!x11) return;
  auto set = reinterpret_cast<SetIOErrorHandlerFn>(::dlsym(x11, "XSetIOErrorHandler"));
  if (set) {
    if (const char* name = std::getenv("DISPLAY"); name && *name && std::strlen(name) < 64)
      std::snprintf(line, sizeof line, "The display \"%s\" went away; the game cannot go on.", name);
    owner = ::getpid();
    set(DisplayGone);
    installed = true;
  }
  // The handle stays open: the handler must outlive every X connection.
}

void EndQuietlyWhenTheDisplayGoes() {
  // SDL loads the library only when the box is shown: load it first, so the
  // handler is in place for the box's own connection.
  void* x11 = ::dlopen("libX11.so.6", RTLD_NOW);
  if (!x11) return;
  if (auto set = reinterpret_cast<SetIOErrorHandlerFn>(::dlsym(x11, "XSetIOErrorHandler")))
    set([](void*) -> int { ::_exit(1); });
}

}  // namespace kestrel::platform
