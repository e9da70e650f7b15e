#include "tools/autoplay/play.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <sstream>

#include "kestrel/error.h"
#include "kestrel/kestrel.h"
#include "morlo3/game_state.h"
#include "morlo3/startup.h"

namespace autoplay {

using namespace kestrel;

BotDisplay::BotDisplay(platform::HeadlessOptions options, Bot& bot, FrameWatch watch)
    : HeadlessDisplay(std::move(options)), bot_(bot), watch_(std::move(watch)) {}

void BotDisplay::AfterFrame() {
  if (watch_) watch_(FramesPresented(), *this);
  std::vector<ScriptEvent> events = bot_.Act(FramesPresented());
  recording_.insert(recording_.end(), events.begin(), events.end());
  QueueEvents(std::move(events));
  HeadlessDisplay::AfterFrame();
}

RunResult PlayWholeGame(const RunOptions& options) {
  RunResult result;
  morlo3::GameState game;
  Bot bot(game, options.bot);
  platform::HeadlessOptions o;
  o.desktopDepth = options.depth;
  o.answer = 0;
  o.maxFrames = options.maxFrames;
  o.frameLog = options.frameLog;
  FrameWatch watch;
  if (options.watch) watch = [&](uint64_t frame, const platform::HeadlessDisplay& d) { options.watch(frame, d, game); };
  auto display = std::make_unique<BotDisplay>(std::move(o), bot, std::move(watch));
  BotDisplay& d = *display;
  platform::InstallDisplay(std::move(display));
  ResetEngine();

  const auto start = std::chrono::steady_clock::now();
  try {
    morlo3::Run(game);
  } catch (const ProgramExit& e) {
    result.exitCode = e.Code();
  } catch (const EngineError& e) {
    result.error = e.what();
  } catch (const std::exception& e) {
    result.error = e.what();
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.frames = d.FramesPresented();
  result.report = bot.Report();
  result.recording = d.Recording();
  platform::ResetPlatform();
  ResetEngine();
  return result;
}

std::string ScriptText(const std::vector<ScriptEvent>& events, const std::string& heading) {
  std::ostringstream out;
  std::istringstream lines(heading);
  for (std::string line; std::getline(lines, line);) out << "# " << line << "\n";
  for (const ScriptEvent& e : events) out << kestrel::platform::ScriptLine(e) << "\n";
  return out.str();
}

std::string Summary(const RunResult& r) {
  std::ostringstream out;
  const BotReport& b = r.report;
  out << (b.difficultyPlayed == 1   ? "hard"
          : b.difficultyPlayed == 0 ? "normal"
                                    : "?")
      << ": " << (r.Won() ? "won" : "NOT won") << ", exit " << r.exitCode << ", " << r.frames << " frames, "
      << b.livesLost << " lives lost, " << r.seconds << " s";
  if (!r.error.empty()) out << ", error: " << r.error;
  out << "\n";
  for (size_t i = 0; i < b.stages.size(); ++i) {
    const StageReport& s = b.stages[i];
    char line[160];
    std::snprintf(line, sizeof line,
                  "  stage %zu: %5llu frames, %d lives lost, %3d energy lost (began with %d lives, %d energy, "
                  "shot power %d)\n",
                  i + 1, static_cast<unsigned long long>(s.frames), s.livesLost, s.energyLost, s.livesAtStart,
                  s.energyAtStart, s.shotPowerAtStart);
    out << line;
  }
  return out.str();
}

}  // namespace autoplay
