// The frame log's cost for one typical frame, at depths 16 and 32: the way it
// was (every pixel unpacked to RGB bytes through the generic routine, then
// hashed byte by byte, and the line flushed) against the log now (the pixels
// hashed where they are, four words in flight). Each writes its line to a
// file and flushes it, as the log does every frame. After the table the
// ratio of the two (in CPU time, steadier on a busy machine) is printed for
// each depth.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench/median_reporter.h"
#include "bench/typical_frame.h"
#include "kestrel/base/picture_hash.h"
#include "kestrel/platform/surface.h"

using namespace kestrel;

namespace {

// The log before: a generic unpack and a byte-at-a-time hash.
uint64_t OldFrameHash(const uint8_t* pixels, size_t pitch, int depth, int32_t width, int32_t height,
                      std::vector<uint8_t>& rgb) {
  const int bpp = BytesPerPixelOfDepth(depth);
  rgb.resize(size_t(width) * size_t(height) * 3);
  uint8_t* out = rgb.data();
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = pixels + size_t(y) * pitch;
    for (int32_t x = 0; x < width; ++x, in += bpp, out += 3) {
      uint32_t pixel = 0;
      for (int b = 0; b < bpp; ++b) pixel |= uint32_t(in[b]) << (8 * b);
      PixelToRgb(pixel, depth, out[0], out[1], out[2]);
    }
  }
  uint64_t h = 0xcbf29ce484222325ull;
  for (uint8_t byte : rgb) {
    h ^= byte;
    h *= 0x100000001b3ull;
  }
  return h;
}

struct LoggedFrame {
  explicit LoggedFrame(int depth) : scene(depth), log(std::tmpfile()) { scene.Frame(120); }
  ~LoggedFrame() { std::fclose(log); }
  void Write(uint64_t frame, uint64_t hash) {
    std::fprintf(log, "%llu %016llx\n", static_cast<unsigned long long>(frame), static_cast<unsigned long long>(hash));
    std::fflush(log);
    if (frame % 4096 == 0) std::rewind(log);
  }
  bench::Scene scene;
  FILE* log;
};

void BM_FrameLogBefore(benchmark::State& state) {
  const int depth = int(state.range(0));
  LoggedFrame f(depth);
  const TBuffer64& s = *f.scene.screen;
  std::vector<uint8_t> rgb;
  uint64_t frame = 0;
  for (auto _ : state)
    f.Write(++frame, OldFrameHash(static_cast<const uint8_t*>(s.Pixels), size_t(s.Pitch), depth, 320, 200, rgb));
}
BENCHMARK(BM_FrameLogBefore)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

void BM_FrameLog(benchmark::State& state) {
  const int depth = int(state.range(0));
  LoggedFrame f(depth);
  const TBuffer64& s = *f.scene.screen;
  uint64_t frame = 0;
  for (auto _ : state)
    f.Write(++frame, HashPicture(static_cast<const uint8_t*>(s.Pixels), size_t(s.Pitch), depth, 320, 200));
}
BENCHMARK(BM_FrameLog)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

class RatioReporter : public bench::MedianReporter {
 public:
  void Finalize() override {
    MedianReporter::Finalize();
    for (const char* depth : {"16", "32"}) {
      const Times* now = Find(std::string("BM_FrameLog/") + depth);
      const Times* before = Find(std::string("BM_FrameLogBefore/") + depth);
      if (now && before)
        std::printf("depth %s: frame log %.1f us of CPU a frame, before %.1f us, %.1f times cheaper\n", depth, now->cpu,
                    before->cpu, before->cpu / now->cpu);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  bench::RunBenchmarks(argc, argv, reporter);
  return 0;
}
