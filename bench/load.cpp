// Picture loading at depth 16: pictures of the sizes of the game's three large
// ones loaded from an archive through LoadKPKImage, against libpng and
// libjpeg-turbo decoding the same files to RGB in memory. The load is meant to
// stay within 1.25 x the bare decode; the summary after the run prints the
// ratios. With BENCH_DATA_KPK naming a generated data.kpk, its three large
// pictures are measured the same way.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bare_decode.h"
#include "bench/median_reporter.h"
#include "kestrel/buffer64.h"
#include "kestrel/kestrel.h"
#include "kestrel/kpk.h"
#include "kestrel/platform/display.h"
#include "kestrel/platform/headless/headless.h"
#include "tests/archive/encoders.h"

namespace {

using testpics::Picture;

// Something like game art: flat key-coloured space, smooth shading and
// small detail, so the encoders see what they would in the real files.
Picture GameLikePicture(int w, int h, unsigned seed) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      testpics::Rgba& c = p.At(x, y);
      int cell = ((x / 48) * 7 + (y / 40) * 13 + int(seed)) % 5;
      if (cell == 0) {
        c = testpics::kPalette[0];
      } else {
        c.r = uint8_t((x * 3 + y + int(seed) * 40) & 0xFF);
        c.g = uint8_t((y * 2 + cell * 50) & 0xFF);
        static uint32_t lcg = 12345;
        lcg = lcg * 1664525u + 1013904223u;
        c.b = uint8_t(((x + y) / 3) + cell * 9 + (lcg >> 28));
      }
    }
  return p;
}

struct Fixture {
  std::string path;
  std::map<std::string, std::vector<uint8_t>> files;
  std::unique_ptr<kestrel::TSelfExKestrel> context;
  std::unique_ptr<kestrel::TBuffer64> buffer;
  std::unique_ptr<kestrel::TKPK> archive;

  Fixture() {
    files["p1005x3644.png"] = testpics::EncodePngRgb(GameLikePicture(1005, 3644, 1));
    files["p969x1420.jpg"] = testpics::EncodeJpeg(GameLikePicture(969, 1420, 2), {false, false, 90});
    files["p1024x768.png"] = testpics::EncodePngRgb(GameLikePicture(1024, 768, 3));
    // Behind two small pictures, as the large ones lie in the game's archive.
    std::vector<testpics::Record> records = {
        testpics::Entry("load.jpg", testpics::EncodeJpeg(GameLikePicture(320, 200, 4), {})),
        testpics::Entry("load2.png", testpics::EncodePngRgb(GameLikePicture(200, 12, 5))),
    };
    for (const char* name : {"p1024x768.png", "p969x1420.jpg", "p1005x3644.png"})
      records.push_back(testpics::Entry(name, files[name]));
    // The game's own pictures, when a generated archive is named.
    if (const char* data = std::getenv("BENCH_DATA_KPK")) {
      kestrel::TKPK real(data);
      for (const char* name : {"sprites.png", "320200.jpg", "niveis.png"}) {
        kestrel::TMemoryStream stream;
        if (!real.LoadToStream(name, &stream)) continue;
        files[name] = stream.Bytes();
        records.push_back(testpics::Entry(name, files[name]));
      }
    }
    std::vector<uint8_t> bytes = testpics::Archive(records);
    path = "/tmp/bench_load_" + std::to_string(::getpid()) + ".kpk";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    kestrel::platform::HeadlessOptions options;
    options.desktopDepth = 16;
    kestrel::platform::InstallDisplay(std::make_unique<kestrel::platform::HeadlessDisplay>(options));
    context = std::make_unique<kestrel::TSelfExKestrel>(640, 400, "bench", 256);
    buffer = std::make_unique<kestrel::TBuffer64>(*context, 1, 1, false);
    archive = std::make_unique<kestrel::TKPK>(path);
  }
  ~Fixture() { std::remove(path.c_str()); }
};

Fixture& TheFixture() {
  static Fixture* f = new Fixture();  // lives to the end of the run
  return *f;
}

void BM_LoadKPKImage(benchmark::State& state, const char* name) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    f.buffer->LoadKPKImage(*f.archive, name, false);
    benchmark::DoNotOptimize(f.buffer->Pixels);
  }
  state.counters["pixels"] = double(f.buffer->Width) * f.buffer->Height;
}

// The archive's share alone: scan, read and inflate into a stream.
void BM_LoadToStream(benchmark::State& state, const char* name) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    kestrel::TMemoryStream stream;
    f.archive->LoadToStream(name, &stream);
    benchmark::DoNotOptimize(stream.Memory());
  }
}

void BM_BareDecode(benchmark::State& state, const char* name) {
  Fixture& f = TheFixture();
  const std::vector<uint8_t>& file = f.files[name];
  bool jpeg = file[0] == 0xFF;
  std::vector<uint8_t> rgb;
  for (auto _ : state) {
    if (jpeg) bench::JpegToRgb(file, rgb);
    else bench::PngToRgb(file, rgb);
    benchmark::DoNotOptimize(rgb.data());
  }
}

BENCHMARK_CAPTURE(BM_LoadKPKImage, png_1005x3644, "p1005x3644.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BareDecode, png_1005x3644, "p1005x3644.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadToStream, png_1005x3644, "p1005x3644.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadKPKImage, jpg_969x1420, "p969x1420.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BareDecode, jpg_969x1420, "p969x1420.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadToStream, jpg_969x1420, "p969x1420.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadKPKImage, png_1024x768, "p1024x768.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BareDecode, png_1024x768, "p1024x768.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadToStream, png_1024x768, "p1024x768.png")->Unit(benchmark::kMillisecond);

// Prints load / bare decode for each picture after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      // Plain runs, or the median when repetitions are asked for.
      bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if ((r.run_type != Run::RT_Iteration && !median) || r.error_occurred) continue;
      std::string name = r.run_name.str();
      size_t slash = name.find('/');
      if (slash == std::string::npos) continue;
      times_[name.substr(slash + 1)][name.substr(0, slash)] = r.GetAdjustedCPUTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (auto& [picture, t] : times_) {
      auto load = t.find("BM_LoadKPKImage"), bare = t.find("BM_BareDecode");
      auto archive = t.find("BM_LoadToStream");
      if (load == t.end() || bare == t.end() || bare->second <= 0) continue;
      std::printf("%-24s load %.2f ms, bare decode %.2f ms, ratio %.3f", picture.c_str(), load->second, bare->second,
                  load->second / bare->second);
      if (archive != t.end()) std::printf(" (archive lookup and inflation %.2f ms)", archive->second);
      std::printf("\n");
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("BENCH_DATA_KPK")) {
    for (const char* name : {"sprites.png", "320200.jpg", "niveis.png"}) {
      std::string label = std::string("data_kpk_") + name;
      benchmark::RegisterBenchmark(("BM_LoadKPKImage/" + label).c_str(), BM_LoadKPKImage, name)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("BM_BareDecode/" + label).c_str(), BM_BareDecode, name)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("BM_LoadToStream/" + label).c_str(), BM_LoadToStream, name)
          ->Unit(benchmark::kMillisecond);
    }
  }
  RatioReporter reporter;
  bench::RunBenchmarks(argc, argv, reporter);
  return 0;
}
