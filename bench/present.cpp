// Presenting a finished 320 x 200 frame into the 640 x 400 window of the SDL
// backend, under SDL's dummy video driver unless SDL_VIDEODRIVER names
// another (offscreen, x11). The vertical-blank wait is left out.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "kestrel/buffer64.h"
#include "kestrel/colour.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/sdl/sdl_display.h"
#include "kestrel/platform/surface.h"

using namespace kestrel;
using namespace kestrel::platform;

namespace {

intptr_t DefaultProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return GetDisplay().DefWindowProc(window, message, wParam, lParam);
}

// The backend's own step: upload, scale, present.
void BM_ShowFrame(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  auto owned = std::make_unique<SdlDisplay>();
  SdlDisplay& display = *owned;
  InstallDisplay(std::move(owned));
  display.RegisterClass("Bench", DefaultProc);
  if (display.CreateWindowEx(0, "Bench", "bench", 0x06C80000, 0, 0, 646, 426) == 0) {
    state.SkipWithError("no window could be opened");
    ResetPlatform();
    return;
  }
  Surface picture(Surface::Kind::OffScreen, 320, 200, int(state.range(0)), false, nullptr);
  for (size_t i = 0; i < size_t(picture.Pitch()) * 200; ++i) picture.Pixels()[i] = uint8_t(i * 7);
  for (auto _ : state) display.ShowFrame(picture, Rect{0, 0, 320, 200});
  ResetPlatform();
}
BENCHMARK(BM_ShowFrame)->Arg(15)->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMicrosecond);

// The whole engine path of a windowed frame: TBuffer64::Present without the
// wait, through the primary surface, the display's event drain and the backend.
void BM_Present(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("KESTREL_DEPTH", state.range(0) == 16 ? "16" : "32", 1);
  InstallDisplay(std::make_unique<SdlDisplay>());
  ResetEngine();
  {
    TSelfExKestrel context(640, 400, "bench", 256);
    TBuffer64 screen(context, 320, 200, false);
    screen.Clear(MakeColor(30, 90, 160));
    for (auto _ : state) screen.Present(false);
  }
  ResetPlatform();
  ResetEngine();
  unsetenv("KESTREL_DEPTH");
}
BENCHMARK(BM_Present)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
