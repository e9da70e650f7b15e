// The X server ends under the running game (a logout, a crashed session):
// in the story, the menu, a stage, full screen, the start-up question and an
// error message, the game must end at once with exit 1 and one line saying
// why, leaving no scratch folder, and never wait on the dead connection.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "../support/data_cut_short.h"
#include "../support/frame_paced_player.h"

namespace kestrel::testing {
namespace {

namespace fs = std::filesystem;

class DisplayLost : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Installed({"Xvfb", "xdotool", "xwininfo"})); }

 public:
  ScratchDir scratch_;
};

TEST_F(DisplayLost, EndingTheServerEndsTheGameAtOnceInEveryPhase) {
  LeakCheckPause pause;
  struct Phase {
    const char* name;
    std::string settings;
    // Brings the game to the phase; false when it never got there.
    std::function<bool(RealGame&)> reach;
  };
  auto framesReach = [](size_t n) {
    return [n](RealGame&) { return WaitUntil([&] { return CountLines("frames.log") >= n; }); };
  };
  const Phase phases[] = {
      // Loading is 24 frames; the story follows.
      {"the story", "KESTREL_ANSWER=no", framesReach(40)},
      {"full screen", "KESTREL_ANSWER=yes", framesReach(40)},
      // Esc held skips the story; the menu slides in.
      {"the menu", "KESTREL_ANSWER=no",
       [](RealGame& game) {
         if (!game.FindWindow("Morlo v3.0")) return false;
         FramePacedPlayer player(game);
         player.Hold("Escape", 120);
         return !player.Ended();
       }},
      // "Novo Jogo", then Enter on the stage's picture: the hero walks.
      {"a stage", "KESTREL_ANSWER=no",
       [](RealGame& game) {
         if (!game.FindWindow("Morlo v3.0")) return false;
         FramePacedPlayer player(game);
         player.Hold("Escape", 120);
         player.Click(kNewGameX, kNewGameY);
         player.Wait(30);
         player.Hold("Return", 6);
         game.KeyDown("Right");
         return player.Wait(60);
       }},
      {"the start-up question", "",
       [](RealGame& game) { return WaitUntil([&] { return WindowTitled(game.Display(), "Do you want...") != 0; }); }},
      // A data.kpk cut short: the report is shown in a box, and the server ends then.
      {"an error message", "KESTREL_ANSWER=no",
       [](RealGame& game) {
         // The box bears the window's caption: two windows of that name.
         return WaitUntil([&] { return !ReadText("err.txt").empty(); }) &&
                WaitUntil([&] { return WindowsTitled(game.Display(), "Morlo v3.0").size() >= 2; });
       }},
  };
  for (const Phase& phase : phases) {
    SCOPED_TRACE(phase.name);
    for (const char* old : {"frames.log", "data.kpk", "out.txt", "err.txt"}) fs::remove(old);
    const bool cut = std::string(phase.name) == "an error message";
    if (cut) WriteDataCutShort(kGeneratedData, "data.kpk");
    Xvfb server;
    ASSERT_TRUE(server.Start());
    RealGame game(server.Display(), GameCommand(scratch_, phase.settings));
    ASSERT_TRUE(game.Started());
    ASSERT_TRUE(phase.reach(game)) << "never reached: " << ReadText("err.txt");
    const std::string before = ReadText("err.txt");
    server.Stop();
    // At once: a game that waits on the dead connection never ends.
    // -2 would be an end by a signal: a write to the dead socket, say.
    EXPECT_EQ(game.Wait(20), 1);
    const std::string said = ReadText("err.txt");
    ASSERT_TRUE(said.starts_with(before)) << said;
    if (std::string(phase.name) == "the start-up question")
      // Before the game's own window: no answer, and no display to open one on.
      EXPECT_EQ(said.substr(before.size()),
                "No display could be opened: start the game from a graphical desktop (the X display \"" +
                    server.Display() +
                    "\" could not be opened, and WAYLAND_DISPLAY is unset).\n"
                    "[TSelfExKestrel]CreateWindowEx -> Error creating window...\n");
    else
      EXPECT_EQ(said.substr(before.size()),
                "The display \"" + server.Display() + "\" went away; the game cannot go on.\n");
    EXPECT_EQ(ReadText("out.txt"), "");
    EXPECT_TRUE(fs::is_empty(scratch_.Tmp())) << "a scratch folder is left";
  }
}

}  // namespace
}  // namespace kestrel::testing
