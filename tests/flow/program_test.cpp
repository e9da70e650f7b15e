// The whole program in-process on the headless backend with the generated
// data.kpk: start-up hands over to the story and the menu, and a closed
// window ends every loop cleanly. Also the pace of the real display.
#include <chrono>

#include "../support/frame_paced_player.h"
#include "../support/scoped_env.h"
#include "flow_fixture.h"
#include "kestrel/platform/sdl/sdl_display.h"
#include "morlo3/startup.h"

namespace kestrel::testing {
namespace {

using morlo3::kKeyEsc;

// Loading presents 24 frames; the story's first frame is frame 25.
constexpr uint64_t kLoadingFrames = 24;

TEST_F(Program, StartUpPlaysTheStoryThenTheMenuUntilSair) {
  auto& d = InstallWatching();
  morlo3::GameState game;
  ScriptedPlayer player(d, game);
  uint64_t menuStart = 0;
  // The whole story, left alone, then the menu's first frames.
  player.Then([&](uint64_t frame) {
    if (game.MenuItems[0].X == 0) return false;
    menuStart = frame;
    EXPECT_EQ(game.MenuItems[0].X, -98);
    EXPECT_EQ(game.MenuPage, 1);
    return true;
  });
  player.Click(4);
  EXPECT_EQ(Play(game), 0);
  EXPECT_TRUE(player.Finished());
  EXPECT_EQ(menuStart, kLoadingFrames + 4283 + 1);
  ExpectCleanEnd(d, "after Sair");
}

TEST_F(Program, AClosedWindowEndsTheStoryAndTheMenuCleanly) {
  // Frames after which the window closes: loading's end, early and late in
  // the story, and in the menu (Esc skips the story after frame 100).
  for (uint64_t closeAt : {kLoadingFrames, kLoadingFrames + 1, uint64_t(2000), uint64_t(4300)}) {
    auto& d = InstallWatching();
    morlo3::GameState game;
    d.QueueEvents({platform::ScriptEvent{closeAt, platform::ScriptEvent::Type::Close}});
    EXPECT_EQ(Play(game), 0) << "close after frame " << closeAt;
    EXPECT_EQ(d.frames, closeAt + 1) << "the next frame's pump sees it";
    ExpectCleanEnd(d, "story, close after " + std::to_string(closeAt));
  }
  for (int menuFrame : {1, 2, 60, 300}) {
    auto& d = InstallWatching();
    morlo3::GameState game;
    ScriptedPlayer player(d, game);
    uint64_t closedAfter = 0;
    player.Wait(100).Key(kKeyEsc, true).Wait(menuFrame).Do([&] {
      closedAfter = d.frames;
      d.RequestClose();
    });
    EXPECT_EQ(Play(game), 0);
    EXPECT_EQ(d.frames, closedAfter + 1);
    ExpectCleanEnd(d, "menu frame " + std::to_string(menuFrame));
  }
}

// ---- a real window ----

TEST_F(Program, ARealWindowPlaysWithRealKeysAndClicks) {
  ASSERT_TRUE(Installed({"Xvfb", "xdotool"}));
  Xvfb server;
  ASSERT_TRUE(server.Start()) << "Xvfb could not be started";
  // SDL's X11 libraries keep allocations the leak check cannot name.
  RealGame real(server.Display(),
                GameCommand(scratch_, "ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy KESTREL_ANSWER=no"));
  ASSERT_TRUE(real.Started());
  ASSERT_TRUE(real.FindWindow("Morlo v3.0"));
  FramePacedPlayer player(real);
  ASSERT_TRUE(player.PlayIntoStageOne()) << ReadText("err.txt");
  // Walk right for a second of frames, then end the game with Esc.
  player.Hold("Right", 60);
  player.Hold("Escape", 8);
  ASSERT_TRUE(player.Wait(150)) << "still running in the menu";
  EXPECT_EQ(player.ClickUntilEnded(kQuitX, kQuitY), 0) << ReadText("err.txt");
  EXPECT_TRUE(scratch_.NothingLeft());
  EXPECT_FALSE(std::filesystem::exists(kErrorLogName));
}

// ---- the pace ----

TEST(Pace, TheRateSetThroughTheEngineDrivesTheRealDisplaysClock) {
  ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
  ScopedEnv answer("KESTREL_ANSWER", "no");
  platform::ResetPlatform();
  ResetEngine();
  platform::InstallDisplay(platform::CreateSdlDisplay());
  {
    TSelfExKestrel context(640, 400, "pace", 256);
    TBuffer64 screen(context, 320, 200, false);
    // Milliseconds that 34 presented frames take.
    auto time34 = [&] {
      screen.Present(true);  // the clock starts counting from a new rate here
      const auto start = std::chrono::steady_clock::now();
      for (int i = 0; i < 34; ++i) screen.Present(true);
      return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    EXPECT_EQ(platform::GetDisplay().FrameRate(), 60);
    context.SetFrameRate(85);
    EXPECT_EQ(platform::GetDisplay().FrameRate(), 85);
    // 400 ms at 85 frames a second; 567 ms at 60. A clock never runs early,
    // so only lower limits hold on any machine (a busy one makes any run
    // later); the deadlines at each rate are checked with a made-up clock in
    // the engine's tests.
    EXPECT_GT(time34(), 385.0);
    context.SetFrameRate(60);
    EXPECT_GT(time34(), 550.0);
    // A rate outside what a display can do is kept within 1 to 1000.
    context.SetFrameRate(0);
    EXPECT_EQ(platform::GetDisplay().FrameRate(), 1);
    context.SetFrameRate(100000);
    EXPECT_EQ(platform::GetDisplay().FrameRate(), 1000);
  }
  platform::ResetPlatform();
  ResetEngine();
}

}  // namespace
}  // namespace kestrel::testing
