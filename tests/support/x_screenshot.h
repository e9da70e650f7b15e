// The pixels of an SDL window as the X server holds them, read back there,
// as 8-bit RGB. Include this header after every other: Xlib defines macros
// (None, Bool, Status) that other headers use as names.
#pragma once
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <vector>

namespace kestrel::testing {

// The pixels of X window `window` on the connection `x`.
inline bool XScreenshotOf(::Display* x, unsigned long window, std::vector<uint8_t>& rgb, int& width, int& height) {
  XSync(x, False);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(x, window, &attributes)) return false;
  width = attributes.width;
  height = attributes.height;
  XImage* image = XGetImage(x, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
  if (!image) return false;
  // Each channel by the image's own mask, widened to eight bits.
  auto channel = [](unsigned long pixel, unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) mask >>= 1, ++shift;
    return uint8_t(((pixel >> shift) & mask) * 255 / (mask ? mask : 1));
  };
  rgb.resize(size_t(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int px = 0; px < width; ++px) {
      const unsigned long p = XGetPixel(image, px, y);
      uint8_t* o = &rgb[(size_t(y) * width + px) * 3];
      o[0] = channel(p, image->red_mask);
      o[1] = channel(p, image->green_mask);
      o[2] = channel(p, image->blue_mask);
    }
  XDestroyImage(image);
  return true;
}

inline bool XScreenshot(SDL_Window* window, std::vector<uint8_t>& rgb, int& width, int& height) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  return XScreenshotOf(info.info.x11.display, info.info.x11.window, rgb, width, height);
}

}  // namespace kestrel::testing
