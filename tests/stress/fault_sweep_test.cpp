// Every fault point the game reaches, made to fail once at its first call,
// its second call and a call during play in stage 1, with the whole program
// run in-process from its entry on the headless backend. Each run must end
// with the engine's report (exit 1, the same line on standard error and in
// the log, shown once in the window) or recover without a word and play on
// to the frame limit; no run may leave a scratch folder behind.
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "../support/headless_fixture.h"
#include "../support/paths.h"
#include "kestrel/base/faults.h"
#include "kestrel/platform/input.h"
#include "kestrel/platform/result.h"
#include "morlo3/startup.h"

namespace kestrel::testing {
namespace {

// Counts presented frames and lets the sweep look at the call counts after each.
class CountingDisplay : public platform::HeadlessDisplay {
 public:
  using HeadlessDisplay::HeadlessDisplay;

 protected:
  void AfterFrame() override {
    if (onFrame) onFrame(FramesPresented());
    HeadlessDisplay::AfterFrame();
  }

 public:
  std::function<void(uint64_t)> onFrame;
};

// A failure code of each family: the sound library's codes are small numbers
// ("Error initializing output device"), the display's and the input's share
// the undetermined error.
platform::HResult CodeFor(const std::string& name) {
  if (name.starts_with("FSOUND_") || name.starts_with("FMUSIC_")) return 3;
  return platform::DDERR_GENERIC;
}

struct Outcome {
  int code = -1;
  std::string err, log;
  uint64_t frames = 0;
  size_t shown = 0;  // error messages shown in the window
  bool leftInTmp = false;
  std::string exception;                  // anything that escaped the entry
  std::map<std::string, uint64_t> calls;  // by fault point, over the run
};

class FaultSweep : public HeadlessTest {
 protected:
  void SetUp() override { std::filesystem::create_symlink(kGeneratedData, scratch_.Path() / "data.kpk"); }

  // One run of the program with the replay's input, closed after `maxFrames`.
  Outcome Play(bool fullScreen, int64_t maxFrames, const std::function<void(uint64_t)>& onFrame = nullptr,
               const std::function<void()>& inject = nullptr) {
    platform::HeadlessOptions o;
    o.maxFrames = maxFrames;
    o.answer = fullScreen ? 1 : 0;
    auto display = std::make_unique<CountingDisplay>(o);
    CountingDisplay& d = *display;
    std::vector<platform::ScriptEvent> events = platform::ParseInputScript(ReadText(kNormalReplay));
    // The replay points at the doubled window; full screen shows the picture as it is.
    if (fullScreen)
      for (platform::ScriptEvent& e : events) e.x /= 2, e.y /= 2;
    d.QueueEvents(std::move(events));
    d.onFrame = onFrame;
    platform::InstallDisplay(std::move(display));
    ResetEngine();
    if (inject) inject();
    Outcome out;
    ::testing::internal::CaptureStderr();
    try {
      out.code = morlo3::Main();
    } catch (const std::exception& e) {
      out.exception = e.what();
    }
    out.err = ::testing::internal::GetCapturedStderr();
    out.frames = d.FramesPresented();
    out.shown = d.ErrorMessages().size();
    out.log = ReadText(kErrorLogName);
    std::filesystem::remove(kErrorLogName);
    out.leftInTmp = !scratch_.NothingLeft();
    for (const std::string& name : CalledFaultPoints()) out.calls[name] = CallCount(name);
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(scratch_.Tmp(), ec)) std::filesystem::remove_all(e, ec);
    platform::ResetPlatform();
    ResetEngine();
    return out;
  }
};

// How each fault point ends when it fails at its first call, its second
// call, and a call after stage 1 has begun (shutdown included), in a window
// and in full screen: E the engine's report, R a silent recovery, - never
// reached. The recoveries are the designed ones: blits and flips are
// retried or dropped; a key or mouse read answers "nothing held" and
// re-acquires; sounds that will not play, stop or close stay silent; a
// picture buffer's surface is tried again in system memory; the first
// DirectDraw object only gathers the mode table, and an empty table is no
// error in a window (in full screen the mode is then unsupported); FMOD
// falls back to its second output and to fewer channels; a missing
// joystick, font, cursor position or picture device context is no error;
// restoring lost surfaces and the shutdown's own calls ignore their
// results. Every point the game reaches must be listed here.
struct Expected {
  const char* point;
  const char* window;
  const char* full;
};
constexpr Expected kDesigned[] = {
    {"AcquireK", "E--", "E--"},
    {"AcquireM", "E--", "E--"},
    {"Blt", "RRR", "RRR"},
    {"BltFast", "RRR", "RRR"},
    {"CreateClipper", "E--", "E--"},
    {"CreateCompatibleDC", "EE-", "EE-"},
    {"CreateDeviceJ", "R--", "R--"},
    {"CreateDeviceK", "E--", "E--"},
    {"CreateDeviceM", "E--", "E--"},
    {"CreateFont", "R--", "R--"},
    {"CreateSurface", "EE-", "ER-"},
    {"CreateWindowEx", "E--", "E--"},
    {"DirectDrawCreate", "RE-", "EE-"},
    {"DirectInputCreate", "E--", "E--"},
    {"EnumDisplayModes", "R--", "E--"},
    {"Flip", "---", "RRR"},
    {"FSOUND_Close", "R-R", "R-R"},
    {"FSOUND_GetVersion", "EE-", "EE-"},
    {"FSOUND_Init", "R--", "R--"},
    {"FSOUND_IsPlaying", "RRR", "RRR"},
    {"FSOUND_SetDriver", "R--", "R--"},
    {"FSOUND_SetMixer", "E--", "E--"},
    {"FSOUND_SetOutput", "R--", "R--"},
    {"FSOUND_Stream_Close", "RRR", "RRR"},
    {"FSOUND_Stream_OpenFile", "EE-", "EE-"},
    {"FSOUND_Stream_Play", "RRR", "RRR"},
    {"FSOUND_Stream_Stop", "RRR", "RRR"},
    {"GetAttachedSurface", "---", "E--"},
    {"GetBltStatus", "RRR", "RRR"},
    {"GetCaps", "E--", "E--"},
    {"GetCursorPos", "RR-", "RR-"},
    {"GetDC", "RRE", "RRE"},
    {"GetDeviceDataM", "RR-", "RR-"},
    {"GetDeviceStateK", "RRR", "RRR"},
    {"GetPressesK", "RRR", "RRR"},
    {"GetPressesM", "RR-", "RR-"},
    {"GetPixelFormat", "E--", "E--"},
    {"Lock", "EE-", "EE-"},
    {"RegisterClass", "E--", "E--"},
    {"ReleaseDC", "RRE", "RRE"},
    {"Restore", "RR-", "RR-"},
    {"SelectObject", "EE-", "EE-"},
    {"SetClipper", "E--", "E--"},
    {"SetColorKey", "RRR", "RRR"},
    {"SetCooperativeLevel", "ERR", "ERR"},
    {"SetCooperativeLevelK", "E--", "E--"},
    {"SetCooperativeLevelM", "E--", "E--"},
    {"SetDataFormatK", "E--", "E--"},
    {"SetDataFormatM", "E--", "E--"},
    {"SetDisplayMode", "---", "E--"},
    {"SetHWnd", "E--", "E--"},
    {"SetPropertyM", "E--", "E--"},
    {"StretchBlt", "EE-", "EE-"},
    {"UnacquireK", "R-R", "R-R"},
    {"UnacquireM", "R-R", "R-R"},
    {"Unlock", "EE-", "EE-"},
    {"WaitForVerticalBlank", "RRR", "---"},
};

// Whether a report names the failed call's operation. Unlock reports as
// "UnLock"; a wrong version is found where a sound is made ("Create"); and a
// mode table left empty by the first DirectDraw object or the mode list
// makes the full-screen mode unsupported ("Create").
bool NamesOperation(const std::string& line, const std::string& point) {
  auto names = [&](const std::string& op) { return line.find("]" + op + " -> ") != std::string::npos; };
  if (point == "Unlock") return names("UnLock");
  if (point == "FSOUND_GetVersion") return names("Create");
  if (point == "DirectDrawCreate" || point == "EnumDisplayModes") return names(point) || names("Create");
  return names(point);
}

// A full-screen run shows no message once its display context exists; the
// context's own failures are reported the windowed way.
size_t MessagesShown(const std::string& line, bool fullScreen) {
  if (!fullScreen) return 1;
  return line.starts_with("[TKestrel]") || line.starts_with("[TSelfFullKestrel]") ? 1 : 0;
}

struct Row {
  std::string point, when, outcome;
  char kind;  // E, R, or ? for anything else
};

class FaultSweepByMode : public FaultSweep, public ::testing::WithParamInterface<bool> {
 protected:
  Row RunWithFault(bool fullScreen, int64_t frameLimit, uint64_t fullRun, const std::string& name,
                   const std::string& label, platform::HResult code, int skip) {
    SCOPED_TRACE(name + " at its " + label + " call");
    const Outcome out = Play(fullScreen, frameLimit, nullptr, [&] { InjectFault(name, code, 1, skip); });
    ClearFaults();
    EXPECT_EQ(out.exception, "");
    EXPECT_FALSE(out.leftInTmp) << "a scratch folder is left in TMPDIR";
    Row row{name, label, "", '?'};
    const std::string line = out.err.substr(0, out.err.find('\n'));
    if (out.code == 1 && out.log == line + "\r\n" && line.starts_with("[") && NamesOperation(line, name) &&
        out.shown == MessagesShown(line, fullScreen)) {
      // The report: one line in the log, the same first line on standard
      // error naming the failed operation, and, in a window, one message.
      row.kind = 'E';
      row.outcome = "ends: " + line;
    } else if (out.code == 0 && out.frames == fullRun && out.err.empty() && out.log.empty()) {
      row.kind = 'R';
      row.outcome = "recovers";
    } else {
      row.outcome = "exit " + std::to_string(out.code) + " after " + std::to_string(out.frames) + " frames, log \"" +
                    out.log + "\", " + std::to_string(out.shown) + " shown: " + out.err;
    }
    return row;
  }

  std::vector<Row> Sweep(bool fullScreen) {
    // A clean run first: it names the fault points the game reaches, and the
    // frame at which stage 1 is set up (its two stage pictures are the first
    // surfaces made after loading).
    constexpr int64_t kProbeFrames = 400;
    constexpr uint64_t kLoadingFrames = 24;
    uint64_t surfacesAfterLoading = 0, stageFrame = 0;
    std::map<std::string, uint64_t> inPlay;
    const Outcome clean = Play(fullScreen, kProbeFrames, [&](uint64_t frame) {
      const uint64_t surfaces = CallCount("CreateSurface");
      if (frame == kLoadingFrames) surfacesAfterLoading = surfaces;
      if (frame > kLoadingFrames && stageFrame == 0 && surfaces > surfacesAfterLoading) stageFrame = frame;
      if (stageFrame != 0 && frame == stageFrame + 20)
        for (const std::string& name : CalledFaultPoints()) inPlay[name] = CallCount(name);
    });
    EXPECT_EQ(clean.code, 0) << clean.err;
    EXPECT_NE(stageFrame, 0u) << "the replay never reached stage 1";
    if (stageFrame == 0) return {};
    const int64_t frameLimit = int64_t(stageFrame) + 40;
    const uint64_t fullRun = Play(fullScreen, frameLimit).frames;

    std::vector<Row> table;
    for (const auto& [name, calls] : clean.calls) {
      struct When {
        std::string label;
        int skip;
      };
      std::vector<When> whens;
      whens.push_back({"1st", 0});
      if (calls >= 2) whens.push_back({"2nd", 1});
      const uint64_t before = inPlay.count(name) ? inPlay.at(name) : 0;
      if (calls > before) whens.push_back({"play", int(before)});
      for (const When& w : whens)
        table.push_back(RunWithFault(fullScreen, frameLimit, fullRun, name, w.label, CodeFor(name), w.skip));
    }
    // The codes the retry rules tell apart: a busy display and a lost
    // surface for the blits and flips, a lost device for the reads, each
    // at a call in play.
    const std::pair<const char*, platform::HResult> retried[] = {
        {"Blt", platform::DDERR_WASSTILLDRAWING},          {"Blt", platform::DDERR_SURFACELOST},
        {"BltFast", platform::DDERR_WASSTILLDRAWING},      {"BltFast", platform::DDERR_SURFACELOST},
        {"Flip", platform::DDERR_WASSTILLDRAWING},         {"Flip", platform::DDERR_SURFACELOST},
        {"GetBltStatus", platform::DDERR_WASSTILLDRAWING}, {"GetDeviceStateK", platform::DIERR_INPUTLOST},
        {"GetDeviceDataM", platform::DIERR_INPUTLOST}};
    for (const auto& [name, code] : retried) {
      if (!clean.calls.count(name)) continue;
      const uint64_t before = inPlay.count(name) ? inPlay.at(name) : 0;
      const bool inPlayToo = clean.calls.at(name) > before;
      char label[16];
      std::snprintf(label, sizeof label, "%s %X", inPlayToo ? "play" : "2nd", unsigned(code));
      table.push_back(RunWithFault(fullScreen, frameLimit, fullRun, name, label, code, inPlayToo ? int(before) : 1));
    }
    std::printf("%s: stage 1 set up at frame %llu; \"play\" is a call after frame %llu; runs closed at frame %lld\n",
                fullScreen ? "full screen" : "window", static_cast<unsigned long long>(stageFrame),
                static_cast<unsigned long long>(stageFrame + 20), static_cast<long long>(frameLimit));
    std::printf("%-24s %-14s %s\n", "fault point", "call", "outcome");
    for (const Row& r : table) std::printf("%-24s %-14s %s\n", r.point.c_str(), r.when.c_str(), r.outcome.c_str());
    return table;
  }
};

TEST_P(FaultSweepByMode, EveryFaultPointEndsWithItsReportOrRecovers) {
  const bool fullScreen = GetParam();
  const std::vector<Row> table = Sweep(fullScreen);
  // The window, its surfaces, locks, blits, text, sound and input all fail somewhere here.
  std::map<std::string, std::string> seen;
  for (const Row& r : table) {
    if (r.when.find(' ') != std::string::npos) {
      EXPECT_EQ(r.kind, 'R') << r.point << " " << r.when << ": " << r.outcome;
      continue;
    }
    std::string& kinds = seen.try_emplace(r.point, "---").first->second;
    kinds[r.when == "1st" ? 0 : r.when == "2nd" ? 1 : 2] = r.kind;
  }
  for (const char* must : {"CreateWindowEx", "CreateSurface", "Lock", "Blt", "CreateFont", "FSOUND_Init",
                           "FSOUND_Stream_Play", "CreateDeviceK", "GetDeviceStateK", "GetDeviceDataM"})
    EXPECT_TRUE(seen.count(must)) << must << " was never reached";
  std::map<std::string, std::string> designed;
  for (const Expected& e : kDesigned) {
    const std::string kinds = fullScreen ? e.full : e.window;
    if (kinds != "---") designed[e.point] = kinds;
  }
  for (const auto& [point, kinds] : seen)
    EXPECT_EQ(kinds, designed.count(point) ? designed[point] : "(not listed)") << point;
  for (const auto& [point, kinds] : designed) EXPECT_TRUE(seen.count(point)) << point << " was never reached";
}

INSTANTIATE_TEST_SUITE_P(Modes, FaultSweepByMode, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "FullScreen" : "Window"; });

}  // namespace
}  // namespace kestrel::testing
