// The SDL input backend without an X server: SDL's dummy video driver, events
// pushed into SDL's queue, and a virtual game controller.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "../support/virtual_pad.h"
#include "kestrel/base/faults.h"
#include "kestrel/input64.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/headless/headless.h"
#include "kestrel/platform/sdl/sdl_display.h"
#include "kestrel/sound64.h"

using namespace kestrel;
using namespace kestrel::platform;

namespace {

class SdlBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* v = std::getenv("SDL_VIDEODRIVER")) oldDriver_ = v;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ResetPlatform();
    ResetEngine();
    InstallDisplay(CreateSdlDisplay());
    context_ = std::make_unique<TSelfExKestrel>(640, 400, "sdl-backend", 256);
    display_ = dynamic_cast<SdlDisplay*>(&GetDisplay());
    ASSERT_NE(display_, nullptr);
    ASSERT_NE(display_->Window(), nullptr);
  }
  void TearDown() override {
    context_.reset();
    ResetPlatform();
    ResetEngine();
    if (oldDriver_) setenv("SDL_VIDEODRIVER", oldDriver_->c_str(), 1);
    else unsetenv("SDL_VIDEODRIVER");
  }

  void Key(SDL_Scancode code, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = SDL_GetWindowID(display_->Window());
    e.key.keysym.scancode = code;
    SDL_PushEvent(&e);
  }
  void Button(uint8_t button, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = SDL_GetWindowID(display_->Window());
    e.button.button = button;
    SDL_PushEvent(&e);
  }
  void FocusLost() {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(display_->Window());
    e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&e);
  }
  void Pump() { display_->PollEvents(); }
  static bool Left(TInput64& input) {
    bool l, m, r;
    input.MouseButtons(l, m, r);
    return l;
  }

  std::optional<std::string> oldDriver_;
  std::unique_ptr<TSelfExKestrel> context_;
  SdlDisplay* display_ = nullptr;
};

TEST_F(SdlBackendTest, KeysAndButtonsComeFromTheEventsTheDisplayDrains) {
  TInput64 input(context_->Handle);
  Key(SDL_SCANCODE_RCTRL, true);
  Key(SDL_SCANCODE_LEFT, true);
  Key(SDL_SCANCODE_RIGHT, true);
  Pump();
  EXPECT_TRUE(input.KeyDown(0x9D));
  EXPECT_FALSE(input.KeyDown(0x1D));
  EXPECT_TRUE(input.KeyDown(0xCB));
  EXPECT_TRUE(input.KeyDown(0xCD));
  Key(SDL_SCANCODE_LEFT, false);
  Pump();
  EXPECT_FALSE(input.KeyDown(0xCB));

  Button(SDL_BUTTON_LEFT, true);
  Pump();
  EXPECT_TRUE(Left(input));
  Button(SDL_BUTTON_LEFT, false);
  Button(SDL_BUTTON_LEFT, true);
  Button(SDL_BUTTON_LEFT, false);
  Pump();
  EXPECT_FALSE(Left(input));
  // Right held, middle tapped between two reads: the tap is seen once.
  Button(SDL_BUTTON_RIGHT, true);
  Button(SDL_BUTTON_MIDDLE, true);
  Button(SDL_BUTTON_MIDDLE, false);
  Pump();
  for (bool middle : {true, false}) {
    bool l = true, m = !middle, r = false;
    input.MouseButtons(l, m, r);
    EXPECT_EQ((std::array{l, m, r}), (std::array{false, middle, true}));
  }
}

TEST_F(SdlBackendTest, LosingTheFocusLosesTheDevicesAndReleasesTheKeys) {
  TInput64 input(context_->Handle);
  Key(SDL_SCANCODE_UP, true);
  Pump();
  EXPECT_TRUE(input.KeyDown(0xC8));
  FocusLost();
  Pump();
  // The read after the loss fails and takes the keyboard back; the key held
  // when the focus went away does not stay held.
  EXPECT_FALSE(input.KeyDown(0xC8));
  EXPECT_FALSE(input.KeyDown(0xC8));
  Key(SDL_SCANCODE_UP, true);
  Pump();
  EXPECT_TRUE(input.KeyDown(0xC8));
}

TEST_F(SdlBackendTest, InFullScreenThePointerIsInThePicturesCoordinates) {
  // A context's release drops the mode table; the engine starts afresh.
  context_.reset();
  ResetEngine();
  TSelfFullKestrel full(320, 200, 16, "full");
  TInput64 input(full.Handle);
  SDL_Window* w = display_->Window();
  ASSERT_NE(w, nullptr);
  int ww = 0, wh = 0;
  SDL_GetWindowSize(w, &ww, &wh);
  // Whatever the screen's size, its middle is the picture's middle and its
  // far corner the picture's last pixel.
  SDL_WarpMouseInWindow(w, ww / 2, wh / 2);
  Pump();
  EXPECT_NEAR(input.MouseX(), 160, 1) << ww << "x" << wh;
  EXPECT_NEAR(input.MouseY(), 100, 1);
  SDL_WarpMouseInWindow(w, ww - 1, wh - 1);
  Pump();
  EXPECT_EQ(input.MouseX(), 319);
  EXPECT_EQ(input.MouseY(), 199);
}

TEST_F(SdlBackendTest, TheFirstControllerIsTheJoystickAndAddsKeys) {
  // The dummy video driver's window never has the focus, and SDL only reads
  // controllers for a focused window unless told otherwise.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0);
  int index = kestrel::testing::AttachVirtualPad();
  ASSERT_GE(index, 0) << SDL_GetError();
  SDL_Joystick* pad = SDL_JoystickOpen(index);
  ASSERT_NE(pad, nullptr);
  {
    TInput64 input(context_->Handle);
    EXPECT_EQ(input.JoystickPresent, 1);
    EXPECT_EQ(input.ButtonCount, int(input.JoystickButtonNames.size()));
    auto& names = input.JoystickButtonNames;
    EXPECT_NE(std::find(names.begin(), names.end(), "A"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Start"), names.end());

    // The pad's presses: Start pauses once; a stick held past the line
    // presses once; Back is a press of its own; a keyboard device not
    // acquired takes none.
    std::unique_ptr<DirectInput> di;
    ASSERT_EQ(DirectInput8Create(DIRECTINPUT_VERSION, di), DI_OK);
    std::unique_ptr<InputDevice> raw;
    ASSERT_EQ(di->CreateDevice(DeviceKind::Keyboard, raw), DI_OK);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, 1);
    Pump();
    EXPECT_EQ(raw->TakePadPresses(), 0u) << "not acquired";
    EXPECT_TRUE(input.PauseKeyPressed());
    EXPECT_FALSE(input.PauseKeyPressed()) << "taken once";
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, 0);
    ASSERT_EQ(raw->SetDataFormat(DataFormat::Keyboard), DI_OK);
    ASSERT_EQ(raw->Acquire(), DI_OK);
    for (int16_t x : {-20000, -30000}) {
      SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, x);
      Pump();
      EXPECT_EQ(raw->TakePadPresses(), x == -20000 ? uint32_t(kPadLeft) : 0u) << x;
      // Another pad plugged in and pulled out leaves the one in use as it is.
      SDL_JoystickDetachVirtual(kestrel::testing::AttachVirtualPad());
    }
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 0);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_BACK, 1);
    Pump();
    EXPECT_EQ(raw->TakePadPresses(), uint32_t(kPadBack));
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_BACK, 0);
    Pump();

    struct Case {
      SDL_GameControllerButton button;
      int key;
    };
    for (Case c : {Case{SDL_CONTROLLER_BUTTON_A, 0xC8},
                   {SDL_CONTROLLER_BUTTON_X, 0x1D},
                   {SDL_CONTROLLER_BUTTON_B, 0x1D},
                   {SDL_CONTROLLER_BUTTON_START, 0x1C},
                   {SDL_CONTROLLER_BUTTON_BACK, 0x01},
                   {SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0xCB},
                   {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0xCD}}) {
      SCOPED_TRACE(c.key);
      EXPECT_FALSE(input.KeyDown(c.key));
      SDL_JoystickSetVirtualButton(pad, c.button, 1);
      Pump();
      EXPECT_TRUE(input.KeyDown(c.key));
      SDL_JoystickSetVirtualButton(pad, c.button, 0);
      Pump();
      EXPECT_FALSE(input.KeyDown(c.key));
    }
    // The left stick past half way.
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, -30000);
    Pump();
    EXPECT_TRUE(input.KeyDown(0xCB));
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 10000);
    Pump();
    EXPECT_FALSE(input.KeyDown(0xCB));
    EXPECT_FALSE(input.KeyDown(0xCD));
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 30000);
    Pump();
    EXPECT_TRUE(input.KeyDown(0xCD));
  }
  SDL_JoystickClose(pad);
  SDL_JoystickDetachVirtual(index);
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  SDL_ResetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS);
}

}  // namespace

namespace {

TEST_F(SdlBackendTest, SoundsOfAnSdlDisplayPlayThroughTheMixer) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  auto path = std::filesystem::temp_directory_path() / ("kestrel-sdl-sound-" + std::to_string(getpid()) + ".wav");
  {
    // A second of silence, 8-bit mono: the mixer converts it.
    std::ofstream o(path, std::ios::binary);
    const uint32_t n = 22050;
    auto le = [&](uint32_t v, int bytes) {
      for (int i = 0; i < bytes; ++i) o.put(char((v >> (8 * i)) & 0xFF));
    };
    o.write("RIFF", 4);
    le(36 + n, 4);
    o.write("WAVEfmt ", 8);
    for (auto [v, bytes] : {std::pair{16u, 4}, {1u, 2}, {1u, 2}, {22050u, 4}, {22050u, 4}, {1u, 2}, {8u, 2}})
      le(v, bytes);
    o.write("data", 4);
    le(n, 4);
    for (uint32_t i = 0; i < n; ++i) o.put(char(0x80));
  }
  {
    TSound64 wind(*context_, path.string(), true);
    EXPECT_EQ(HeadlessSound(), nullptr);
    EXPECT_EQ(GetSoundSystem().MaxChannels(), 64);
    wind.Play();
    int first = wind.Channel();
    EXPECT_TRUE(GetSoundSystem().FSOUND_IsPlaying(first));
    wind.Play();
    EXPECT_EQ(CallCount("FSOUND_Stream_Stop"), 1u);
    EXPECT_TRUE(GetSoundSystem().FSOUND_IsPlaying(wind.Channel()));
    wind.Stop();
    EXPECT_FALSE(GetSoundSystem().FSOUND_IsPlaying(wind.Channel()));
  }
  EXPECT_EQ(CallCount("FSOUND_Close"), 1u);
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  std::filesystem::remove(path);
  unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
