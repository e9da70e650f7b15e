// The rule every blit of the engine runs under: retried while the display is
// still drawing, dropped (after restoring the surfaces) when a surface was
// lost, never reported.
#pragma once
#include "kestrel/platform/surface.h"

namespace kestrel {

template <typename Blit, typename Restore>
void RunBlit(platform::Surface& waiter, Blit blit, Restore restore) {
  using namespace platform;
  for (;;) {
    const HResult r = blit();
    if (r == DD_OK) {
      // Wait while the blit is still running; any other answer ends the wait,
      // so a surface lost meanwhile cannot hold the program here forever.
      while (waiter.GetBltStatus(DDGBS_ISBLTDONE) == DDERR_WASSTILLDRAWING) {
      }
      return;
    }
    if (r == DDERR_SURFACELOST) {
      restore();
      return;
    }
    if (r != DDERR_WASSTILLDRAWING) return;
  }
}

}  // namespace kestrel
