// A session played by hand in a real window, recorded, and played again on the
// headless backend: every frame the player saw comes out the same.
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../support/frame_paced_player.h"
#include "../support/real_game.h"
#include "../support/xvfb.h"
#include "flow_fixture.h"

namespace kestrel::testing {
namespace {

bool Installed(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Window coordinates of menu elements' middles: the picture is doubled.
constexpr int kNewGameX = 2 * 76, kNewGameY = 2 * 137;
constexpr int kOptionsX = 2 * 134, kOptionsY = 2 * 137;
constexpr int kOptionsQuitX = 2 * 294, kOptionsQuitY = 2 * 138;
constexpr int kQuitX = 2 * 265, kQuitY = 2 * 137;

TEST_F(Program, ARecordedSessionPlaysAgainHeadlessFrameForFrame) {
  if (!Installed("Xvfb") || !Installed("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
  Xvfb server;
  if (!server.Start()) GTEST_SKIP() << "Xvfb could not be started";
  const std::string game = std::string(KESTREL_BINARY_DIR) + "/morlo3/morlo3";
  {
    RealGame real(server.Display(),
                  "env ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy KESTREL_ANSWER=no "
                  "KESTREL_RECORD=session.input KESTREL_FRAMELOG=real.log " +
                      game + " >real.txt 2>&1");
    ASSERT_TRUE(real.Started());
    ASSERT_TRUE(real.FindWindow("Morlo v3.0"));
    FramePacedPlayer player(real, server.Display(), "real.log");
    // Skip the story (Esc is read once loading is over), visit the options
    // page and come back; the menu's elements take two seconds to slide in.
    real.KeyDown("Escape");
    ASSERT_TRUE(player.Wait(360));
    player.Click(kOptionsX, kOptionsY);
    player.Wait(150);
    player.Click(kOptionsQuitX, kOptionsQuitY);
    player.Wait(150);
    real.KeyUp("Escape");
    // "Novo Jogo"; the picture before stage 1 waits for Enter.
    player.Click(kNewGameX, kNewGameY);
    player.Wait(30);
    player.Hold("Return", 8);
    player.Wait(30);
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
    for (int i = 0; i < 10 && !player.Ended(); ++i) {
      player.Click(kQuitX, kQuitY);
      player.Wait(60);
    }
    ASSERT_EQ(player.ExitCode(), 0) << Text("real.txt") << player.Frames() << " frames, input:\n"
                                    << Text("session.input");
  }

  const std::vector<std::string> script = Lines("session.input");
  const std::string all = Text("session.input");
  ASSERT_NE(all.find("KESTREL_ANSWER=no KESTREL_DEPTH=32"), std::string::npos) << all;
  for (const char* event : {" key 1 down", " key 205 down", " key 200 up", " key 29 down", " key 203 up",
                            " button left down", " button left up", " mouse "})
    EXPECT_NE(all.find(event), std::string::npos) << event << " in\n" << all;

  const std::vector<std::string> real = Lines("real.log");
  ASSERT_GT(real.size(), 600u);
  const int replayed = std::system(("env KESTREL_PLATFORM=headless KESTREL_ANSWER=no KESTREL_INPUT=session.input "
                                    "KESTREL_FRAMELOG=replay.log KESTREL_MAX_FRAMES=" +
                                    std::to_string(real.size() + 600) + " " + game + " >replay.txt 2>&1")
                                       .c_str());
  ASSERT_TRUE(WIFEXITED(replayed)) << Text("replay.txt");
  EXPECT_EQ(WEXITSTATUS(replayed), 0) << Text("replay.txt");
  const std::vector<std::string> replay = Lines("replay.log");
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

}  // namespace
}  // namespace kestrel::testing
