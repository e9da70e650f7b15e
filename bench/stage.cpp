// Real stage frames: the whole game played on the headless backend from a
// replay script, every frame of stages 1, 5, 7 and 8 timed from the end of
// the frame before to the start of its own present: the update, the drawing
// and the status display, not the present and not the pacing wait. In the
// same run, the typical frame of bench_frame, and the ratio of the two.
//
// The machine may be shared and noisy, so each run interleaves a replay and
// the typical frames at one depth, takes medians of each, and forms its
// ratios from those; the table gives the median over the runs.
//
// Usage: bench_stage [--script FILE] [--runs N]
// The script defaults to the normal replay under tests/replays.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/typical_frame.h"
#include "kestrel/base/faults.h"
#include "kestrel/error.h"
#include "kestrel/platform/headless/headless.h"
#include "morlo3/game_state.h"
#include "morlo3/startup.h"

namespace {

using Clock = std::chrono::steady_clock;
using kestrel::platform::HeadlessDisplay;
using kestrel::platform::HeadlessOptions;

const std::string kData = std::string(KESTREL_BENCH_BINARY_DIR) + "/data.kpk";
constexpr int kStages[] = {1, 5, 7, 8};
constexpr int kDepths[] = {16, 32};
constexpr int kTypicalFrames = 3000;

double Microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// Times each frame of the game it shows. A frame counts as a stage frame when
// a stage's picture was built both when it began and when its present began,
// and it read the keyboard at least twice (the player's keys and Esc): the
// message lines, the credits and the pictures that wait for Enter inside a
// stage read it once at most, and the frame that builds a stage begins
// without one.
class TimingDisplay : public HeadlessDisplay {
 public:
  TimingDisplay(HeadlessOptions options, const morlo3::GameState& game)
      : HeadlessDisplay(std::move(options)), g_(game) {}

  void WaitForVerticalBlank() override {
    const Clock::time_point end = Clock::now();
    HeadlessDisplay::WaitForVerticalBlank();
    const int reads = kestrel::CallCount("GetDeviceStateK") - readsAtStart_;
    if (started_ && sceneAtStart_ && g_.StageScene && reads >= 2)
      stageFrames[stageAtStart_].push_back(Microseconds(end - start_));
  }

  std::map<int, std::vector<double>> stageFrames;

 protected:
  void AfterFrame() override {
    HeadlessDisplay::AfterFrame();
    started_ = true;
    stageAtStart_ = g_.StageNumber;
    sceneAtStart_ = g_.StageScene != nullptr;
    readsAtStart_ = kestrel::CallCount("GetDeviceStateK");
    start_ = Clock::now();
  }

 private:
  const morlo3::GameState& g_;
  bool started_ = false;
  int stageAtStart_ = 0;
  bool sceneAtStart_ = false;
  int readsAtStart_ = 0;
  Clock::time_point start_;
};

struct Replay {
  std::map<int, std::vector<double>> stageFrames;
  uint64_t frames = 0;
  double seconds = 0;
  int exitCode = -1;
};

// The whole program in-process, in a window at `depth`, fed the script.
Replay PlayReplay(int depth, const std::vector<kestrel::platform::ScriptEvent>& script) {
  morlo3::GameState game;
  HeadlessOptions o;
  o.desktopDepth = depth;
  o.answer = 0;
  // However the script ends, the run ends.
  o.maxFrames = 1000000;
  auto display = std::make_unique<TimingDisplay>(std::move(o), game);
  TimingDisplay& d = *display;
  d.QueueEvents(script);
  kestrel::platform::InstallDisplay(std::move(display));
  kestrel::ResetEngine();
  Replay r;
  const Clock::time_point start = Clock::now();
  try {
    morlo3::Run(game);
  } catch (const kestrel::ProgramExit& e) {
    r.exitCode = e.Code();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "the replay failed: %s\n", e.what());
  }
  r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  r.frames = d.FramesPresented();
  r.stageFrames = std::move(d.stageFrames);
  kestrel::platform::ResetPlatform();
  kestrel::ResetEngine();
  return r;
}

// The median of bench_frame's typical frame at `depth`, in microseconds.
double TypicalFrame(int depth) {
  bench::Scene scene(depth);
  std::vector<double> times;
  times.reserve(kTypicalFrames);
  int camera = 0;
  for (int i = 0; i < kTypicalFrames; ++i) {
    const Clock::time_point start = Clock::now();
    scene.Frame(camera);
    benchmark::DoNotOptimize(scene.screen->Pixels);
    benchmark::ClobberMemory();
    times.push_back(Microseconds(Clock::now() - start));
    camera = (camera + 3) % 680;
  }
  return Median(std::move(times));
}

struct Row {
  std::vector<double> stage, typical, ratio;
  size_t frames = 0;
};

int Usage() {
  std::fprintf(stderr, "usage: bench_stage [--script FILE] [--runs N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string scriptPath = std::string(KESTREL_BENCH_SOURCE_DIR) + "/tests/replays/normal.input";
  int runs = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--script" && i + 1 < argc) {
      scriptPath = argv[++i];
    } else if (a == "--runs" && i + 1 < argc) {
      char* end = nullptr;
      runs = int(std::strtol(argv[++i], &end, 10));
      if (*end || runs < 1 || runs > 100) return Usage();
    } else {
      return Usage();
    }
  }
  std::ifstream in(scriptPath);
  if (!in) {
    std::fprintf(stderr, "bench_stage: cannot read the replay %s\n", scriptPath.c_str());
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<kestrel::platform::ScriptEvent> script;
  try {
    script = kestrel::platform::ParseInputScript(text.str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_stage: %s: %s\n", scriptPath.c_str(), e.what());
    return 1;
  }
  scriptPath = std::filesystem::absolute(scriptPath).string();

  // The game reads data.kpk and writes its sounds beside itself.
  const auto dir = std::filesystem::temp_directory_path() / ("morlo-bench-stage-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::create_symlink(kData, dir / "data.kpk");
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir);

  std::map<std::pair<int, int>, Row> rows;  // by depth and stage
  std::map<int, std::vector<double>> fps;
  uint64_t frames = 0;
  int exitCode = 0;
  for (int run = 0; run < runs; ++run) {
    for (int depth : kDepths) {
      const Replay r = PlayReplay(depth, script);
      const double typical = TypicalFrame(depth);
      frames = r.frames;
      exitCode = r.exitCode;
      fps[depth].push_back(double(r.frames) / r.seconds);
      for (int stage : kStages) {
        auto it = r.stageFrames.find(stage);
        if (it == r.stageFrames.end() || it->second.empty()) continue;
        Row& row = rows[{depth, stage}];
        const double median = Median(it->second);
        row.frames = it->second.size();
        row.stage.push_back(median);
        row.typical.push_back(typical);
        row.ratio.push_back(median / typical);
      }
    }
  }
  std::filesystem::current_path(old);
  std::filesystem::remove_all(dir);

  std::printf("replay %s: %llu frames, exit %d; %d runs, medians of the runs\n\n", scriptPath.c_str(),
              static_cast<unsigned long long>(frames), exitCode, runs);
  std::printf("depth  stage  frames  stage frame us  typical frame us  ratio  worst run\n");
  for (int depth : kDepths) {
    for (int stage : kStages) {
      auto it = rows.find({depth, stage});
      if (it == rows.end()) {
        std::printf("%5d  %5d  not reached by the replay\n", depth, stage);
        continue;
      }
      const Row& row = it->second;
      std::printf("%5d  %5d  %6zu  %14.1f  %16.1f  %5.2f  %9.2f\n", depth, stage, row.frames, Median(row.stage),
                  Median(row.typical), Median(row.ratio), *std::max_element(row.ratio.begin(), row.ratio.end()));
    }
  }
  std::printf("\nthe whole replay in-process, unpaced:");
  for (int depth : kDepths) std::printf("  depth %d %.0f frames/s", depth, Median(fps[depth]));
  std::printf("\n");
  return 0;
}
