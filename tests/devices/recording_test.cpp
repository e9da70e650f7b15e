// Recording on the real display (SDL's dummy video driver, events pushed into
// SDL's queue): input waits for the next frame, the script says the frame the
// game saw it at, and the script played on the headless backend gives the
// game the same reads. Also the frame log's hash against the headless one.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "../support/bindings.h"
#include "../support/headless_fixture.h"
#include "../support/scoped_env.h"
#include "../support/virtual_pad.h"
#include "kestrel/buffer64.h"
#include "kestrel/input64.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/sdl/sdl_display.h"
#include "kestrel/platform/sdl/sdl_record.h"

namespace kestrel::testing {
namespace {

using platform::SdlDisplay;

// The script's event lines, without the comments.
std::vector<std::string> EventLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(ReadText(path));
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  return lines;
}

// A small game loop that reads everything a game can read twice a frame:
// after its message pump, and again after a poll in the middle of the frame.
// `midFrame` runs just before that poll. Returns every read, in order.
std::vector<std::string> PlayLoop(TKestrel& ctx, int frames, const std::function<void(int)>& midFrame) {
  TBuffer64 screen(ctx, 320, 200, false);
  TInput64 input(ctx.Handle);
  std::vector<std::string> reads;
  auto read = [&](int frame, const char* when) {
    bool left, middle, right;
    input.MouseButtons(left, middle, right);
    std::ostringstream s;
    s << "frame " << frame << ' ' << when << ": keys";
    for (int key : {0x1D, 0xC8, 0xCB, 0xCD}) s << ' ' << input.KeyDown(key);
    s << " pointer " << input.MouseX() << ',' << input.MouseY() << " buttons " << left << middle << right;
    reads.push_back(s.str());
  };
  for (int frame = 0; frame < frames; ++frame) {
    if (!ctx.PumpMessage()) {
      reads.push_back("closed at frame " + std::to_string(frame));
      break;
    }
    read(frame, "start");
    midFrame(frame);
    platform::GetDisplay().PollEvents();
    read(frame, "middle");
    screen.Clear(MakeColor(uint8_t(frame * 20), 40, 90));
    screen.Present(true);
  }
  return reads;
}

class RecordingTest : public HeadlessTest {
 protected:
  void SetUp() override {
    driver_.emplace("SDL_VIDEODRIVER", "dummy");
    record_.emplace("KESTREL_RECORD", Recording());
  }
  void TearDown() override {
    context_.reset();
    HeadlessTest::TearDown();
    record_.reset();
    driver_.reset();
  }
  std::string Recording() const { return (scratch_.Path() / "session.input").string(); }

  SdlDisplay& StartSdl() {
    platform::ResetPlatform();
    ResetEngine();
    platform::InstallDisplay(platform::CreateSdlDisplay());
    context_ = std::make_unique<TSelfExKestrel>(640, 400, "recording", 256);
    // A fast clock: the test needs frames, not their pace.
    context_->SetFrameRate(1000);
    auto* sdl = dynamic_cast<SdlDisplay*>(&platform::GetDisplay());
    EXPECT_NE(sdl, nullptr);
    return *sdl;
  }
  // The same loop on the headless backend, fed the recording; `before`
  // runs once the headless display is there.
  std::vector<std::string> Replay(int frames, const std::function<void()>& before = {}) {
    context_.reset();
    record_.reset();
    platform::HeadlessOptions o;
    o.inputScript = Recording();
    Install(o);
    if (before) before();
    context_ = std::make_unique<TSelfExKestrel>(640, 400, "replay", 256);
    return PlayLoop(*context_, frames, [](int) {});
  }

  static void Push(SDL_Event e) { SDL_PushEvent(&e); }
  static void Key(SDL_Scancode code, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = code;
    Push(e);
  }
  // The system's repeat of a held key.
  static void Repeat(SDL_Scancode code) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = code;
    e.key.repeat = 1;
    Push(e);
  }
  static void Button(uint8_t button, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    Push(e);
  }
  static void Window(SdlDisplay& d, SDL_WindowEventID what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(d.Window());
    e.window.event = uint8_t(what);
    Push(e);
  }

  std::optional<ScopedEnv> driver_, record_;
  std::unique_ptr<TSelfExKestrel> context_;
};

TEST_F(RecordingTest, InputWaitsForTheNextFrameAndReplaysToTheSameReads) {
  SdlDisplay& d = StartSdl();
  SDL_Window* w = d.Window();
  ASSERT_NE(w, nullptr);
  // Each frame's events arrive in the middle of that frame.
  const auto recorded = PlayLoop(*context_, 12, [&](int frame) {
    switch (frame) {
      case 2:
        SDL_WarpMouseInWindow(w, 101, 57);
        Key(SDL_SCANCODE_RIGHT, true);
        Key(SDL_SCANCODE_LCTRL, true);
        break;
      case 3:
        Button(SDL_BUTTON_LEFT, true);
        Button(SDL_BUTTON_X1, true);
        Key(SDL_SCANCODE_LCTRL, false);
        // Held and let go within one frame: the first read of the next frame
        // sees it held, and the recording keeps it.
        Key(SDL_SCANCODE_UP, true);
        Key(SDL_SCANCODE_UP, false);
        break;
      case 4:
        Button(SDL_BUTTON_LEFT, false);
        Button(SDL_BUTTON_RIGHT, true);
        SDL_WarpMouseInWindow(w, 600, 390);
        break;
      case 6:
        // The keys held when the focus goes are let go with it.
        Window(d, SDL_WINDOWEVENT_FOCUS_LOST);
        break;
      case 7: Key(SDL_SCANCODE_LEFT, true); break;
      case 8:
        // A repeat of the held key, then the key let go, in one frame: no
        // new press, only the release.
        Repeat(SDL_SCANCODE_LEFT);
        Key(SDL_SCANCODE_LEFT, false);
        break;
      case 9: {
        // The close box brings a window event and a quit: one close.
        Window(d, SDL_WINDOWEVENT_CLOSE);
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        Push(quit);
        break;
      }
    }
  });

  // The reads in the middle of a frame see nothing new, and a tap counts
  // for its first read only.
  ASSERT_GE(recorded.size(), 10u);
  EXPECT_EQ(recorded[8].substr(0, 29), "frame 4 start: keys 0 1 0 1 p");
  EXPECT_EQ(recorded[9].substr(0, 30), "frame 4 middle: keys 0 0 0 1 p");
  for (size_t i = 0; i + 1 < recorded.size(); i += 2) {
    if (i == 8) continue;
    const std::string start = recorded[i].substr(recorded[i].find(':'));
    const std::string middle = recorded[i + 1].substr(recorded[i + 1].find(':'));
    EXPECT_EQ(start, middle) << recorded[i];
  }
  ASSERT_GE(recorded.size(), 8u);
  EXPECT_EQ(recorded[5].substr(0, 33), "frame 2 middle: keys 0 0 0 0 poin");
  EXPECT_EQ(recorded[6].substr(0, 32), "frame 3 start: keys 1 0 0 1 poin");
  EXPECT_EQ(recorded.back(), "closed at frame 11");

  // The second presented frame is the one after loop frame 0, so loop frame
  // F's events carry frame F + 1. The pointer is written where it moved
  // (the dummy driver's pointer has no fixed place to start from).
  context_.reset();
  platform::ResetPlatform();
  // The bindings it was played with come first.
  const std::vector<std::string> want = {
      "bind left 203",      "bind right 205",      "bind jump 200",  "bind fire 29",
      "bind pause 25 197",  "bind back 1",         "3 key 29 down",  "3 key 205 down",
      "4 button left down", "4 key 29 up",         "4 key 200 down", "4 key 200 up",
      "5 button left up",   "5 button right down", "7 focus lost",   "7 key 205 up",
      "8 key 203 down",     "9 key 203 up",        "10 close",
  };
  std::vector<std::string> events, moves;
  for (const std::string& line : EventLines(Recording()))
    (line.find(" mouse ") == std::string::npos ? events : moves).push_back(line);
  EXPECT_EQ(events, want);
  ASSERT_GE(moves.size(), 2u);
  EXPECT_EQ(moves[moves.size() - 2].substr(0, 8), "3 mouse ");
  EXPECT_EQ(moves.back().substr(0, 8), "5 mouse ");
  // Frame 3 reads the pointer the script moves it to at frame 3.
  std::string at3 = moves[moves.size() - 2].substr(8);
  at3[at3.find(' ')] = ',';
  EXPECT_NE(recorded[6].find("pointer " + at3 + " "), std::string::npos) << recorded[6];
  const std::string text = ReadText(Recording());
  EXPECT_NE(text.find("KESTREL_ANSWER=no KESTREL_DEPTH=32"), std::string::npos) << text;

  EXPECT_EQ(Replay(12), recorded);
}

// Played with keys of the player's choosing, a session replays to the same
// reads whatever the bindings where it is played: it carries its own.
TEST_F(RecordingTest, ASessionReplaysTheSameWhateverTheBindingsWhereItIsPlayed) {
  StartSdl();
  constexpr uint8_t kSpace = 0x39, kW = 0x11;
  BindAction(Action::Fire, {kSpace}, platform::kPadX);
  BindAction(Action::Jump, {kW}, platform::kPadA);
  const auto recorded = PlayLoop(*context_, 7, [&](int frame) {
    if (frame == 1) Key(SDL_SCANCODE_SPACE, true);
    if (frame == 2) Key(SDL_SCANCODE_LCTRL, true), Key(SDL_SCANCODE_W, true), Key(SDL_SCANCODE_UP, true);
    if (frame == 4) Key(SDL_SCANCODE_SPACE, false), Key(SDL_SCANCODE_W, false);
  });
  ASSERT_EQ(recorded.size(), 14u);
  auto keys = [&](size_t i) { return recorded[i].substr(0, recorded[i].find(" pointer")); };
  // Fire and jump are Space and W alone: left Ctrl and Up, held on, do
  // neither once those are let go.
  EXPECT_EQ(keys(4), "frame 2 start: keys 1 0 0 0");
  EXPECT_EQ(keys(6), "frame 3 start: keys 1 1 0 0");
  EXPECT_EQ(keys(10), "frame 5 start: keys 0 0 0 0");
  // Other bindings when the replay's display is made, and after.
  BindAction(Action::Fire, {0x1D, 0x1C}, platform::kPadB);
  EXPECT_EQ(Replay(7, [] { BindAction(Action::Jump, {0x1D}, platform::kPadB); }), recorded);
}

// A pad's buttons read as the first key of the action they are bound to, so
// a recording takes them as keys, at the frame, by the player's bindings.
TEST_F(RecordingTest, AControllersKeysAreTakenAtTheFrameToo) {
  struct Case {
    bool rebound;  // pad jump = y, keys left = A
    std::vector<std::string> keyLines;
  } cases[] = {
      {false, {"2 key 200 down", "4 key 203 down"}},
      {true, {"2 key 200 down", "4 key 30 down"}},
  };
  for (const Case& c : cases) {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SdlDisplay& d = StartSdl();
    if (c.rebound) {
      BindAction(Action::Jump, {0xC8}, platform::kPadY);
      BindAction(Action::Left, {0x1E}, 0);
    }
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0);
    const int index = AttachVirtualPad();
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_Joystick* pad = SDL_JoystickOpen(index);
    ASSERT_NE(pad, nullptr);
    d.PollEvents();
    // A jumps only while it is jump's button; Y only once it is.
    const auto recorded = PlayLoop(*context_, 5, [&](int frame) {
      if (frame == 1)
        SDL_JoystickSetVirtualButton(pad, c.rebound ? SDL_CONTROLLER_BUTTON_Y : SDL_CONTROLLER_BUTTON_A, 1);
      if (frame == 2 && c.rebound) SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, 1);
      if (frame == 3) SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, -30000);
    });
    ASSERT_EQ(recorded.size(), 10u);
    // Jump (up) from frame 2's start on, left from frame 4's.
    auto keys = [&](size_t i) { return recorded[i].substr(0, recorded[i].find(" pointer")); };
    EXPECT_EQ(keys(3), "frame 1 middle: keys 0 0 0 0");
    EXPECT_EQ(keys(4), "frame 2 start: keys 0 1 0 0");
    EXPECT_EQ(keys(7), "frame 3 middle: keys 0 1 0 0");
    EXPECT_EQ(keys(8), "frame 4 start: keys 0 1 1 0");
    context_.reset();
    SDL_JoystickClose(pad);
    SDL_JoystickDetachVirtual(index);
    platform::ResetPlatform();
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    SDL_ResetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS);
    std::vector<std::string> keyLines;
    for (const std::string& line : EventLines(Recording()))
      if (line.find(" key ") != std::string::npos) keyLines.push_back(line);
    EXPECT_EQ(keyLines, c.keyLines);
    EXPECT_EQ(Replay(5), recorded);
    context_.reset();
    record_.emplace("KESTREL_RECORD", Recording());
  }
}

TEST_F(RecordingTest, AFileThatCannotBeMadeStopsTheDisplayWithItsName) {
  record_.emplace("KESTREL_RECORD", "/nonexistent-dir/session.input");
  try {
    platform::CreateSdlDisplay();
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent-dir/session.input"), std::string::npos) << e.what();
  }
}

// The hash the real display logs is the headless one, at every depth and for
// a part of a picture.
TEST(FrameLog, TheRealDisplayHashesThePictureAsTheHeadlessOneDoes) {
  ScratchDir scratch;
  for (int depth : {15, 16, 24, 32}) {
    SCOPED_TRACE(depth);
    platform::Surface picture(platform::Surface::Kind::OffScreen, 37, 23, depth, false, nullptr);
    for (int32_t i = 0; i < picture.Pitch() * picture.Height(); ++i) picture.Pixels()[i] = uint8_t(i * 7 + i / 13);
    const platform::Rect area{3, 2, 35, 21};
    platform::HeadlessDisplay headless;
    headless.ShowFrame(picture, area);
    const std::string log = (scratch.Path() / "frames.log").string();
    {
      platform::SdlRecorder recorder("", log);
      EXPECT_FALSE(recorder.RecordsInput());
      recorder.Frame(picture, area);
      recorder.AfterFrame(41);
    }
    char want[64];
    std::snprintf(want, sizeof want, "41 %016llx\n", static_cast<unsigned long long>(headless.LastFrameHash()));
    EXPECT_EQ(ReadText(log), want);
  }
}

// A lost focus in a script loses every device once, as on the real display.
TEST_F(HeadlessTest, AScriptedFocusLossLosesTheDevicesOnce) {
  auto& d = Install();
  d.QueueEvents(platform::ParseInputScript("0 key 200 down\n2 focus lost\n"));
  TSelfExKestrel ctx(640, 400, "x", 256);
  TBuffer64 screen(ctx, 320, 200, false);
  TInput64 input(ctx.Handle);
  std::vector<bool> up;
  for (int frame = 0; frame < 4; ++frame) {
    up.push_back(input.KeyDown(0xC8));
    up.push_back(input.KeyDown(0xC8));
    screen.Present(true);
  }
  EXPECT_EQ(up, (std::vector<bool>{true, true, true, true, false, true, true, true}));
  for (const char* bad : {"1 focus", "1 focus found", "1 focus lost now"}) {
    EXPECT_THROW(platform::ParseInputScript(bad), std::runtime_error) << bad;
  }
}

}  // namespace
}  // namespace kestrel::testing
