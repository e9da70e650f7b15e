// A session played by hand in a real window, recorded, and played again on the
// headless backend: every frame the player saw comes out the same.
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "../support/frame_paced_player.h"
#include "flow_fixture.h"

namespace kestrel::testing {
namespace {

// The frame the picture before stage 1 shows, as the headless game draws it:
// "Novo Jogo" clicked once the menu is in.
std::string StagePictureHash() {
  std::ofstream("picture.input") << "120 key 1 down\n121 key 1 up\n300 mouse 152 274\n300 button left down\n"
                                    "301 button left up\n";
  const int code = RunProcess(
      "env KESTREL_PLATFORM=headless KESTREL_ANSWER=no KESTREL_INPUT=picture.input "
      "KESTREL_FRAMELOG=picture.log KESTREL_MAX_FRAMES=340 " +
      kGame + " >picture.txt 2>&1");
  const std::vector<std::string> log = FrameHashes("picture.log");
  return code == 0 && !log.empty() ? log.back() : "";
}

// In a real window: the keyboard walks the menu into a game, losing the
// focus pauses the stage and P resumes it, and a click whose press and
// release come together (a touchpad's tap) starts a game. Everything waits
// on the frames the game logs, with a bound in frames.
TEST_F(Program, ARealWindowIsWalkedByKeysPausedByFocusAndTapped) {
  ASSERT_TRUE(Installed({"Xvfb", "xdotool", "xmessage"}));
  Xvfb server;
  ASSERT_TRUE(server.Start()) << "Xvfb could not be started";
  const std::string picture = StagePictureHash();
  ASSERT_FALSE(picture.empty()) << ReadText("picture.txt");
  RealGame real(server.Display(),
                GameCommand(scratch_, "ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy KESTREL_ANSWER=no"));
  ASSERT_TRUE(real.Started());
  ASSERT_TRUE(real.FindWindow("Morlo v3.0"));
  FramePacedPlayer player(real);
  // The same frame shown `n` times in a row: the stage stands still.
  auto still = [&](size_t n) {
    const std::vector<std::string> log = player.Hashes();
    if (log.size() < n) return false;
    for (size_t i = log.size() - n; i < log.size(); ++i)
      if (log[i] != log.back()) return false;
    return true;
  };

  real.KeyDown("Escape");
  ASSERT_TRUE(player.Wait(200));
  real.KeyUp("Escape");
  real.MoveTo(600, 20);
  ASSERT_TRUE(player.Wait(10));
  // From "Novo Jogo" left round the row and back to it, then Enter: only
  // arrows that move the highlight lead into the game.
  for (int i = 0; i < 5; ++i) {
    player.Xdo("key Left");
    ASSERT_TRUE(player.Wait(4));
  }
  player.Xdo("key Return");
  ASSERT_TRUE(player.WaitFor(300, [&] { return player.LastHash() == picture; })) << "the keys did not start a game";
  player.Xdo("key KP_Enter");
  ASSERT_TRUE(player.WaitFor(300, [&] { return player.LastHash() != picture; }))
      << "keypad Enter did not end the picture";
  ASSERT_TRUE(player.Wait(30));
  ASSERT_FALSE(still(10)) << "the stage moves";

  // Another window takes the focus: the stage stands still until P.
  RealGame other(server.Display(), "xmessage -geometry +0+0 other >/dev/null 2>&1");
  ASSERT_TRUE(other.FindWindow("xmessage"));
  ASSERT_TRUE(player.WaitFor(300, [&] { return still(30); })) << "losing the focus did not pause";
  player.Xdo("windowfocus --sync " + real.Window());
  player.Xdo("key p");
  ASSERT_TRUE(player.WaitFor(300, [&] { return !still(2); })) << "P did not resume";

  // Esc ends the game; a press and release in one go on "Novo Jogo" starts
  // the next.
  player.Xdo("key Escape");
  ASSERT_TRUE(player.Wait(30));
  real.MoveTo(kNewGameX, kNewGameY);
  ASSERT_TRUE(player.Wait(3));
  player.Xdo("click 1");
  EXPECT_TRUE(player.WaitFor(300, [&] { return player.LastHash() == picture; })) << "the tap was lost";
}

TEST_F(Program, ARecordedSessionPlaysAgainHeadlessFrameForFrame) {
  ASSERT_TRUE(Installed({"Xvfb", "xdotool"}));
  Xvfb server;
  ASSERT_TRUE(server.Start()) << "Xvfb could not be started";
  {
    RealGame real(server.Display(), GameCommand(scratch_,
                                                "ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy KESTREL_ANSWER=no "
                                                "KESTREL_RECORD=session.input"));
    ASSERT_TRUE(real.Started());
    ASSERT_TRUE(real.FindWindow("Morlo v3.0"));
    FramePacedPlayer player(real);
    // Skip the story, visit the options page and come back, then "Novo Jogo"
    // and Enter on the picture before stage 1.
    ASSERT_TRUE(player.PlayIntoStageOne()) << ReadText("err.txt");
    // Walk, jump, shoot, with the pointer wandering over the window.
    real.KeyDown("Right");
    player.Wait(40);
    player.Hold("Up", 15);
    real.MoveTo(100, 300);
    player.Hold("ctrl", 8);
    player.Wait(20);
    real.KeyUp("Right");
    player.Hold("Left", 25);
    player.Hold("ctrl", 8);
    // Esc ends the game; then "Sair".
    player.Hold("Escape", 8);
    ASSERT_TRUE(player.Wait(150)) << "ended before Sair";
    ASSERT_EQ(player.ClickUntilEnded(kQuitX, kQuitY), 0)
        << ReadText("out.txt") << ReadText("err.txt") << player.Frames() << " frames, input:\n"
        << ReadText("session.input");
  }

  const std::string all = ReadText("session.input");
  ASSERT_NE(all.find("KESTREL_ANSWER=no KESTREL_DEPTH=32"), std::string::npos) << all;
  for (const char* event : {" key 1 down", " key 205 down", " key 200 up", " key 29 down", " key 203 up",
                            " button left down", " button left up", " mouse "})
    EXPECT_NE(all.find(event), std::string::npos) << event << " in\n" << all;

  const std::vector<std::string> real = ReadLines("frames.log");
  ASSERT_GT(real.size(), 600u);
  EXPECT_EQ(RunProcess("env KESTREL_PLATFORM=headless KESTREL_ANSWER=no KESTREL_INPUT=session.input "
                       "KESTREL_FRAMELOG=replay.log KESTREL_MAX_FRAMES=" +
                       std::to_string(real.size() + 600) + " " + kGame + " >replay.txt 2>&1"),
            0)
      << ReadText("replay.txt");
  const std::vector<std::string> replay = ReadLines("replay.log");
  EXPECT_EQ(replay.size(), real.size());
  size_t firstDifference = 0;
  while (firstDifference < real.size() && firstDifference < replay.size() &&
         real[firstDifference] == replay[firstDifference])
    ++firstDifference;
  EXPECT_EQ(firstDifference, real.size()) << "first differing frame line " << firstDifference;
  // The frames really changed: the menu, the page, the stage all went by.
  std::set<std::string> hashes;
  for (const std::string& line : real) hashes.insert(line.substr(line.find(' ')));
  EXPECT_GT(hashes.size(), 300u);
  EXPECT_FALSE(std::filesystem::exists(kErrorLogName));
}

// The real window plays a script (KESTREL_INPUT) frame for frame as the
// headless game does, and leaves the player's own keys and clicks aside:
// the page plays its saved replays this way.
TEST_F(Program, ARealWindowPlaysAScriptAsTheHeadlessGameDoes) {
  ASSERT_TRUE(Installed({"Xvfb", "xdotool"}));
  // Esc skips the story; "Novo Jogo"; Enter passes the picture; a walk, on
  // D, which the script binds to the right as its recording had it; the
  // focus goes (a pause) and P resumes; the window is closed.
  std::ofstream("play.input") << "bind right 32\n120 key 1 down\n121 key 1 up\n300 mouse 152 274\n"
                                 "300 button left down\n301 button left up\n330 key 28 down\n332 key 28 up\n"
                                 "340 key 32 down\n380 key 32 up\n390 focus lost\n420 key 25 down\n421 key 25 up\n"
                                 "460 close\n";
  ASSERT_EQ(RunProcess("env KESTREL_PLATFORM=headless KESTREL_ANSWER=no KESTREL_INPUT=play.input "
                       "KESTREL_FRAMELOG=headless.log KESTREL_MAX_FRAMES=2000 " +
                       kGame + " >headless.txt 2>&1"),
            0)
      << ReadText("headless.txt");

  Xvfb server;
  ASSERT_TRUE(server.Start()) << "Xvfb could not be started";
  RealGame real(server.Display(), GameCommand(scratch_,
                                              "ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy KESTREL_ANSWER=no "
                                              "KESTREL_INPUT=play.input"));
  ASSERT_TRUE(real.Started());
  ASSERT_TRUE(real.FindWindow("Morlo v3.0"));
  FramePacedPlayer player(real);
  // What the player does meanwhile counts for nothing: Enter would turn the
  // story's pages, the click would open the options page.
  player.Reach(30);
  player.Hold("Return", 40);
  player.Reach(250);
  player.Click(kOptionsX, kOptionsY);
  player.Hold("Left", 100);
  for (int i = 0; i < 20 && !player.Ended(); ++i) player.Wait(60);
  ASSERT_EQ(player.ExitCode(), 0) << ReadText("err.txt");
  const std::vector<std::string> expected = ReadLines("headless.log"), shown = ReadLines("frames.log");
  ASSERT_GT(expected.size(), 460u);
  EXPECT_EQ(shown, expected);
}

}  // namespace
}  // namespace kestrel::testing
