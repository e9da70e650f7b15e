// The frame clock's sleep in a page. A page has the browser's one thread: it
// sleeps by giving the browser the thread until the deadline (to the nearest
// millisecond), which shows the frame and brings the events; at least once a
// frame, even a late one. The build uses ASYNCIFY so that the game's blocking
// loops can.
#include <emscripten.h>

#include "kestrel/platform/sdl/sdl_display_impl.h"

namespace kestrel::platform {

namespace {

// Returns once the player has clicked or pressed a key in the page, at once
// after that: the page sets the flag at the first click or key press
// (web/index.html).
void WaitForThePlayer() {
  while (!EM_ASM_INT({ return Module.kestrelPlayerHere ? 1 : 0; })) emscripten_sleep(50);
}

}  // namespace

void SdlFrameClock::SleepUntil(int64_t deadline) {
  const int64_t left = deadline - Now();
  emscripten_sleep(left > 0 ? unsigned((left + 500'000) / 1'000'000) : 0);
}

void SdlDisplay::WaitForVerticalBlank() {
  // The page keeps the first picture, the loading screen, until the player
  // clicks or presses a key: a browser lets a page play sound only then.
  if (FramesPresented() > 0) WaitForThePlayer();
  impl_->clock.Wait(FrameRate());
}

}  // namespace kestrel::platform
