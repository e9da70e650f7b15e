// SDL loads the X11 libraries itself and unloads them when video stops; the
// few bytes they keep for the life of the process then show up as leaks of an
// unknown module. Keeping them loaded lets the suppressions below name them.
#include <dlfcn.h>

#include <initializer_list>

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libxcb\nleak:libXext\nleak:libXcursor\nleak:libXi\nleak:libXrandr\n"
         "leak:libXss\nleak:libXfixes\nleak:libxkbcommon\nleak:libGLX\nleak:libGL\nleak:libEGL\n"
         "leak:libglapi\nleak:dri.so\nleak:libLLVM\nleak:libdrm\nleak:libdbus\n";
}

namespace {
const bool kPinned = [] {
  for (const char* lib : {"libX11.so.6", "libXext.so.6", "libXcursor.so.1", "libXi.so.6",
                          "libXrandr.so.2", "libXss.so.1", "libXfixes.so.3", "libxkbcommon.so.0",
                          "libGL.so.1", "libGLX.so.0", "libEGL.so.1"}) {
    dlopen(lib, RTLD_LAZY | RTLD_NODELETE);
  }
  return true;
}();
}  // namespace
