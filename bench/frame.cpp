// One typical frame of the game, composed with the engine's copies, against
// the same work done by SDL's own blitter and against a bare memcpy of the
// bytes the frame writes. SDL is measured twice: blitting sub-rectangles out
// of the wide RLE-encoded sheets, as the engine does (slow in SDL for a reason
// of its own: its RLE data has no row index, so reaching a sub-rectangle
// walks every run above it), and the honest way, each sprite, status piece
// and the canvas cut into a surface of its own and the stage picture into
// 32-pixel strips, all RLE-encoded before timing and checked pixel for pixel
// against our frame. After the table the ratios to the honest SDL frame are
// printed.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/median_reporter.h"
#include "bench/typical_frame.h"
#include "kestrel/buffer64.h"
#include "kestrel/colour.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/headless/headless.h"

using namespace kestrel;

namespace {

using bench::kSprites;
using bench::kStatus;
using bench::Scene;

void BM_EngineFrame(benchmark::State& state) {
  Scene scene(int(state.range(0)));
  int camera = 0;
  for (auto _ : state) {
    scene.Frame(camera);
    camera = (camera + 3) % 680;
    benchmark::DoNotOptimize(scene.screen->Pixels);
  }
}
BENCHMARK(BM_EngineFrame)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

// The same frame through SDL_BlitSurface with RLE colour keys.
void BM_SdlFrame(benchmark::State& state) {
  const int depth = int(state.range(0));
  Scene scene(depth);
  const Uint32 format = depth == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888;
  auto wrap = [&](TBuffer64& b) {
    return SDL_CreateRGBSurfaceWithFormatFrom(b.Pixels, b.Width, b.Height, depth, b.Pitch, format);
  };
  SDL_Surface* screen = wrap(*scene.screen);
  SDL_Surface* backdrop = wrap(*scene.backdrop);
  SDL_Surface* stage = SDL_ConvertSurface(wrap(*scene.stage), screen->format, 0);
  SDL_Surface* sheet = SDL_ConvertSurface(wrap(*scene.sheet), screen->format, 0);
  SDL_Surface* canvas = SDL_ConvertSurface(wrap(*scene.canvas), screen->format, 0);
  for (SDL_Surface* s : {stage, sheet, canvas}) SDL_SetColorKey(s, SDL_TRUE | SDL_RLEACCEL, scene.key);
  int camera = 0;
  for (auto _ : state) {
    std::memcpy(screen->pixels, backdrop->pixels, size_t(backdrop->pitch) * 200);
    SDL_Rect src{camera, 0, 321, 200}, dst{0, 0, 0, 0};
    SDL_BlitSurface(stage, &src, screen, &dst);
    for (int i = 0; i < kSprites / 2; ++i) {
      SDL_Rect s{(i % 10) * 30, 0, 30, 40}, d{i * 29, 40 + i * 7, 0, 0};
      SDL_BlitSurface(sheet, &s, screen, &d);
    }
    for (int i = 0; i < kSprites / 2; ++i) {
      SDL_Rect d{10 + i * 30, 120 - i * 5, 0, 0};
      SDL_BlitSurface(canvas, nullptr, screen, &d);
    }
    for (int i = 0; i < kStatus; ++i) {
      SDL_Rect s{i * 12, 40, 12, 8}, d{4 + i * 14, 4, 0, 0};
      SDL_BlitSurface(sheet, &s, screen, &d);
    }
    camera = (camera + 3) % 680;
    benchmark::DoNotOptimize(screen->pixels);
  }
  for (SDL_Surface* s : {screen, backdrop, stage, sheet, canvas}) SDL_FreeSurface(s);
}
BENCHMARK(BM_SdlFrame)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

// The honest SDL frame: every piece a surface of its own, cut before timing.
struct SdlScene {
  SdlScene(Scene& scene, int depth) : depth(depth), screenPixels(size_t(scene.screen->Pitch) * 200) {
    format = depth == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888;
    screen = SDL_CreateRGBSurfaceWithFormatFrom(screenPixels.data(), 320, 200, depth, scene.screen->Pitch, format);
    backdrop = scene.backdrop->Pixels;
    for (int x = 0; x < 1000; x += 32)
      strips.push_back(Cut(*scene.stage, x, 0, std::min(32, 1000 - x), 200, scene.key));
    for (int i = 0; i < 10; ++i) sprites.push_back(Cut(*scene.sheet, i * 30, 0, 30, 40, scene.key));
    for (int i = 0; i < kStatus; ++i) status.push_back(Cut(*scene.sheet, i * 12, 40, 12, 8, scene.key));
    canvas = Cut(*scene.canvas, 0, 0, 30, 40, scene.key);
  }
  ~SdlScene() {
    for (SDL_Surface* s : strips) SDL_FreeSurface(s);
    for (SDL_Surface* s : sprites) SDL_FreeSurface(s);
    for (SDL_Surface* s : status) SDL_FreeSurface(s);
    SDL_FreeSurface(canvas);
    SDL_FreeSurface(screen);
  }
  SDL_Surface* Cut(TBuffer64& from, int x, int y, int w, int h, uint32_t key) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, depth, format);
    for (int row = 0; row < h; ++row)
      std::memcpy(static_cast<uint8_t*>(s->pixels) + size_t(row) * s->pitch,
                  from.Rows[size_t(y + row)] + size_t(x) * from.BytesPerPixel, size_t(w) * from.BytesPerPixel);
    SDL_SetColorKey(s, SDL_TRUE, key);
    SDL_SetSurfaceRLE(s, 1);
    return s;
  }
  // The engine frame's copies, in its order.
  void Frame(int camera) {
    std::memcpy(screen->pixels, backdrop, screenPixels.size());
    // The 320 visible columns of the stage, strip by strip.
    for (int x = camera / 32 * 32; x < camera + 320; x += 32) {
      const int from = std::max(x, camera), to = std::min({x + 32, camera + 320, 1000});
      SDL_Rect src{from - x, 0, to - from, 200}, dst{from - camera, 0, 0, 0};
      SDL_BlitSurface(strips[size_t(x / 32)], &src, screen, &dst);
    }
    for (int i = 0; i < kSprites / 2; ++i) {
      SDL_Rect d{i * 29, 40 + i * 7, 0, 0};
      SDL_BlitSurface(sprites[size_t(i % 10)], nullptr, screen, &d);
    }
    for (int i = 0; i < kSprites / 2; ++i) {
      SDL_Rect d{10 + i * 30, 120 - i * 5, 0, 0};
      SDL_BlitSurface(canvas, nullptr, screen, &d);
    }
    for (int i = 0; i < kStatus; ++i) {
      SDL_Rect d{4 + i * 14, 4, 0, 0};
      SDL_BlitSurface(status[size_t(i)], nullptr, screen, &d);
    }
  }
  int depth;
  Uint32 format;
  std::vector<uint8_t> screenPixels;
  const uint8_t* backdrop;
  SDL_Surface* screen;
  std::vector<SDL_Surface*> strips, sprites, status;
  SDL_Surface* canvas;
};

void BM_SdlHonestFrame(benchmark::State& state) {
  const int depth = int(state.range(0));
  Scene scene(depth);
  SdlScene sdl(scene, depth);
  // Before timing: the RLE encoding is made by the first blits, and every
  // camera position gives our frame's pixels.
  for (int camera = 0; camera < 680; camera += 3) {
    scene.Frame(camera);
    sdl.Frame(camera);
    if (std::memcmp(sdl.screenPixels.data(), scene.screen->Pixels, sdl.screenPixels.size()) != 0) {
      state.SkipWithError(("SDL's frame differs from ours at camera " + std::to_string(camera)).c_str());
      return;
    }
  }
  int camera = 0;
  for (auto _ : state) {
    sdl.Frame(camera);
    camera = (camera + 3) % 680;
    benchmark::DoNotOptimize(sdl.screenPixels.data());
  }
}
BENCHMARK(BM_SdlHonestFrame)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

// memcpy of as many bytes as the frame writes.
void BM_MemcpyOfFrameBytes(benchmark::State& state) {
  const size_t bpp = state.range(0) == 16 ? 2 : 4;
  const size_t bytes = bpp * (320 * 200 + 320 * 200 + kSprites * 30 * 40 + kStatus * 12 * 8);
  std::vector<uint8_t> a(bytes, 1), b(bytes);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), bytes);
    benchmark::DoNotOptimize(b.data());
  }
}
BENCHMARK(BM_MemcpyOfFrameBytes)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

// Prints our frame against each SDL frame, by depth.
class RatioReporter : public bench::MedianReporter {
 public:
  void Finalize() override {
    MedianReporter::Finalize();
    for (const char* depth : {"16", "32"}) {
      const Times* ours = Find(std::string("BM_EngineFrame/") + depth);
      if (!ours) continue;
      for (const char* sdl : {"BM_SdlHonestFrame/", "BM_SdlFrame/"}) {
        const std::string name = sdl + std::string(depth);
        if (const Times* theirs = Find(name))
          std::printf("depth %s: our frame %.1f us, %s %.1f us, ratio %.3f\n", depth, ours->cpu, name.c_str(),
                      theirs->cpu, ours->cpu / theirs->cpu);
      }
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  bench::RunBenchmarks(argc, argv, reporter);
  return 0;
}
