// Start-up on the headless backend with the real data: the whole run from the
// question to the end of loading (and the shutdown after it, asked for as the
// story begins), in a window at
// depth 32 and in full screen at depth 16, against a bare decode of the three
// sheets with libpng and libjpeg. Peak memory is read from child processes:
// headless, and in a real window when DISPLAY names an X server.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bare_decode.h"
#include "bench/median_reporter.h"
#include "kestrel/kestrel.h"
#include "kestrel/kpk.h"
#include "kestrel/platform/headless/headless.h"
#include "kestrel/stream.h"
#include "morlo3/startup.h"

namespace {

const std::string kData = std::string(KESTREL_BENCH_BINARY_DIR) + "/data.kpk";

// The frames the loading screen presents: its first picture, then the 23
// steps of the bar. A close request after them ends the run where the story
// would begin.
constexpr int kLoadingFrames = 24;

std::vector<uint8_t> Entry(const char* name) {
  kestrel::TKPK archive(kData);
  kestrel::TMemoryStream s;
  if (!archive.LoadToStream(name, &s)) std::abort();
  return s.Bytes();
}

void BM_BareDecodeOfTheSheets(benchmark::State& state) {
  const auto sprites = Entry("sprites.png"), backdrops = Entry("320200.jpg"), stages = Entry("niveis.png");
  std::vector<uint8_t> out;
  for (auto _ : state) {
    bench::PngToRgb(sprites, out);
    bench::JpegToRgb(backdrops, out);
    bench::PngToRgb(stages, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_BareDecodeOfTheSheets)->Unit(benchmark::kMillisecond);

// The whole program in-process: question, display, 23 loading steps, shutdown.
void BM_Startup(benchmark::State& state) {
  const bool full = state.range(0) == 1;
  const auto dir = std::filesystem::temp_directory_path() / "morlo-bench-startup";
  std::filesystem::create_directories(dir);
  std::filesystem::remove(dir / "data.kpk");
  std::filesystem::create_symlink(kData, dir / "data.kpk");
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  for (auto _ : state) {
    kestrel::platform::HeadlessOptions o;
    o.desktopDepth = 32;
    o.answer = full ? 1 : 0;
    o.maxFrames = kLoadingFrames;
    kestrel::platform::InstallDisplay(std::make_unique<kestrel::platform::HeadlessDisplay>(o));
    kestrel::ResetEngine();
    if (morlo3::Main() != 0) state.SkipWithError("start-up failed");
  }
  kestrel::platform::ResetPlatform();
  std::filesystem::current_path(old);
  state.SetLabel(full ? "full screen, depth 16" : "window, depth 32");
}
BENCHMARK(BM_Startup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Runs the game as a process with `env` set and prints its peak resident
// memory. A run that has not ended after `seconds` is asked to stop (SDL
// turns SIGTERM into a close request), and killed 10 s later.
void PrintPeakMemoryOf(const char* label, int seconds, std::vector<std::pair<const char*, const char*>> env) {
  const std::string game = std::string(KESTREL_BENCH_BINARY_DIR) + "/morlo3/morlo3";
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(KESTREL_BENCH_BINARY_DIR) != 0) _exit(127);
    unsetenv("KESTREL_PLATFORM");
    for (auto [name, value] : env) setenv(name, value, 1);
    execl(game.c_str(), game.c_str(), nullptr);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  for (int tenths = 0;; ++tenths) {
    const pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid || done < 0) break;
    if (tenths == 10 * seconds) kill(pid, SIGTERM);
    if (tenths == 10 * seconds + 100) kill(pid, SIGKILL);
    usleep(100000);
  }
  std::printf("peak RSS, %s: %.1f MB (exit %d)\n", label, usage.ru_maxrss / 1024.0,
              WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

// Peak resident memory of runs of the game as a process: headless to the
// end of loading, and, when an X display is at hand, in a real window and in
// full screen through loading, the story and some seconds of the menu.
void PrintPeakMemory() {
  const std::string frames = std::to_string(kLoadingFrames);
  PrintPeakMemoryOf("headless, window at depth 32", 20,
                    {{"KESTREL_PLATFORM", "headless"},
                     {"KESTREL_ANSWER", "no"},
                     {"KESTREL_DEPTH", "32"},
                     {"KESTREL_MAX_FRAMES", frames.c_str()}});
  PrintPeakMemoryOf("headless, full screen at depth 16", 20,
                    {{"KESTREL_PLATFORM", "headless"},
                     {"KESTREL_ANSWER", "yes"},
                     {"KESTREL_DEPTH", "32"},
                     {"KESTREL_MAX_FRAMES", frames.c_str()}});
  if (!std::getenv("DISPLAY")) return;
  PrintPeakMemoryOf("X11, window at depth 32", 8,
                    {{"SDL_VIDEODRIVER", "x11"}, {"KESTREL_ANSWER", "no"}, {"KESTREL_DEPTH", "32"}});
  PrintPeakMemoryOf("X11, full screen at depth 16", 8,
                    {{"SDL_VIDEODRIVER", "x11"}, {"KESTREL_ANSWER", "yes"}, {"KESTREL_DEPTH", "32"}});
}

// Prints each start-up against the bare decode after the table.
class RatioReporter : public bench::MedianReporter {
 public:
  void Finalize() override {
    MedianReporter::Finalize();
    const Times* bare = Find("BM_BareDecodeOfTheSheets");
    if (!bare || bare->cpu <= 0) return;
    for (const char* run : {"BM_Startup/0", "BM_Startup/1"})
      if (const Times* t = Find(run))
        std::printf("start-up, %s: %.1f ms, bare decode %.1f ms, ratio %.3f\n", t->label.c_str(), t->cpu, bare->cpu,
                    t->cpu / bare->cpu);
  }
};

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  bench::RunBenchmarks(argc, argv, reporter);
  PrintPeakMemory();
  return 0;
}
