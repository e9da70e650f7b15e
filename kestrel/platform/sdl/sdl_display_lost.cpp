#include "kestrel/platform/sdl/sdl_display_lost.h"

#include <SDL.h>
#include <SDL_syswm.h>
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
// XErrorEvent, as Xlib lays it out.
struct XErrorEvent {
  int type;
  void* display;
  unsigned long resourceid;
  unsigned long serial;
  unsigned char error_code;
  unsigned char request_code;
  unsigned char minor_code;
};
using XErrorHandler = int (*)(void* display, XErrorEvent* event);
using SetErrorHandlerFn = XErrorHandler (*)(XErrorHandler);
constexpr unsigned char kBadWindow = 3, kBadDrawable = 9;

// The line is made before it is needed: nothing is allocated on the way out.
char line[256] = "The display went away; the game cannot go on.";
pid_t owner = 0;

// The window the game shows, and whether an error said it is gone.
unsigned long watchedId = 0;
void* watchedDisplay = nullptr;
bool destroyed = false, destroyedTaken = false;
XErrorHandler before = nullptr;

int WindowError(void* display, XErrorEvent* event) {
  // Only the game's own process: a box SDL forked keeps the usual end.
  const bool aboutAWindow = event->error_code == kBadWindow || event->error_code == kBadDrawable;
  if (::getpid() == owner && aboutAWindow && watchedId != 0 && event->resourceid == watchedId) destroyed = true;
  // Once it is gone, whatever SDL still does with it (asks for its parent,
  // frees what it drew with) fails too until the game has closed.
  if (::getpid() == owner && destroyed) return 0;
  return before ? before(display, event) : 0;
}

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
  // After SDL's own handler, which puts the desktop's mode back and then
  // hands on to Xlib's.
  if (auto setError = reinterpret_cast<SetErrorHandlerFn>(::dlsym(x11, "XSetErrorHandler")); setError && installed)
    before = setError(WindowError);
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

void WatchTheWindow(SDL_Window* window) {
#ifndef SDL_VIDEO_DRIVER_X11
  // A page's canvas: no other program can take it away.
  (void)window;
#else
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  // Shown again after a minimise: the same window, and what befell it stays.
  if (info.info.x11.window == watchedId) return;
  watchedId = info.info.x11.window;
  watchedDisplay = info.info.x11.display;
  destroyed = destroyedTaken = false;
#endif
}

void HearOutTheDestroyedWindow() {
  if (!destroyed || !watchedDisplay || ::getpid() != owner) return;
  void* x11 = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (!x11) return;
  if (auto sync = reinterpret_cast<int (*)(void*, int)>(::dlsym(x11, "XSync"))) sync(watchedDisplay, 0);
  ::dlclose(x11);
}

bool TakeTheWindowDestroyed() {
  if (!destroyed || destroyedTaken) return false;
  destroyedTaken = true;
  return true;
}

}  // namespace kestrel::platform
