// Presenting a finished 320 x 200 frame into the 640 x 400 window of the SDL
// backend, against SDL's own renderer doing the same copy, all under SDL's
// dummy video driver unless SDL_VIDEODRIVER names another (offscreen, x11;
// bench/xvfb_window.sh runs this under a private X server). The
// vertical-blank wait is left out. After the table, the ratios of each of our
// paths to SDL's renderer copy are printed.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/median_reporter.h"
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

const char* PathName(int64_t path) { return path == 0 ? "surface" : "renderer"; }

// A picture with every bit of its pixels in use.
void FillPicture(uint8_t* pixels, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) pixels[i] = uint8_t(i * 7 + (i >> 9));
}

// The backend's own step: convert, scale, hand to the window system.
void BM_ShowFrame(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("KESTREL_PRESENT", PathName(state.range(1)), 1);
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
  FillPicture(picture.Pixels(), size_t(picture.Pitch()) * 200);
  for (auto _ : state) display.ShowFrame(picture, Rect{0, 0, 320, 200});
  ResetPlatform();
  unsetenv("KESTREL_PRESENT");
}
BENCHMARK(BM_ShowFrame)
    ->ArgsProduct({{15, 16, 24, 32}, {0, 1}})
    ->ArgNames({"depth", "renderer"})
    ->Unit(benchmark::kMicrosecond);

// The whole engine path of a windowed frame: TBuffer64::Present without the
// wait, through the primary surface, the display's event drain and the backend.
void BM_Present(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("KESTREL_DEPTH", state.range(0) == 16 ? "16" : "32", 1);
  setenv("KESTREL_PRESENT", PathName(state.range(1)), 1);
  InstallDisplay(std::make_unique<SdlDisplay>());
  ResetEngine();
  {
    TSelfExKestrel context(640, 400, "bench", 256);
    TBuffer64 screen(context, 320, 200, false);
    FillPicture(screen.Pixels, size_t(screen.Pitch) * 200);
    for (auto _ : state) screen.Present(false);
  }
  ResetPlatform();
  ResetEngine();
  unsetenv("KESTREL_DEPTH");
  unsetenv("KESTREL_PRESENT");
}
BENCHMARK(BM_Present)->ArgsProduct({{16, 32}, {0, 1}})->ArgNames({"depth", "renderer"})->Unit(benchmark::kMicrosecond);

// SDL's own way: a streaming texture in the picture's format, updated and
// copied stretched over the window by SDL's renderer, then presented.
void BM_SdlRendererCopy(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  const int depth = int(state.range(0));
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  SDL_Window* window = SDL_CreateWindow("bench", 0, 0, 640, 400, SDL_WINDOW_SHOWN);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, 0) : nullptr;
  const Uint32 format = depth == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
  SDL_Texture* texture =
      renderer ? SDL_CreateTexture(renderer, format, SDL_TEXTUREACCESS_STREAMING, 320, 200) : nullptr;
  if (!texture) {
    state.SkipWithError(SDL_GetError());
  } else {
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    const int pitch = 320 * (depth == 16 ? 2 : 4);
    std::vector<uint8_t> picture(size_t(pitch) * 200);
    FillPicture(picture.data(), picture.size());
    const SDL_Rect dest{0, 0, 640, 400};
    for (auto _ : state) {
      SDL_UpdateTexture(texture, nullptr, picture.data(), pitch);
      SDL_RenderCopy(renderer, texture, nullptr, &dest);
      SDL_RenderPresent(renderer);
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    state.SetLabel(info.name ? info.name : "");
  }
  if (texture) SDL_DestroyTexture(texture);
  if (renderer) SDL_DestroyRenderer(renderer);
  if (window) SDL_DestroyWindow(window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
BENCHMARK(BM_SdlRendererCopy)->ArgName("depth")->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

// Prints each engine present at depths 16 and 32 against SDL's renderer copy.
class RatioReporter : public bench::MedianReporter {
 public:
  void Finalize() override {
    MedianReporter::Finalize();
    for (int depth : {16, 32}) {
      const Times* sdl = Find("BM_SdlRendererCopy/depth:" + std::to_string(depth));
      if (!sdl) continue;
      for (int path : {0, 1}) {
        const Times* ours = Find("BM_Present/depth:" + std::to_string(depth) + "/renderer:" + std::to_string(path));
        if (!ours) continue;
        std::printf(
            "depth %d, %-8s present %.1f us cpu (%.1f us wall), SDL renderer copy %.1f us cpu (%.1f wall), ratio "
            "%.3f\n",
            depth, PathName(path), ours->cpu, ours->real, sdl->cpu, sdl->real, ours->cpu / sdl->cpu);
      }
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  // Video stays up for the whole run: SDL's X11 driver cannot be started and
  // stopped again and again in one process, and each benchmark is run several
  // times.
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_InitSubSystem(SDL_INIT_VIDEO);
  RatioReporter reporter;
  bench::RunBenchmarks(argc, argv, reporter);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return 0;
}
