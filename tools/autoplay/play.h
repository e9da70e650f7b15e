// A whole game played by the automatic player: the real program, from its
// entry, on a headless display that asks the player after every presented
// frame and records what it does as a KESTREL_INPUT script.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kestrel/platform/headless/headless.h"
#include "tools/autoplay/bot.h"

namespace autoplay {

// The headless display the automatic player plays on. After each presented
// frame it hands the frame count to the player and queues the events it
// answers for that same frame, through the queue a script uses, before the
// headless backend applies what is due; a replay of the recording therefore
// sees every event at the frame the player made it.
// Called after each presented frame, before the player acts on it.
using FrameWatch = std::function<void(uint64_t frame, const kestrel::platform::HeadlessDisplay& display)>;

class BotDisplay : public kestrel::platform::HeadlessDisplay {
 public:
  BotDisplay(kestrel::platform::HeadlessOptions options, Bot& bot, FrameWatch watch = nullptr);
  // Everything done so far, one event a line.
  const std::vector<ScriptEvent>& Recording() const { return recording_; }

 protected:
  void AfterFrame() override;

 private:
  Bot& bot_;
  FrameWatch watch_;
  std::vector<ScriptEvent> recording_;
};

struct RunOptions {
  BotSettings bot;
  int depth = 32;              // the pretend desktop's depth
  std::string frameLog;        // KESTREL_FRAMELOG of the run, when not empty
  int64_t maxFrames = 200000;  // the window is closed after this many frames
  // Sees every frame of the run, and the game state it is played on.
  std::function<void(uint64_t frame, const kestrel::platform::HeadlessDisplay&, const morlo3::GameState&)> watch;
};

struct RunResult {
  int exitCode = -1;
  std::string error;  // an engine failure's text
  uint64_t frames = 0;
  double seconds = 0;
  BotReport report;
  std::vector<ScriptEvent> recording;
  // Won: the credits rolled, and the program ended by "Sair" with exit 0.
  bool Won() const { return exitCode == 0 && report.creditsSeen && report.quitClicked; }
};

// Plays the real program in this process, in the current directory (which
// must hold data.kpk). Installs its own display and leaves none behind.
RunResult PlayWholeGame(const RunOptions& options);

// The recording as a KESTREL_INPUT script, with a heading of comment lines.
std::string ScriptText(const std::vector<ScriptEvent>& events, const std::string& heading);

// A short account of the run, one line a stage.
std::string Summary(const RunResult& result);

}  // namespace autoplay
