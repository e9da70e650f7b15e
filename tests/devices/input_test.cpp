#include <SDL.h>

#include <map>
#include <set>

#include "../support/bindings.h"
#include "devices_fixture.h"
#include "kestrel/input64.h"
#include "kestrel/platform/headless/headless.h"
#include "kestrel/platform/sdl/sdl_display.h"

using namespace kestrel;
using namespace kestrel::platform;
using kestrel::testing::BindAction;

namespace {

class InputTest : public DevicesTest {
 protected:
  HeadlessInputState& State() { return display_->Input(); }
  void Click(int button, bool down) { State().buttonEvents.push_back({button, down}); }
  struct Buttons {
    bool left, middle, right;
  };
  static Buttons Read(TInput64& input) {
    Buttons b{};
    input.MouseButtons(b.left, b.middle, b.right);
    return b;
  }
};

TEST_F(InputTest, ConstructorReportsEveryFailingStepWithItsDescription) {
  struct Case {
    const char* report;
    const char* fault;
    int skip;
    HResult code;
    const char* text;
  };
  const Case cases[] = {
      {"DirectInputCreate", "DirectInputCreate", 0, 0x80070481,
       "The application was written for an unsupported prerelease version of DirectInput."},
      {"CreateDeviceK", "CreateDeviceK", 0, 0x80040154,
       "The device or device instance is not registered with DirectInput. This value is equal to the "
       "REGDB_E_CLASSNOTREG standard COM return value."},
      {"SetDataFormatK", "SetDataFormatK", 0, 0x80070057,
       "An invalid parameter was passed to the returning function, or the object was not in a state that "
       "permitted the function to be called. This value is equal to the E_INVALIDARG standard COM return "
       "value."},
      {"SetCooperativeLevelK", "SetCooperativeLevelK", 0, 0x80070006,
       "The HWND parameter is not a valid top-level window that belongs to the process."},
      {"AcquireK", "AcquireK", 0, 0x8007001E, "Access to the input device has been lost. It must be reacquired."},
      {"CreateDeviceM", "CreateDeviceM", 0, 0x8007000E,
       "The DirectInput subsystem could not allocate sufficient memory to complete the call. This value is "
       "equal to the E_OUTOFMEMORY standard COM return value."},
      {"SetDataFormatM", "SetDataFormatM", 0, 0x800700AA,
       "The operation cannot be performed while the device is acquired."},
      {"SetCooperativeLevelM", "SetCooperativeLevelM", 0, 0x80070005,
       "\"The device already has an event notification associated with it.\" or \"The specified property "
       "cannot be changed.\" or \"Another application has a higher priority level, preventing this call "
       "from succeeding. \""},
      {"SetPropertyM", "SetPropertyM", 0, 0x00000001,
       "\"The operation had no effect.\" or \"The device buffer overflowed and some input was lost.\" or "
       "\"The device exists but is not currently attached.\" or \"The change in device properties had no "
       "effect.\""},
      {"AcquireM", "AcquireM", 0, 0x12345678, "Unrecognized Error"},
      {"SetDataFormatJ", "SetDataFormatJ", 0, 0x0000000C, "Equal to DI_EFFECTRESTARTED | DI_TRUNCATED."},
      {"SetCooperativeLevelJ", "SetCooperativeLevelJ", 0, 0x80004005,
       "An undetermined error occurred inside the DirectInput subsystem. This value is equal to the E_FAIL "
       "standard COM return value."},
      {"SetPropertyJ1", "SetPropertyJ", 0, 0x80040209,
       "The operation could not be completed because the device is not plugged in."},
      {"SetPropertyJ2", "SetPropertyJ", 1, 0x800405CC, "No more memory for effects of this kind (not documented)"},
      {"SetPropertyJ3", "SetPropertyJ", 2, 0x800704DF, "This object is already initialized"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.report);
    ClearFaults();
    SetHeadlessJoystick({"Trigger"});
    InjectFault(c.fault, c.code, 1, c.skip);
    std::string report = ExpectReport([&] { TInput64 input(context_->Handle); });
    EXPECT_EQ(report, std::string("[TInput64]") + c.report + " -> " + c.text);
    // The object released what it had made: a keyboard that exists is let go once.
    std::string op = c.report;
    EXPECT_EQ(CallCount("UnacquireK"), op == "DirectInputCreate" || op == "CreateDeviceK" ? 0u : 1u);
  }
}

// The version must be the one the engine was written for, and a device
// takes one share and one scope; each wrong way has its own code.
TEST_F(InputTest, VersionAndCooperativeLevelTellEachWrongWayApart) {
  std::unique_ptr<DirectInput> di;
  EXPECT_EQ(DirectInput8Create(0x0700, di), DIERR_OLDDIRECTINPUTVERSION);
  EXPECT_EQ(DirectInput8Create(0x0900, di), DIERR_BETADIRECTINPUTVERSION);
  ASSERT_EQ(DirectInput8Create(DIRECTINPUT_VERSION, di), DI_OK);
  std::unique_ptr<InputDevice> keyboard;
  ASSERT_EQ(di->CreateDevice(DeviceKind::Keyboard, keyboard), DI_OK);
  const std::pair<uint32_t, HResult> levels[] = {
      {DISCL_EXCLUSIVE | DISCL_FOREGROUND, DI_OK},
      {DISCL_NONEXCLUSIVE | DISCL_BACKGROUND, DI_OK},
      {DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND, DIERR_INVALIDPARAM},
      {DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND, DIERR_INVALIDPARAM},
      {DISCL_FOREGROUND, DIERR_INVALIDPARAM},
      {DISCL_NONEXCLUSIVE, DIERR_INVALIDPARAM},
  };
  for (auto [flags, result] : levels)
    EXPECT_EQ(keyboard->SetCooperativeLevel(context_->Handle, flags), result) << flags;
}

TEST_F(InputTest, AnInvalidWindowIsReportedNotUsed) {
  EXPECT_EQ(ExpectReport([] { TInput64 input(9999); }),
            "[TInput64]SetCooperativeLevelK -> The HWND parameter is not a valid top-level window that "
            "belongs to the process.");
}

TEST_F(InputTest, JoystickIsOptionalAndNamesItsFirst32Buttons) {
  {
    TInput64 input(context_->Handle);
    EXPECT_EQ(input.JoystickPresent, 0);
    EXPECT_TRUE(input.JoystickButtonNames.empty());
  }
  std::vector<std::string> twelve;
  for (int i = 0; i < 12; ++i) twelve.push_back("Button " + std::to_string(i));
  SetHeadlessJoystick(twelve);
  {
    TInput64 input(context_->Handle);
    EXPECT_EQ(input.JoystickPresent, 1);
    EXPECT_EQ(input.ButtonCount, 12);
    EXPECT_EQ(input.JoystickButtonNames, twelve);
  }
  std::vector<std::string> forty(40, "B");
  SetHeadlessJoystick(forty);
  TInput64 input(context_->Handle);
  EXPECT_EQ(input.ButtonCount, 32);
  // A failing name lookup is skipped without a report.
  ClearFaults();
  InjectFault("GetObjectInfoJ", 0x80004005, 1, 3);
  TInput64 again(context_->Handle);
  EXPECT_EQ(again.ButtonCount, 31);
}

TEST_F(InputTest, KeysAreReadFreshAndOnlyHeldKeysCount) {
  TInput64 input(context_->Handle);
  State().keys[DIK_LEFT] = 0x80;
  State().keys[DIK_RIGHT] = 0x80;
  EXPECT_TRUE(input.KeyDown(0xCB));
  EXPECT_TRUE(input.KeyDown(0xCD));
  EXPECT_FALSE(input.KeyDown(0xC8));
  State().keys[DIK_LEFT] = 0;
  EXPECT_FALSE(input.KeyDown(0xCB));
  EXPECT_TRUE(input.KeyDown(0xCD));
  // Only 0x80 means held, for a key of an action, Enter and any other.
  State().keys[DIK_ESCAPE] = 0x01;
  EXPECT_FALSE(input.KeyDown(1));
  State().keys[DIK_RETURN] = 0x01;
  EXPECT_FALSE(input.KeyDown(DIK_RETURN));
  State().keys[0x39] = 0x01;
  EXPECT_FALSE(input.KeyDown(0x39));
  // Codes outside 0..255 are never held and never read out of bounds.
  State().keys[255] = 0x80;
  EXPECT_TRUE(input.KeyDown(255));
  EXPECT_FALSE(input.KeyDown(256));
  EXPECT_FALSE(input.KeyDown(-1));
}

TEST_F(InputTest, MouseButtonsFollowTheEventBuffer) {
  TInput64 input(context_->Handle);
  Buttons b = Read(input);
  EXPECT_FALSE(b.left || b.middle || b.right);

  // Held: stays held while no event comes.
  Click(0, true);
  EXPECT_TRUE(Read(input).left);
  EXPECT_TRUE(Read(input).left);

  // A click made and released between two reads ends released.
  Click(0, false);
  Click(0, true);
  Click(0, false);
  EXPECT_FALSE(Read(input).left);

  // Button 1 is the right button, button 2 the middle one; both held at once.
  Click(1, true);
  Click(2, true);
  b = Read(input);
  EXPECT_FALSE(b.left);
  EXPECT_TRUE(b.right);
  EXPECT_TRUE(b.middle);
  Click(0, true);
  b = Read(input);
  EXPECT_TRUE(b.left && b.right && b.middle);
}

TEST_F(InputTest, OverflowKeepsTheButtonStates) {
  TInput64 input(context_->Handle);
  // Sixteen events fit the buffer: the last one counts.
  for (int i = 0; i < 8; ++i) {
    Click(0, true);
    Click(0, false);
  }
  EXPECT_FALSE(Read(input).left);
  for (int i = 0; i < 7; ++i) {
    Click(0, false);
    Click(0, false);
  }
  Click(0, false);
  Click(0, true);
  EXPECT_TRUE(Read(input).left);

  // Seventeen do not: the read fails and the states are kept.
  for (int i = 0; i < 8; ++i) {
    Click(0, false);
    Click(1, true);
  }
  Click(2, true);
  Buttons b = Read(input);
  EXPECT_TRUE(b.left);
  EXPECT_FALSE(b.right);
  EXPECT_FALSE(b.middle);
  // The overflow is over; the next event is read normally.
  Click(0, false);
  EXPECT_FALSE(Read(input).left);
}

// A key or button pressed and let go again before the game looks still
// counts: the first read after it sees it held, the next one sees it up.
// A press held across reads reads held throughout, as always.
TEST_F(InputTest, APressLetGoBeforeTheReadIsSeenOnce) {
  TInput64 input(context_->Handle);
  display_->QueueEvents(
      ParseInputScript("0 key 29 down\n0 key 29 up\n0 key 200 down\n"
                       "0 button left down\n0 button left up\n0 button right down\n0 button right up\n"
                       "0 button middle down\n0 button middle up\n"));
  display_->PollEvents();
  for (int read = 0; read < 2; ++read) {
    SCOPED_TRACE(read == 0 ? "first read" : "second read");
    const Buttons b = Read(input);
    EXPECT_EQ(b.left, read == 0);
    EXPECT_EQ(b.right, read == 0);
    EXPECT_EQ(b.middle, read == 0);
    EXPECT_EQ(input.KeyDown(DIK_LCONTROL), read == 0);
    EXPECT_TRUE(input.KeyDown(DIK_UP)) << "held";
  }
}

// The game asks for each action by the key it was made with, and is answered
// for the keys the player bound to it: held, tapped or pressed as an action,
// those keys do it and the old one no longer does. Up bound to fire no
// longer jumps.
TEST_F(InputTest, TheGamesOwnKeysAnswerForTheKeysBoundToTheirAction) {
  TInput64 input(context_->Handle);
  const struct {
    Action action;
    uint8_t bound;
  } cases[] = {{Action::Left, 0x1E},   {Action::Right, 0x20}, {Action::Jump, 0x39},
               {Action::Fire, DIK_UP}, {Action::Back, 0x10},  {Action::Pause, DIK_LCONTROL}};
  for (const auto& c : cases) BindAction(c.action, {c.bound}, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(ActionName(c.action));
    State().keys.fill(0);
    State().keys[c.bound] = 0x80;
    for (const auto& other : cases)
      if (other.action != Action::Pause)
        EXPECT_EQ(input.KeyDown(DesignedKey(other.action)), other.action == c.action) << ActionName(other.action);
    State().keys.fill(0);
    State().keys[DesignedKey(c.action)] = 0x80;
    if (c.action != Action::Pause && c.action != Action::Fire) EXPECT_FALSE(input.KeyDown(DesignedKey(c.action)));
    // A tap: down and up before the read.
    State().keys.fill(0);
    const std::string code = std::to_string(c.bound);
    display_->QueueEvents(ParseInputScript("0 key " + code + " down\n0 key " + code + " up\n0 key 25 down\n"));
    display_->PollEvents();
    if (c.action == Action::Pause) EXPECT_TRUE(input.PauseKeyPressed());
    else EXPECT_TRUE(input.KeyDown(DesignedKey(c.action)));
    // P, pause's no longer, pauses nothing.
    if (c.action != Action::Pause) EXPECT_FALSE(input.PauseKeyPressed());
    // Pressed as an action, by a control with no key of its own: as the
    // first key bound to it.
    PressAction(c.action, true);
    EXPECT_EQ(State().keys[c.bound], 0x80);
    if (c.action == Action::Pause) EXPECT_TRUE(input.PauseKeyPressed());
    else EXPECT_TRUE(input.KeyDown(DesignedKey(c.action)));
    PressAction(c.action, false);
  }
}

// Keypad Enter does what Enter does, held or tapped.
TEST_F(InputTest, KeypadEnterCountsAsEnter) {
  TInput64 input(context_->Handle);
  State().keys[DIK_NUMPADENTER] = 0x80;
  EXPECT_TRUE(input.KeyDown(DIK_RETURN));
  State().keys[DIK_NUMPADENTER] = 0;
  EXPECT_FALSE(input.KeyDown(DIK_RETURN));
  display_->QueueEvents(ParseInputScript("0 key 156 down\n0 key 156 up\n"));
  display_->PollEvents();
  EXPECT_TRUE(input.KeyDown(DIK_RETURN));
  EXPECT_FALSE(input.KeyDown(DIK_RETURN));
}

TEST_F(InputTest, LostDevicesAreTakenBackByTheNextRead) {
  TInput64 input(context_->Handle);
  State().keys[DIK_RETURN] = 0x80;
  Click(0, true);
  EXPECT_TRUE(input.KeyDown(DIK_RETURN));
  EXPECT_TRUE(Read(input).left);

  // Focus goes away: the first read of each device fails and re-acquires.
  State().focused = false;
  Click(0, false);
  EXPECT_FALSE(input.KeyDown(DIK_RETURN));
  EXPECT_TRUE(Read(input).left);
  // Background access: reads work again without the focus.
  EXPECT_TRUE(input.KeyDown(DIK_RETURN));
  Click(0, false);
  EXPECT_FALSE(Read(input).left);

  LoseHeadlessDevices();
  EXPECT_FALSE(input.KeyDown(DIK_RETURN));
  EXPECT_TRUE(input.KeyDown(DIK_RETURN));
}

TEST_F(InputTest, AReacquireThatNeverSucceedsDoesNotHang) {
  TInput64 input(context_->Handle);
  State().keys[DIK_UP] = 0x80;
  LoseHeadlessDevices();
  InjectFault("AcquireK", DIERR_INPUTLOST);
  InjectFault("AcquireM", DIERR_INPUTLOST);
  const uint64_t before = CallCount("AcquireK");
  EXPECT_FALSE(input.KeyDown(DIK_UP));
  EXPECT_FALSE(input.KeyDown(DIK_UP));  // still not acquired
  EXPECT_LE(CallCount("AcquireK") - before, 64u);
  Click(0, true);
  EXPECT_FALSE(Read(input).left);
  LoseHeadlessDevices();  // lost again while not acquired: taking it back forgets that
  ClearFaults();
  EXPECT_FALSE(input.KeyDown(DIK_UP));  // not acquired: fails once more, then acquires
  EXPECT_TRUE(input.KeyDown(DIK_UP));
}

TEST_F(InputTest, PointerIsInClientCoordinatesAndMayBeNegative) {
  TInput64 input(context_->Handle);
  State().mouse = {-3, -40};
  int32_t x = 0, y = 0;
  input.GetMousePos(x, y);
  EXPECT_EQ(x, -3);
  EXPECT_EQ(y, -40);
  State().mouse = {639, 399};
  EXPECT_EQ(input.MouseX(), 639);
  EXPECT_EQ(input.MouseY(), 399);
}

TEST(SdlKeyTable, KeysTheGameUsesHaveTheirScanCodes) {
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_LCTRL), 0x1D);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_RCTRL), 0x9D);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_UP), 0xC8);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_LEFT), 0xCB);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_RIGHT), 0xCD);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_DOWN), 0xD0);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_ESCAPE), 0x01);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_RETURN), 0x1C);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_KP_ENTER), 0x9C);
  // The pause's two keys.
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_P), 0x19);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_PAUSE), 0xC5);
  // The keypad's arrows are not the arrow block's.
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_KP_8), 0x48);
  EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_UNKNOWN), 0);
  EXPECT_EQ(DikFromSdlScancode(-5), 0);
  EXPECT_EQ(DikFromSdlScancode(SDL_NUM_SCANCODES), 0);
}

TEST(SdlKeyTable, RoundTripOverTheWholeTable) {
  auto table = SdlKeyTable();
  std::map<uint8_t, int> byDik;
  std::set<int> scancodes;
  for (auto [sdl, dik] : table) {
    SCOPED_TRACE(SDL_GetScancodeName(SDL_Scancode(sdl)));
    EXPECT_NE(dik, 0);
    EXPECT_TRUE(scancodes.insert(sdl).second) << "scancode listed twice";
    EXPECT_EQ(DikFromSdlScancode(sdl), dik);
    int back = SdlScancodeFromDik(dik);
    EXPECT_EQ(DikFromSdlScancode(back), dik);
    byDik[dik]++;
  }
  // One scan code per key, but for the ISO key that shares backslash's.
  for (auto [dik, n] : byDik) EXPECT_EQ(n, dik == 0x2B ? 2 : 1) << int(dik);
  // A full 104/105-key keyboard: 26 letters, 10 digits, 12 function keys,
  // editing block, arrows, keypad, modifiers and the rest.
  for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_Z; ++sc) EXPECT_NE(DikFromSdlScancode(sc), 0);
  for (int sc = SDL_SCANCODE_1; sc <= SDL_SCANCODE_0; ++sc) EXPECT_NE(DikFromSdlScancode(sc), 0);
  for (int sc = SDL_SCANCODE_F1; sc <= SDL_SCANCODE_F12; ++sc) EXPECT_NE(DikFromSdlScancode(sc), 0);
  for (int sc = SDL_SCANCODE_RETURN; sc <= SDL_SCANCODE_KP_PERIOD; ++sc) {
    if (sc == SDL_SCANCODE_NONUSHASH) continue;
    EXPECT_NE(DikFromSdlScancode(sc), 0) << SDL_GetScancodeName(SDL_Scancode(sc));
  }
  for (int sc = SDL_SCANCODE_LCTRL; sc <= SDL_SCANCODE_RGUI; ++sc) EXPECT_NE(DikFromSdlScancode(sc), 0);
}

}  // namespace
