// The X server ends under the running game (a logout, a crashed session):
// in the story, the menu, a stage, full screen, the start-up question and an
// error message, the game must end at once with exit 1 and one line saying
// why, leaving no scratch folder, and never wait on the dead connection.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "../support/data_cut_short.h"
#include "../support/frame_paced_player.h"
#include "../support/real_game.h"
#include "../support/xvfb.h"

namespace kestrel::testing {
namespace {

namespace fs = std::filesystem;

const std::string kGame = std::string(KESTREL_BINARY_DIR) + "/morlo3/morlo3";
const std::string kData = std::string(KESTREL_BINARY_DIR) + "/data.kpk";

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

int CountLines(const fs::path& path) {
  std::ifstream in(path);
  int count = 0;
  for (std::string line; std::getline(in, line);) ++count;
  return count;
}

class DisplayLost : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v Xvfb >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "Xvfb and xdotool are needed";
    char tmpl[] = "/tmp/kestrel-lost-XXXXXX";
    folder_ = ::mkdtemp(tmpl);
    fs::create_directory(folder_ / "tmp");
    // The sound library's client keeps its runtime folder in TMPDIR when the
    // session has none, and reuses one that an earlier run recorded in the
    // home folder: the game gets a runtime folder of its own, so that TMPDIR
    // holds only what the game itself leaves, on any machine.
    fs::create_directory(folder_ / "run");
    fs::permissions(folder_ / "run", fs::perms::owner_all);
  }
  void TearDown() override {
    std::error_code ec;
    if (!folder_.empty()) fs::remove_all(folder_, ec);
  }

 public:
  std::string Command(const std::string& settings) const {
    return "env -C " + folder_.string() +
           " -u KESTREL_ANSWER -u KESTREL_PLATFORM SDL_VIDEODRIVER=x11 TMPDIR=" + (folder_ / "tmp").string() +
           " XDG_RUNTIME_DIR=" + (folder_ / "run").string() + " KESTREL_FRAMELOG=" + (folder_ / "frames.txt").string() +
           " " + settings + " " + kGame + " >" + (folder_ / "err.txt").string() + " 2>&1";
  }
  int Frames() const { return CountLines(folder_ / "frames.txt"); }
  // Waits (within a generous bound) until `ready` holds.
  static bool WaitFor(const std::function<bool()>& ready, int seconds = 60) {
    for (int i = 0; i < seconds * 50; ++i) {
      if (ready()) return true;
      RealGame::Sleep(20);
    }
    return false;
  }
  bool WindowTitled(const std::string& display, const std::string& title) const {
    return !FirstLineOn(display, "xwininfo -root -tree | grep -F '\"" + title + "' | head -n1").empty();
  }
  int WindowsTitled(const std::string& display, const std::string& title) const {
    return std::atoi(FirstLineOn(display, "xwininfo -root -tree | grep -cF '\"" + title + "'").c_str());
  }
  fs::path folder_;
};

TEST_F(DisplayLost, EndingTheServerEndsTheGameAtOnceInEveryPhase) {
  LeakCheckPause pause;
  struct Phase {
    const char* name;
    std::string settings;
    // Brings the game to the phase; false when it never got there.
    std::function<bool(DisplayLost&, RealGame&, const std::string&)> reach;
  };
  auto framesReach = [](int n) {
    return [n](DisplayLost& t, RealGame&, const std::string&) { return WaitFor([&] { return t.Frames() >= n; }); };
  };
  const Phase phases[] = {
      // Loading is 24 frames; the story follows.
      {"the story", "KESTREL_ANSWER=no", framesReach(40)},
      {"full screen", "KESTREL_ANSWER=yes", framesReach(40)},
      // Esc held skips the story; the menu slides in.
      {"the menu", "KESTREL_ANSWER=no",
       [](DisplayLost& t, RealGame& game, const std::string& display) {
         if (!game.FindWindow("Morlo v3.0")) return false;
         FramePacedPlayer player(game, display, (t.folder_ / "frames.txt").string());
         player.Hold("Escape", 120);
         return !player.Ended();
       }},
      // "Novo Jogo", then Enter on the stage's picture: the hero walks.
      {"a stage", "KESTREL_ANSWER=no",
       [](DisplayLost& t, RealGame& game, const std::string& display) {
         if (!game.FindWindow("Morlo v3.0")) return false;
         FramePacedPlayer player(game, display, (t.folder_ / "frames.txt").string());
         player.Hold("Escape", 120);
         player.Click(150, 274);
         player.Wait(30);
         player.Hold("Return", 6);
         game.KeyDown("Right");
         return player.Wait(60);
       }},
      {"the start-up question", "",
       [](DisplayLost& t, RealGame&, const std::string& display) {
         return WaitFor([&] { return t.WindowTitled(display, "Do you want..."); });
       }},
      // A data.kpk cut short: the report is shown in a box, and the server ends then.
      {"an error message", "KESTREL_ANSWER=no",
       [](DisplayLost& t, RealGame&, const std::string& display) {
         // The box bears the window's caption: two windows of that name.
         return WaitFor([&] { return !ReadText(t.folder_ / "err.txt").empty(); }) &&
                WaitFor([&] { return t.WindowsTitled(display, "Morlo v3.0") >= 2; });
       }},
  };
  for (const Phase& phase : phases) {
    SCOPED_TRACE(phase.name);
    fs::remove(folder_ / "frames.txt");
    fs::remove(folder_ / "data.kpk");
    const bool cut = std::string(phase.name) == "an error message";
    if (cut) WriteDataCutShort(kData, folder_ / "data.kpk");
    Xvfb server;
    ASSERT_TRUE(server.Start());
    RealGame game(server.Display(), Command(phase.settings));
    ASSERT_TRUE(game.Started());
    ASSERT_TRUE(phase.reach(*this, game, server.Display())) << "never reached: " << ReadText(folder_ / "err.txt");
    const std::string before = ReadText(folder_ / "err.txt");
    server.Stop();
    // At once: a game that waits on the dead connection never ends.
    // -2 would be an end by a signal: a write to the dead socket, say.
    EXPECT_EQ(game.Wait(20), 1);
    const std::string said = ReadText(folder_ / "err.txt");
    ASSERT_TRUE(said.starts_with(before)) << said;
    if (std::string(phase.name) == "the start-up question")
      // Before the game's own window: no answer, and no display to open one on.
      EXPECT_TRUE(said.starts_with("[TSelfExKestrel]CreateWindowEx -> Error creating window... no display could be "
                                   "opened: ") &&
                  said.find('\n') == said.size() - 1)
          << said;
    else
      EXPECT_EQ(said.substr(before.size()),
                "The display \"" + server.Display() + "\" went away; the game cannot go on.\n");
    EXPECT_TRUE(fs::is_empty(folder_ / "tmp")) << "a scratch folder is left";
  }
}

}  // namespace
}  // namespace kestrel::testing
