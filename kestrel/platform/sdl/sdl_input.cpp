// SDL input: the display hands us every event it drains; keys become a
// snapshot by scan code, mouse buttons go to the buffers of the mouse devices,
// and the first game controller reports its buttons, its stick as the d-pad.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "kestrel/platform/input.h"
#include "kestrel/platform/sdl/sdl_display.h"
#include "kestrel/platform/sdl/sdl_record.h"
#include "kestrel/platform/settings.h"

namespace kestrel::platform {

namespace {

struct KeyEntry {
  SDL_Scancode sdl;
  uint8_t dik;
};

// SDL scancodes (USB usage ids) to the keyboard's set-1 scan codes; the keys
// of the extended block carry 0x80. One line a row of keys.
// clang-format off
constexpr KeyEntry kKeyTable[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},
    {SDL_SCANCODE_1, 0x02}, {SDL_SCANCODE_2, 0x03}, {SDL_SCANCODE_3, 0x04}, {SDL_SCANCODE_4, 0x05},
    {SDL_SCANCODE_5, 0x06}, {SDL_SCANCODE_6, 0x07}, {SDL_SCANCODE_7, 0x08}, {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A}, {SDL_SCANCODE_0, 0x0B},
    {SDL_SCANCODE_MINUS, 0x0C}, {SDL_SCANCODE_EQUALS, 0x0D}, {SDL_SCANCODE_BACKSPACE, 0x0E},
    {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10}, {SDL_SCANCODE_W, 0x11}, {SDL_SCANCODE_E, 0x12}, {SDL_SCANCODE_R, 0x13},
    {SDL_SCANCODE_T, 0x14}, {SDL_SCANCODE_Y, 0x15}, {SDL_SCANCODE_U, 0x16}, {SDL_SCANCODE_I, 0x17},
    {SDL_SCANCODE_O, 0x18}, {SDL_SCANCODE_P, 0x19},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A}, {SDL_SCANCODE_RIGHTBRACKET, 0x1B}, {SDL_SCANCODE_RETURN, 0x1C},
    {SDL_SCANCODE_LCTRL, 0x1D},
    {SDL_SCANCODE_A, 0x1E}, {SDL_SCANCODE_S, 0x1F}, {SDL_SCANCODE_D, 0x20}, {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22}, {SDL_SCANCODE_H, 0x23}, {SDL_SCANCODE_J, 0x24}, {SDL_SCANCODE_K, 0x25},
    {SDL_SCANCODE_L, 0x26},
    {SDL_SCANCODE_SEMICOLON, 0x27}, {SDL_SCANCODE_APOSTROPHE, 0x28}, {SDL_SCANCODE_GRAVE, 0x29},
    {SDL_SCANCODE_LSHIFT, 0x2A}, {SDL_SCANCODE_BACKSLASH, 0x2B},
    {SDL_SCANCODE_Z, 0x2C}, {SDL_SCANCODE_X, 0x2D}, {SDL_SCANCODE_C, 0x2E}, {SDL_SCANCODE_V, 0x2F},
    {SDL_SCANCODE_B, 0x30}, {SDL_SCANCODE_N, 0x31}, {SDL_SCANCODE_M, 0x32},
    {SDL_SCANCODE_COMMA, 0x33}, {SDL_SCANCODE_PERIOD, 0x34}, {SDL_SCANCODE_SLASH, 0x35},
    {SDL_SCANCODE_RSHIFT, 0x36}, {SDL_SCANCODE_KP_MULTIPLY, 0x37}, {SDL_SCANCODE_LALT, 0x38},
    {SDL_SCANCODE_SPACE, 0x39}, {SDL_SCANCODE_CAPSLOCK, 0x3A},
    {SDL_SCANCODE_F1, 0x3B}, {SDL_SCANCODE_F2, 0x3C}, {SDL_SCANCODE_F3, 0x3D}, {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F}, {SDL_SCANCODE_F6, 0x40}, {SDL_SCANCODE_F7, 0x41}, {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43}, {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45}, {SDL_SCANCODE_SCROLLLOCK, 0x46},
    {SDL_SCANCODE_KP_7, 0x47}, {SDL_SCANCODE_KP_8, 0x48}, {SDL_SCANCODE_KP_9, 0x49},
    {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B}, {SDL_SCANCODE_KP_5, 0x4C}, {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F}, {SDL_SCANCODE_KP_2, 0x50}, {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_0, 0x52}, {SDL_SCANCODE_KP_PERIOD, 0x53},
    // The extra key of 105-key keyboards, between left Shift and Z.
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
    {SDL_SCANCODE_F11, 0x57}, {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_F13, 0x64}, {SDL_SCANCODE_F14, 0x65}, {SDL_SCANCODE_F15, 0x66},
    {SDL_SCANCODE_INTERNATIONAL2, 0x70},  // Kana
    {SDL_SCANCODE_INTERNATIONAL1, 0x73},  // Ro (ABNT C1)
    {SDL_SCANCODE_INTERNATIONAL4, 0x79},  // Convert
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B},  // No convert
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D},  // Yen
    {SDL_SCANCODE_KP_EQUALS, 0x8D},
    {SDL_SCANCODE_AUDIOPREV, 0x90},
    {SDL_SCANCODE_AUDIONEXT, 0x99},
    {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_MUTE, 0xA0}, {SDL_SCANCODE_CALCULATOR, 0xA1}, {SDL_SCANCODE_AUDIOPLAY, 0xA2},
    {SDL_SCANCODE_AUDIOSTOP, 0xA4},
    {SDL_SCANCODE_VOLUMEDOWN, 0xAE}, {SDL_SCANCODE_VOLUMEUP, 0xB0}, {SDL_SCANCODE_AC_HOME, 0xB2},
    {SDL_SCANCODE_KP_COMMA, 0xB3}, {SDL_SCANCODE_KP_DIVIDE, 0xB5}, {SDL_SCANCODE_PRINTSCREEN, 0xB7},
    {SDL_SCANCODE_RALT, 0xB8},
    {SDL_SCANCODE_PAUSE, 0xC5},
    {SDL_SCANCODE_HOME, 0xC7}, {SDL_SCANCODE_UP, 0xC8}, {SDL_SCANCODE_PAGEUP, 0xC9},
    {SDL_SCANCODE_LEFT, 0xCB}, {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF}, {SDL_SCANCODE_DOWN, 0xD0}, {SDL_SCANCODE_PAGEDOWN, 0xD1},
    {SDL_SCANCODE_INSERT, 0xD2}, {SDL_SCANCODE_DELETE, 0xD3},
    {SDL_SCANCODE_LGUI, 0xDB}, {SDL_SCANCODE_RGUI, 0xDC}, {SDL_SCANCODE_APPLICATION, 0xDD},
    {SDL_SCANCODE_POWER, 0xDE}, {SDL_SCANCODE_SLEEP, 0xDF},
    {SDL_SCANCODE_AC_SEARCH, 0xE5}, {SDL_SCANCODE_AC_BOOKMARKS, 0xE6}, {SDL_SCANCODE_AC_REFRESH, 0xE7},
    {SDL_SCANCODE_AC_STOP, 0xE8}, {SDL_SCANCODE_AC_FORWARD, 0xE9}, {SDL_SCANCODE_AC_BACK, 0xEA},
    {SDL_SCANCODE_COMPUTER, 0xEB}, {SDL_SCANCODE_MAIL, 0xEC}, {SDL_SCANCODE_MEDIASELECT, 0xED},
    // The ISO key left of Enter sends the same code as backslash.
    {SDL_SCANCODE_NONUSHASH, 0x2B},
};
// clang-format on

const std::array<uint8_t, SDL_NUM_SCANCODES>& ScancodeMap() {
  static const auto map = [] {
    std::array<uint8_t, SDL_NUM_SCANCODES> m{};
    for (const auto& e : kKeyTable) m[e.sdl] = e.dik;
    return m;
  }();
  return map;
}

// PadButton bits are SDL's button numbers.
static_assert(kPadA == 1u << SDL_CONTROLLER_BUTTON_A && kPadB == 1u << SDL_CONTROLLER_BUTTON_B &&
              kPadX == 1u << SDL_CONTROLLER_BUTTON_X && kPadY == 1u << SDL_CONTROLLER_BUTTON_Y &&
              kPadBack == 1u << SDL_CONTROLLER_BUTTON_BACK && kPadGuide == 1u << SDL_CONTROLLER_BUTTON_GUIDE &&
              kPadStart == 1u << SDL_CONTROLLER_BUTTON_START && kPadUp == 1u << SDL_CONTROLLER_BUTTON_DPAD_UP &&
              kPadDown == 1u << SDL_CONTROLLER_BUTTON_DPAD_DOWN && kPadLeft == 1u << SDL_CONTROLLER_BUTTON_DPAD_LEFT &&
              kPadRight == 1u << SDL_CONTROLLER_BUTTON_DPAD_RIGHT && SDL_CONTROLLER_BUTTON_MAX <= 32);
// Half the stick's travel counts as a push.
constexpr int16_t kStickThreshold = 16384;
// More queued button events than any buffer takes; the rest only mean overflow.
constexpr size_t kMaxQueuedEvents = 256;

// The recorder of the current display while it records input or plays a
// script: the game then reads the keys and the pointer it says.
const SdlRecorder* InputRecorder() {
  if (!HasDisplay()) return nullptr;
  auto* sdl = dynamic_cast<SdlDisplay*>(&GetDisplay());
  const SdlRecorder* r = sdl ? sdl->Recorder() : nullptr;
  return r && r->HoldsInput() ? r : nullptr;
}

// Over the window SDL's own pointer state is exact. Elsewhere the pointer is
// asked of the desktop, so that it is known (and negative) outside the window
// too.
bool LivePointer(SdlDisplay& display, Point& out) {
  SDL_Window* w = display.Window();
  if (!w) return false;
  int x = 0, y = 0;
  if (SDL_GetMouseFocus() == w) {
    SDL_GetMouseState(&x, &y);
  } else {
    int wx = 0, wy = 0;
    SDL_GetGlobalMouseState(&x, &y);
    SDL_GetWindowPosition(w, &wx, &wy);
    x -= wx;
    y -= wy;
  }
  out = display.WindowToClient(x, y);
  return true;
}

// The frame a press counts for: the one being made while it arrives.
uint64_t FrameNow() { return HasDisplay() ? GetDisplay().FramesPresented() : 0; }

// The controller's buttons as the menu and the pause know them.
uint32_t PadBitOf(uint8_t button) { return button < SDL_CONTROLLER_BUTTON_MAX ? 1u << button : 0; }

struct MouseQueue {
  std::deque<DIDeviceObjectData> events;
};

struct SdlInputShared {
  std::array<uint8_t, 256> keys{};
  uint64_t lostGeneration = 0;
  std::vector<std::weak_ptr<MouseQueue>> mice;
  SDL_GameController* controller = nullptr;
  SDL_Joystick* joystick = nullptr;  // when the first device is no controller
  SDL_JoystickID deviceId = -1;
  // When each key, mouse button (0 left, 1 right, 2 middle) and pad button
  // last went down: frames presented then, plus one; 0 for never.
  std::array<uint64_t, 256> keyPressedAt{};
  std::array<uint64_t, 3> buttonPressedAt{};
  std::array<uint64_t, 32> padPressedAt{};
  // Where the left stick points, as pad bits, so that a push counts once.
  uint32_t stickDirections = 0;

  void PressPad(uint32_t bit) {
    for (size_t i = 0; i < padPressedAt.size(); ++i)
      if (bit == (1u << i)) padPressedAt[i] = FrameNow() + 1;
  }

  void MoveStick(uint8_t axis, int16_t value) {
    const uint32_t negative = axis == SDL_CONTROLLER_AXIS_LEFTX ? uint32_t(kPadLeft) : uint32_t(kPadUp);
    const uint32_t positive = axis == SDL_CONTROLLER_AXIS_LEFTX ? uint32_t(kPadRight) : uint32_t(kPadDown);
    const uint32_t now = value <= -kStickThreshold ? negative : value >= kStickThreshold ? positive : 0u;
    if (now && !(stickDirections & now)) PressPad(now);
    stickDirections = (stickDirections & ~(negative | positive)) | now;
  }

  void OpenFirstDevice() {
    if (controller || joystick) return;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      if (SDL_IsGameController(i)) controller = SDL_GameControllerOpen(i);
      if (!controller) joystick = SDL_JoystickOpen(i);
      if (controller || joystick) {
        deviceId = SDL_JoystickInstanceID(controller ? SDL_GameControllerGetJoystick(controller) : joystick);
        return;
      }
    }
  }

  void CloseDevice() {
    stickDirections = 0;
    if (controller) SDL_GameControllerClose(controller);
    if (joystick) SDL_JoystickClose(joystick);
    controller = nullptr;
    joystick = nullptr;
    deviceId = -1;
  }

  void PushButton(uint32_t offset, bool down, uint32_t time) {
    DIDeviceObjectData d;
    d.dwOfs = offset;
    d.dwData = down ? 0x80 : 0;
    d.dwTimeStamp = time;
    for (auto it = mice.begin(); it != mice.end();) {
      if (auto q = it->lock()) {
        if (q->events.size() < kMaxQueuedEvents) q->events.push_back(d);
        ++it;
      } else {
        it = mice.erase(it);
      }
    }
  }

  void Lose() {
    // Keys held while the focus goes elsewhere must not stay held.
    keys.fill(0);
    ++lostGeneration;
  }

  void OnEvent(const SDL_Event& e) {
    switch (e.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        int sc = e.key.keysym.scancode;
        if (sc < 0 || sc >= SDL_NUM_SCANCODES) break;
        if (uint8_t dik = ScancodeMap()[size_t(sc)]) {
          keys[dik] = e.type == SDL_KEYDOWN ? 0x80 : 0;
          // The system's repeats of a held key are no new presses: a
          // recording could not tell them.
          if (e.type == SDL_KEYDOWN && !e.key.repeat) keyPressedAt[dik] = FrameNow() + 1;
        }
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        uint32_t offset;
        switch (e.button.button) {
          case SDL_BUTTON_LEFT: offset = DIMOFS_BUTTON0; break;
          case SDL_BUTTON_RIGHT: offset = DIMOFS_BUTTON1; break;
          case SDL_BUTTON_MIDDLE: offset = DIMOFS_BUTTON2; break;
          case SDL_BUTTON_X1: offset = DIMOFS_BUTTON3; break;
          case SDL_BUTTON_X2: offset = DIMOFS_BUTTON4; break;
          default: return;
        }
        PushButton(offset, e.type == SDL_MOUSEBUTTONDOWN, e.button.timestamp);
        if (e.type == SDL_MOUSEBUTTONDOWN && offset <= DIMOFS_BUTTON2)
          buttonPressedAt[offset - DIMOFS_BUTTON0] = FrameNow() + 1;
        break;
      }
      case SDL_CONTROLLERBUTTONDOWN:
        if (controller && e.cbutton.which == deviceId) PressPad(PadBitOf(e.cbutton.button));
        break;
      case SDL_CONTROLLERAXISMOTION: {
        const uint8_t axis = e.caxis.axis;
        if (controller && e.caxis.which == deviceId &&
            (axis == SDL_CONTROLLER_AXIS_LEFTX || axis == SDL_CONTROLLER_AXIS_LEFTY))
          MoveStick(axis, e.caxis.value);
        break;
      }
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) Lose();
        break;
      case SDL_CONTROLLERDEVICEADDED:
      case SDL_JOYDEVICEADDED: OpenFirstDevice(); break;
      case SDL_CONTROLLERDEVICEREMOVED:
      case SDL_JOYDEVICEREMOVED:
        if (e.cdevice.which == deviceId) {
          CloseDevice();
          OpenFirstDevice();
        }
        break;
      default: break;
    }
  }

  // The buttons held now, the left stick's direction as the d-pad's.
  uint32_t PadHeld() const {
    if (!controller) return 0;
    uint32_t held = 0;
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b)
      if (SDL_GameControllerGetButton(controller, SDL_GameControllerButton(b))) held |= 1u << b;
    const int16_t x = SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTX);
    const int16_t y = SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTY);
    if (x <= -kStickThreshold) held |= kPadLeft;
    if (x >= kStickThreshold) held |= kPadRight;
    if (y <= -kStickThreshold) held |= kPadUp;
    if (y >= kStickThreshold) held |= kPadDown;
    return held;
  }

  std::vector<std::string> ButtonNames() const {
    std::vector<std::string> names;
    if (controller) {
      // clang-format off
      static const char* const kNames[] = {
          "A", "B", "X", "Y", "Back", "Guide", "Start", "Left Stick", "Right Stick", "Left Shoulder", "Right Shoulder",
          "D-pad Up", "D-pad Down", "D-pad Left", "D-pad Right", "Misc", "Paddle 1", "Paddle 2", "Paddle 3", "Paddle 4",
          "Touchpad"};
      // clang-format on
      for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX && b < int(std::size(kNames)); ++b)
        if (SDL_GameControllerHasButton(controller, SDL_GameControllerButton(b))) names.push_back(kNames[b]);
    } else if (joystick) {
      int n = SDL_JoystickNumButtons(joystick);
      for (int b = 0; b < n; ++b) names.push_back("Button " + std::to_string(b));
    }
    // Only the first 32 buttons are asked about.
    if (names.size() > 32) names.resize(32);
    return names;
  }
};

class SdlDevice : public InputDeviceBackend {
 public:
  SdlDevice(std::shared_ptr<SdlInputShared> shared, DeviceKind kind)
      : shared_(std::move(shared)), seenGeneration_(shared_->lostGeneration) {
    if (kind == DeviceKind::Mouse) {
      queue_ = std::make_shared<MouseQueue>();
      shared_->mice.push_back(queue_);
    }
  }

  // While a session is recorded or a script plays, the keys are the
  // recorder's, with the pad's already in them.
  void ReadKeys(uint8_t (&keys)[256]) override {
    const SdlRecorder* r = InputRecorder();
    std::memcpy(keys, r ? r->Keys().data() : shared_->keys.data(), 256);
  }

  uint32_t ReadPad() override { return InputRecorder() ? 0 : shared_->PadHeld(); }

  void TakeMouseEvents(std::deque<DIDeviceObjectData>& out) override {
    if (!queue_) return;
    out.insert(out.end(), queue_->events.begin(), queue_->events.end());
    queue_->events.clear();
  }

  bool TakeLost() override {
    if (seenGeneration_ == shared_->lostGeneration) return false;
    seenGeneration_ = shared_->lostGeneration;
    return true;
  }

  std::vector<std::string> ButtonNames() const override { return shared_->ButtonNames(); }

  void ReadPresses(uint64_t frame, uint8_t (&presses)[256]) override {
    if (queue_) {
      for (size_t b = 0; b < shared_->buttonPressedAt.size(); ++b)
        if (shared_->buttonPressedAt[b] == frame + 1) presses[b] = 0x80;
    } else {
      for (size_t k = 0; k < 256; ++k)
        if (shared_->keyPressedAt[k] == frame + 1) presses[k] = 0x80;
    }
  }

  uint32_t TakePadPresses(uint64_t frame) override {
    uint32_t bits = 0;
    for (size_t i = 0; i < shared_->padPressedAt.size(); ++i) {
      if (shared_->padPressedAt[i] == frame + 1) bits |= 1u << i;
      shared_->padPressedAt[i] = 0;
    }
    return bits;
  }

 private:
  std::shared_ptr<SdlInputShared> shared_;
  std::shared_ptr<MouseQueue> queue_;
  uint64_t seenGeneration_;
};

class SdlInput : public InputBackend {
 public:
  explicit SdlInput(SdlDisplay& display) : display_(display), shared_(std::make_shared<SdlInputShared>()) {
    controllersUp_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (controllersUp_) shared_->OpenFirstDevice();
    // The display keeps the listener as long as it lives; the state it feeds
    // is shared, so it stays valid after this backend is dropped.
    std::weak_ptr<SdlInputShared> weak = shared_;
    display_.AddEventListener([weak](const SDL_Event& e) {
      if (auto s = weak.lock()) s->OnEvent(e);
    });
    if (SdlRecorder* r = display_.Recorder()) {
      SdlDisplay& display = display_;
      r->SetSources(
          [weak](uint8_t(&keys)[256]) {
            if (auto s = weak.lock()) {
              std::memcpy(keys, s->keys.data(), 256);
              CurrentSettings().bindings.HoldPadKeys(s->PadHeld(), keys);
            }
          },
          [&display](Point& out) { return LivePointer(display, out); });
    }
  }

  ~SdlInput() override {
    shared_->CloseDevice();
    if (controllersUp_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  }

  HResult Open(DeviceKind kind, std::unique_ptr<InputDeviceBackend>& out) override {
    if (kind == DeviceKind::Joystick) {
      shared_->OpenFirstDevice();
      if (!shared_->controller && !shared_->joystick) return DIERR_DEVICENOTREG;
    }
    out = std::make_unique<SdlDevice>(shared_, kind);
    return DI_OK;
  }

  bool CursorClientPos(WindowHandle window, Point& out) override {
    if (!display_.Window() || !display_.IsWindow(window)) return false;
    if (const SdlRecorder* r = InputRecorder()) {
      out = r->Pointer();
      return true;
    }
    return LivePointer(display_, out);
  }

  // A key pressed by the program goes the way of the player's own.
  void PressKey(uint8_t dik, bool down) override {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = SDL_Scancode(SdlScancodeFromDik(dik));
    if (e.key.keysym.scancode != SDL_SCANCODE_UNKNOWN) SDL_PushEvent(&e);
  }

 private:
  SdlDisplay& display_;
  std::shared_ptr<SdlInputShared> shared_;
  bool controllersUp_ = false;
};

}  // namespace

std::unique_ptr<InputBackend> CreateSdlInput(Display& display) {
  auto* sdl = dynamic_cast<SdlDisplay*>(&display);
  if (!sdl) return nullptr;
  return std::make_unique<SdlInput>(*sdl);
}

uint8_t DikFromSdlScancode(int sdlScancode) {
  if (sdlScancode <= 0 || sdlScancode >= SDL_NUM_SCANCODES) return 0;
  return ScancodeMap()[size_t(sdlScancode)];
}

int SdlScancodeFromDik(uint8_t dik) {
  for (const auto& e : kKeyTable)
    if (e.dik == dik) return e.sdl;
  return SDL_SCANCODE_UNKNOWN;
}

std::vector<std::pair<int, uint8_t>> SdlKeyTable() {
  std::vector<std::pair<int, uint8_t>> table;
  for (const auto& e : kKeyTable) table.emplace_back(int(e.sdl), e.dik);
  return table;
}

}  // namespace kestrel::platform
