// Headless input: the keys, pointer and button events the headless display
// keeps (scripted per frame, or set by tests). Each read looks the display up
// again, so a device outliving its display reads nothing instead of freed state.
#include <cstring>

#include "kestrel/platform/headless/headless.h"

namespace kestrel::platform {

namespace {

struct HeadlessInputGlobals {
  std::vector<std::string> joystickButtons;
  uint64_t lostGeneration = 0;
};

HeadlessInputGlobals& Globals() {
  static HeadlessInputGlobals globals;
  static bool hooked = false;
  if (!hooked) {
    hooked = true;
    // A pretend joystick belongs to the display it was attached under.
    OnPlatformReset([] { globals.joystickButtons.clear(); });
  }
  return globals;
}

HeadlessDisplay* Current() { return HasDisplay() ? dynamic_cast<HeadlessDisplay*>(&GetDisplay()) : nullptr; }

HeadlessInputState* CurrentState() {
  HeadlessDisplay* headless = Current();
  return headless ? &headless->Input() : nullptr;
}

class HeadlessDevice : public InputDeviceBackend {
 public:
  explicit HeadlessDevice(DeviceKind kind) : kind_(kind), seenGeneration_(Globals().lostGeneration) {
    if (auto* s = CurrentState()) wasFocused_ = s->focused;
  }

  void ReadKeys(uint8_t (&keys)[256]) override {
    if (auto* s = CurrentState()) std::memcpy(keys, s->keys.data(), 256);
  }

  void TakeMouseEvents(std::deque<DIDeviceObjectData>& out) override {
    auto* s = CurrentState();
    if (!s || kind_ != DeviceKind::Mouse) return;
    for (const auto& e : s->buttonEvents) {
      DIDeviceObjectData d;
      d.dwOfs = e.button == 0 ? DIMOFS_BUTTON0 : e.button == 1 ? DIMOFS_BUTTON1 : DIMOFS_BUTTON2;
      d.dwData = e.down ? 0x80 : 0;
      out.push_back(d);
    }
    s->buttonEvents.clear();
  }

  // Lost once when the window's focus goes away, or when a test says so.
  bool TakeLost() override {
    bool lost = false;
    if (seenGeneration_ != Globals().lostGeneration) {
      seenGeneration_ = Globals().lostGeneration;
      lost = true;
    }
    if (auto* s = CurrentState()) {
      if (wasFocused_ && !s->focused) lost = true;
      wasFocused_ = s->focused;
    }
    return lost;
  }

  std::vector<std::string> ButtonNames() const override { return Globals().joystickButtons; }

  void ReadPresses(uint64_t frame, uint8_t (&presses)[256]) override {
    auto* s = CurrentState();
    if (!s) return;
    if (kind_ == DeviceKind::Keyboard) {
      for (size_t k = 0; k < 256; ++k)
        if (s->keyPressedAt[k] == frame + 1) presses[k] = 0x80;
    } else if (kind_ == DeviceKind::Mouse) {
      for (size_t b = 0; b < 3; ++b)
        if (s->buttonPressedAt[b] == frame + 1) presses[b] = 0x80;
    }
  }

 private:
  DeviceKind kind_;
  uint64_t seenGeneration_;
  bool wasFocused_ = true;
};

class HeadlessInput : public InputBackend {
 public:
  HResult Open(DeviceKind kind, std::unique_ptr<InputDeviceBackend>& out) override {
    if (kind == DeviceKind::Joystick && Globals().joystickButtons.empty()) return DIERR_DEVICENOTREG;
    out = std::make_unique<HeadlessDevice>(kind);
    return DI_OK;
  }

  bool CursorClientPos(WindowHandle window, Point& out) override {
    auto* s = CurrentState();
    if (!s || !GetDisplay().IsWindow(window)) return false;
    out = s->mouse;
    return true;
  }

  void PressKey(uint8_t dik, bool down) override {
    if (HeadlessDisplay* headless = Current()) headless->PressKey(dik, down);
  }
};

}  // namespace

std::unique_ptr<InputBackend> CreateHeadlessInput() { return std::make_unique<HeadlessInput>(); }

void SetHeadlessJoystick(std::vector<std::string> buttonNames) { Globals().joystickButtons = std::move(buttonNames); }

void LoseHeadlessDevices() { ++Globals().lostGeneration; }

}  // namespace kestrel::platform
