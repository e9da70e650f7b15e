// The window's icon at several sizes. SDL gives a window one picture, but
// the property a dock reads on X11 (_NET_WM_ICON) holds a list for it to
// choose from: the icon is offered at whole multiples of its own size too,
// so that a large dock never has to blur it.
#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdint>
#include <vector>

#include "kestrel/platform/sdl/sdl_display_impl.h"

// Last: Xlib defines macros (None, Bool, Status) that other headers use as names.
#if defined(KESTREL_HAVE_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace kestrel::platform {

namespace {

// 16 x 16 art becomes the sizes desktops ask for: 16, 32, 48, 64, 128, 256.
constexpr int kIconMultiples[] = {1, 2, 3, 4, 8, 16};

}  // namespace

bool OfferIconSizes(SDL_Window* window, const std::vector<uint32_t>& argb, int width, int height) {
#if defined(KESTREL_HAVE_X11)
  if (!window || width <= 0 || height <= 0 || argb.size() != size_t(width) * size_t(height)) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  // Xlib passes a 32-bit property as longs: width, height, then the pixels,
  // for each size in turn.
  std::vector<unsigned long> data;
  for (int k : kIconMultiples) {
    if (k > 1 && width * k > 256) break;
    data.push_back(static_cast<unsigned long>(width * k));
    data.push_back(static_cast<unsigned long>(height * k));
    for (int y = 0; y < height * k; ++y)
      for (int x = 0; x < width * k; ++x) data.push_back(argb[size_t(y / k) * size_t(width) + size_t(x / k)]);
  }
  ::Display* x = info.info.x11.display;
  XChangeProperty(x, info.info.x11.window, XInternAtom(x, "_NET_WM_ICON", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(data.data()), int(data.size()));
  XFlush(x);
  return true;
#else
  (void)window, (void)argb, (void)width, (void)height;
  return false;
#endif
}

}  // namespace kestrel::platform
