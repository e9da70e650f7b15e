// A session played by hand in a real window, recorded, and played again on the
// headless backend: every frame the player saw comes out the same.
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

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
    // Skip the story, visit the options page and come back, start a game.
    real.KeyDown("Escape");
    RealGame::Sleep(5000);
    real.Click(kOptionsX, kOptionsY);
    RealGame::Sleep(2500);
    real.Click(kOptionsQuitX, kOptionsQuitY);
    RealGame::Sleep(2500);
    real.KeyUp("Escape");
    real.Click(kNewGameX, kNewGameY);
    RealGame::Sleep(500);
    real.Key("Return");
    RealGame::Sleep(500);
    // Walk, jump, shoot, with the pointer wandering over the window.
    real.KeyDown("Right");
    RealGame::Sleep(700);
    real.Key("Up", 300);
    real.MoveTo(100, 300);
    real.Key("ctrl", 150);
    RealGame::Sleep(300);
    real.KeyUp("Right");
    real.Key("Left", 400);
    real.Key("ctrl", 150);
    real.Key("Escape");
    RealGame::Sleep(500);
    EXPECT_EQ(real.Wait(0), -1) << "still running in the menu";
    ASSERT_EQ(real.ClickUntilExit(kQuitX, kQuitY), 0) << Text("real.txt");
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
