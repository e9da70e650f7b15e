// Text output of a short status line ("x12"), straight into a surface through
// a device context and through the picture buffer as the game calls it. The
// "allocs" counter is heap allocations per call: glyphs come from the cache.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "kestrel/buffer64.h"
#include "kestrel/colour.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/headless/headless.h"
#include "kestrel/platform/surface.h"
#include "kestrel/platform/text.h"

namespace {
std::atomic<uint64_t> allocations{0};
}  // namespace

// The replaced pair below is malloc/free on both sides, which GCC cannot see.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using namespace kestrel;
using namespace kestrel::platform;

namespace {

void BM_DeviceContextTextOut(benchmark::State& state) {
  const int depth = int(state.range(0));
  Surface screen(Surface::Kind::OffScreen, 320, 200, depth, false, nullptr);
  FontRequest request;
  request.height = 15;
  request.weight = 700;
  request.face = "Times New Roman";
  DeviceContext dc(screen);
  dc.SelectObject(CreateFont(request));
  dc.SetTextColor(0x00FFFFFF);
  dc.SetBkMode(TRANSPARENT);
  const uint64_t before = allocations.load();
  for (auto _ : state) {
    dc.TextOut(250, 4, "x12", 3);
    benchmark::ClobberMemory();
  }
  state.counters["allocs"] =
      benchmark::Counter(double(allocations.load() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DeviceContextTextOut)->Arg(16)->Arg(32);

// The engine's TextOut: device context taken and given back on every call.
void BM_BufferTextOut(benchmark::State& state) {
  HeadlessOptions options;
  options.desktopDepth = int(state.range(0));
  InstallDisplay(std::make_unique<HeadlessDisplay>(options));
  ResetEngine();
  {
    TSelfExKestrel context(640, 400, "bench", 256);
    TBuffer64 screen(context, 320, 200, false);
    screen.SetFont("Times New Roman", 15);
    const std::string text = "x12";
    const uint32_t colour = MakeColor(255, 255, 255);
    const uint64_t before = allocations.load();
    for (auto _ : state) {
      screen.TextOut(250, 4, text, colour);
      benchmark::ClobberMemory();
    }
    state.counters["allocs"] =
        benchmark::Counter(double(allocations.load() - before), benchmark::Counter::kAvgIterations);
  }
  ResetPlatform();
  ResetEngine();
}
BENCHMARK(BM_BufferTextOut)->Arg(16)->Arg(32);

}  // namespace

BENCHMARK_MAIN();
