// The game flow on the headless backend: a game state with the real sheets on
// a display that lets a test look at (and act on) every presented frame, and
// a small scripted player that moves the mouse, presses keys and buttons and
// closes the window frame by frame, as a person would.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../support/game_fixture.h"
#include "kestrel/error.h"
#include "morlo3/game_state.h"
#include "morlo3/stage_table.h"
#include "morlo3/startup.h"

namespace kestrel::testing {

// Calls back after every frame that reaches the pretend screen.
class WatchingDisplay : public platform::HeadlessDisplay {
 public:
  using HeadlessDisplay::HeadlessDisplay;
  void ShowFrame(const platform::Surface& picture, const platform::Rect& area) override {
    HeadlessDisplay::ShowFrame(picture, area);
    ++frames;
    if (onFrame) onFrame(frames);
  }
  uint64_t frames = 0;
  std::function<void(uint64_t)> onFrame;
};

// What a person does, one step at a time; each step runs after a presented
// frame and says whether it is finished, so the next one starts after the
// next frame.
class ScriptedPlayer {
 public:
  using Step = std::function<bool(uint64_t frame)>;
  ScriptedPlayer(WatchingDisplay& d, const morlo3::GameState& g) : d_(d), g_(g) {
    d_.onFrame = [this](uint64_t frame) { OnFrame(frame); };
  }
  ~ScriptedPlayer() { d_.onFrame = nullptr; }

  ScriptedPlayer& Then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
  }
  // Instant actions finish in the frame they run in.
  ScriptedPlayer& Do(std::function<void()> action) {
    return Then([action](uint64_t) {
      action();
      return true;
    });
  }
  ScriptedPlayer& Wait(int frames) {
    auto left = std::make_shared<int>(frames);
    return Then([left](uint64_t) { return --*left <= 0; });
  }
  ScriptedPlayer& WaitUntil(std::function<bool()> ready) {
    return Then([ready](uint64_t) { return ready(); });
  }
  ScriptedPlayer& Key(int code, bool down) {
    return Do([this, code, down] { d_.Input().keys[size_t(code)] = down ? 0x80 : 0; });
  }
  // Moves the pointer to a point of the 320 x 200 picture (doubled in the window).
  ScriptedPlayer& PointAt(int32_t x, int32_t y) {
    return Do([this, x, y] { d_.Input().mouse = {x * Scale(), y * Scale()}; });
  }
  // The middle of a menu element's hit box, where it is now.
  ScriptedPlayer& PointAtElement(int element) {
    return Do([this, element] {
      const morlo3::MenuItem& m = g_.MenuItems[size_t(element)];
      d_.Input().mouse = {(m.X + m.Right) / 2 * Scale(), (m.Y + m.Bottom) / 2 * Scale()};
    });
  }
  ScriptedPlayer& Button(bool down) {
    return Do([this, down] { d_.Input().buttonEvents.push_back({0, down}); });
  }
  // Points at an element once it has come to rest, and holds the button for
  // `frames` frames.
  ScriptedPlayer& Click(int element, int frames = 1) {
    WaitUntil([this, element] {
      const morlo3::MenuItem& m = g_.MenuItems[size_t(element)];
      const int32_t tx = m.Shown ? m.ShownX : m.HiddenX, ty = m.Shown ? m.ShownY : m.HiddenY;
      return std::abs(m.X - tx) <= 1 && std::abs(m.Y - ty) <= 1;
    });
    PointAtElement(element).Button(true);
    if (frames > 1) Wait(frames - 1);
    return Button(false);
  }
  ScriptedPlayer& Close() {
    return Do([this] { d_.RequestClose(); });
  }
  bool Finished() const { return steps_.empty(); }

 private:
  int Scale() const { return g_.FullScreen ? 1 : 2; }
  void OnFrame(uint64_t frame) {
    if (!steps_.empty() && steps_.front()(frame)) steps_.pop_front();
  }
  WatchingDisplay& d_;
  const morlo3::GameState& g_;
  std::deque<Step> steps_;
};

// A game state with Screen, the three sheets, input and sounds, on a
// watching display.
class FlowTest : public GameTest {
 protected:
  void SetUp() override {
    SetUpGame(32);
    LoadSheets();
  }
  platform::HeadlessDisplay& InstallGameDisplay(int depth) override {
    platform::HeadlessOptions o;
    o.desktopDepth = depth;
    // However a script goes wrong, the window closes in the end.
    o.maxFrames = 30000;
    auto d = std::make_unique<WatchingDisplay>(std::move(o));
    watch_ = d.get();
    platform::InstallDisplay(std::move(d));
    ResetEngine();
    return *watch_;
  }

  WatchingDisplay& Watch() { return *watch_; }

  // Runs a routine that may end the program; the exit code, or -1 when it
  // returned.
  template <typename F>
  int ExitCodeOf(F body) {
    try {
      body();
    } catch (const ProgramExit& e) {
      return e.Code();
    }
    return -1;
  }

  // A blank 320 x 200 picture with Screen's font, to draw what a frame
  // should hold.
  std::unique_ptr<TBuffer64> Blank() {
    auto b = std::make_unique<TBuffer64>(*g.Display, 320, 200, false);
    b->SetFont("Times New Roman", 15);
    b->Clear(0);
    return b;
  }

  // Whether Screen holds exactly the same pixels as `want`.
  bool ScreenIs(const TBuffer64& want) const {
    for (int32_t y = 0; y < 200; ++y)
      if (std::memcmp(g.Screen->Rows[size_t(y)], want.Rows[size_t(y)], size_t(320) * want.BytesPerPixel) != 0)
        return false;
    return true;
  }

  // The pixels where Screen and `other` differ, as a bounding box; an empty
  // box (right < left) when they agree.
  struct Box {
    int32_t left = 320, top = 200, right = -1, bottom = -1;
    bool Empty() const { return right < left; }
  };
  static Box Difference(const TBuffer64& a, const TBuffer64& b) {
    Box box;
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 320; ++x)
        if (a.GetPixel(x, y) != b.GetPixel(x, y)) {
          box.left = std::min(box.left, x);
          box.right = std::max(box.right, x);
          box.top = std::min(box.top, y);
          box.bottom = std::max(box.bottom, y);
        }
    return box;
  }
  std::unique_ptr<TBuffer64> CopyOfScreen() {
    auto b = Blank();
    g.Screen->Draw(*b, 0, 0);
    return b;
  }

  // Whether any pixel of (x1, y1)-(x2, y2) on Screen has this colour.
  bool ScreenHasColour(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) const {
    for (int32_t y = y1; y <= y2; ++y)
      for (int32_t x = x1; x <= x2; ++x)
        if (g.Screen->GetPixel(x, y) == colour) return true;
    return false;
  }

  WatchingDisplay* watch_ = nullptr;
};

// The whole program on a game state the test can watch, in a scratch
// directory holding the generated data.kpk.
class Program : public HeadlessTest {
 protected:
  void SetUp() override { std::filesystem::create_symlink(kGeneratedData, scratch_.Path() / "data.kpk"); }
  WatchingDisplay& InstallWatching() {
    platform::HeadlessOptions o;
    o.maxFrames = 100000;  // however a script goes wrong, the run ends
    auto d = std::make_unique<WatchingDisplay>(std::move(o));
    WatchingDisplay& ref = *d;
    platform::InstallDisplay(std::move(d));
    ResetEngine();
    return ref;
  }
  // Runs the program on `game` and returns its exit code.
  int Play(morlo3::GameState& game) {
    try {
      morlo3::Run(game);
    } catch (const ProgramExit& e) {
      return e.Code();
    } catch (const EngineError& e) {
      ADD_FAILURE() << e.what();
      return -1;
    }
    return -1;
  }
  void ExpectCleanEnd(const WatchingDisplay& d, const std::string& where) {
    EXPECT_TRUE(scratch_.NothingLeft()) << where;
    EXPECT_FALSE(std::filesystem::exists(kErrorLogName)) << where;
    EXPECT_FALSE(d.WindowOpen()) << where;
  }
};

// A program run with a scripted player on a fresh game state, and the route
// the scripts take through the game.
class ScriptedRun : public Program {
 protected:
  void SetUp() override {
    Program::SetUp();
    Fresh();
  }
  void TearDown() override {
    player.reset();
    Program::TearDown();
  }
  // A new program run on a new display, with an empty script.
  void Fresh() {
    player.reset();
    game = morlo3::GameState{};
    d = &InstallWatching();
    player = std::make_unique<ScriptedPlayer>(*d, game);
  }

  // The first frame of stage k: its set-up has put the player back at x 10.
  bool InStage(int32_t k) const {
    return game.GameRunning == 1 && game.StageNumber == k && game.StageScene && game.PlayerX < 100;
  }
  void SkipStory() {
    player->Key(morlo3::kKeyEsc, true)
        .WaitUntil([this] { return game.MenuItems[0].X != 0; })
        .Key(morlo3::kKeyEsc, false);
  }
  // Enter on the picture before stage k, until the stage runs.
  void PassPicture(int32_t k) {
    player->Key(morlo3::kKeyEnter, true).WaitUntil([this, k] { return InStage(k); }).Key(morlo3::kKeyEnter, false);
  }
  void NewGame() {
    player->Click(1);
    PassPicture(1);
  }
  // Puts the player past stage k's exit once the stage runs.
  void Leave(int32_t k) {
    player->WaitUntil([this, k] { return InStage(k); }).Do([this, k] {
      game.PlayerX = morlo3::kStages[size_t(k - 1)].ExitX + 1;
    });
    if (k == 4) PassPicture(5);
  }

  morlo3::GameState game;
  WatchingDisplay* d = nullptr;
  std::unique_ptr<ScriptedPlayer> player;
};

}  // namespace kestrel::testing
