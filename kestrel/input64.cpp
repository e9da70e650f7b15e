#include "kestrel/input64.h"

#include <algorithm>
#include <cstring>

#include "kestrel/error.h"

namespace kestrel {

using namespace platform;

namespace {

// Codes 1 and 80070005 each stand for several results; their text quotes
// every description. The blank before the last closing quote is the original's.
constexpr CodeText kDiTexts[] = {
    {0x00000000, "The operation completed successfully."},
    {0x00000001,
     "\"The operation had no effect.\" or \"The device buffer overflowed and some input was lost.\" or "
     "\"The device exists but is not currently attached.\" or \"The change in device properties had no "
     "effect.\""},
    {0x00000002,
     "The device is a polled device. As a result, device buffering will not collect any data and event "
     "notifications will not be signaled until the IDirectInputDevice2::Poll method is called."},
    {0x00000003,
     "The parameters of the effect were successfully updated, but the effect could not be downloaded "
     "because the associated device was not acquired in exclusive mode."},
    {0x00000004, "The effect was stopped, the parameters were updated, and the effect was restarted."},
    {0x00000008,
     "The parameters of the effect were successfully updated, but some of them were beyond the "
     "capabilities of the device and were truncated to the nearest supported value."},
    {0x0000000B, "The action map was applied to the device, but the settings could not be saved."},
    {0x0000000C, "Equal to DI_EFFECTRESTARTED | DI_TRUNCATED."},
    {0x80004001,
     "The function called is not supported at this time. This value is equal to the E_NOTIMPL standard "
     "COM return value."},
    {0x80004002,
     "The specified interface is not supported by the object. This value is equal to the E_NOINTERFACE "
     "standard COM return value."},
    {0x80004003, "An invalid Pointer, usually NULL, was passed as a parameter."},
    {0x80004005,
     "An undetermined error occurred inside the DirectInput subsystem. This value is equal to the E_FAIL "
     "standard COM return value."},
    {0x80040110, "This object does not support aggregation."},
    {0x80040154,
     "The device or device instance is not registered with DirectInput. This value is equal to the "
     "REGDB_E_CLASSNOTREG standard COM return value."},
    {0x80040201, "The device is full."},
    {0x80040202, "Not all the requested information fitted into the buffer."},
    {0x80040203, "The effect is not downloaded."},
    {0x80040204, "The device cannot be reinitialized because there are still effects attached to it."},
    {0x80040205, "The operation cannot be performed unless the device is acquired in DISCL_EXCLUSIVE mode."},
    {0x80040206,
     "The effect could not be downloaded because essential information is missing. For example, no axes "
     "have been associated with the effect, or no type-specific information has been supplied."},
    {0x80040207, "The device is not buffered. Set the DIPROP_BUFFERSIZE property to enable buffering."},
    {0x80040208,
     "The parameters were updated in memory but were not downloaded to the device because the device does "
     "not support updating an effect while it is still playing."},
    {0x80040209, "The operation could not be completed because the device is not plugged in."},
    {0x8004020A, "More information was requested to be sent than can be sent to the device."},
    {0x8004020B,
     "An error has occured either reading the vendor-supplied action-mapping file for the device or "
     "reading or writing the user configuration mapping file for the device."},
    {0x800405CC, "No more memory for effects of this kind (not documented)"},
    {0x80070002, "The requested object does not exist."},
    {0x80070005,
     "\"The device already has an event notification associated with it.\" or \"The specified property "
     "cannot be changed.\" or \"Another application has a higher priority level, preventing this call "
     "from succeeding. \""},
    {0x80070006, "The HWND parameter is not a valid top-level window that belongs to the process."},
    {0x80070007, "Data is not yet available."},
    {0x8007000C, "The operation cannot be performed unless the device is acquired."},
    {0x8007000E,
     "The DirectInput subsystem could not allocate sufficient memory to complete the call. This value is "
     "equal to the E_OUTOFMEMORY standard COM return value."},
    {0x80070015, "This object has not been initialized."},
    {0x8007001E, "Access to the input device has been lost. It must be reacquired."},
    {0x80070057,
     "An invalid parameter was passed to the returning function, or the object was not in a state that "
     "permitted the function to be called. This value is equal to the E_INVALIDARG standard COM return "
     "value."},
    {0x80070077,
     "The object could not be created due to an incompatible driver version or mismatched or incomplete "
     "driver components."},
    {0x800700AA, "The operation cannot be performed while the device is acquired."},
    {0x8007047E, "The application requires a newer version of DirectInput."},
    {0x80070481, "The application was written for an unsupported prerelease version of DirectInput."},
    {0x800704DF, "This object is already initialized"},
};

constexpr uint32_t kCoopBackground = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;  // 10
constexpr uint32_t kCoopForeground = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;  // 6
constexpr uint32_t kMouseBufferSize = 16;
constexpr uint32_t kMouseRecordRoom = 20;
constexpr int kMaxReacquireTries = 16;

DIPropDword DwordProperty(uint32_t value) {
  DIPropDword p;
  p.diph = {sizeof(DIPropDword), sizeof(DIPropHeader), 0, DIPH_DEVICE};
  p.dwData = value;
  return p;
}

}  // namespace

std::string DirectInputErrorText(uint32_t code) { return TextOfCode(kDiTexts, code); }

TInput64::TInput64(WindowHandle window) : window_(window) {
  Check(DirectInput8Create(DIRECTINPUT_VERSION, directInput_), "DirectInputCreate");

  Check(directInput_->CreateDevice(DeviceKind::Keyboard, keyboard_), "CreateDeviceK");
  Check(keyboard_->SetDataFormat(DataFormat::Keyboard), "SetDataFormatK");
  Check(keyboard_->SetCooperativeLevel(window_, kCoopBackground), "SetCooperativeLevelK");
  Check(keyboard_->Acquire(), "AcquireK");

  Check(directInput_->CreateDevice(DeviceKind::Mouse, mouse_), "CreateDeviceM");
  Check(mouse_->SetDataFormat(DataFormat::Mouse), "SetDataFormatM");
  Check(mouse_->SetCooperativeLevel(window_, kCoopBackground), "SetCooperativeLevelM");
  DIPropDword bufferSize = DwordProperty(kMouseBufferSize);
  Check(mouse_->SetProperty(DIPROP_BUFFERSIZE, &bufferSize.diph), "SetPropertyM");
  Check(mouse_->Acquire(), "AcquireM");

  // No joystick is no error: it is only configured, never read.
  if (directInput_->CreateDevice(DeviceKind::Joystick, joystick_) != DI_OK) {
    joystick_.reset();
    JoystickPresent = 0;
    return;
  }
  Check(joystick_->SetDataFormat(DataFormat::Joystick), "SetDataFormatJ");
  Check(joystick_->SetCooperativeLevel(window_, kCoopForeground), "SetCooperativeLevelJ");
  DIPropRange range;
  range.diph = {sizeof(DIPropRange), sizeof(DIPropHeader), 0, DIPH_DEVICE};
  range.lMin = -10000;
  range.lMax = 10000;
  Check(joystick_->SetProperty(DIPROP_RANGE, &range.diph), "SetPropertyJ1");
  DIPropDword deadZone = DwordProperty(2000);
  Check(joystick_->SetProperty(DIPROP_DEADZONE, &deadZone.diph), "SetPropertyJ2");
  DIPropDword saturation = DwordProperty(9500);
  Check(joystick_->SetProperty(DIPROP_SATURATION, &saturation.diph), "SetPropertyJ3");

  JoystickButtonNames.clear();
  ButtonCount = 0;
  for (uint32_t i = 0; i < 32; ++i) {
    DIDeviceObjectInstance info;
    info.dwSize = sizeof info;
    if (joystick_->GetObjectInfo(&info, DIJOFS_BUTTON0 + i, DIPH_BYOFFSET) == DI_OK) {
      ++ButtonCount;
      JoystickButtonNames.emplace_back(info.tszName);
    }
  }
  JoystickPresent = 1;
}

TInput64::~TInput64() { Release(); }

void TInput64::Release() {
  if (!directInput_) return;
  if (keyboard_) {
    keyboard_->Unacquire();
    keyboard_.reset();
  }
  if (mouse_) {
    mouse_->Unacquire();
    mouse_.reset();
  }
  joystick_.reset();
  directInput_.reset();
}

void TInput64::ReportError(const std::string& operation, const std::string& text) {
  Release();
  RaiseEngineError(ReportText("[TInput64]", operation, text));
}

void TInput64::Check(HResult result, const char* operation) {
  if (result != DI_OK) ReportError(operation, DirectInputErrorText(result));
}

void TInput64::Reacquire(InputDevice& device) {
  for (int tries = 0; tries < kMaxReacquireTries; ++tries)
    if (device.Acquire() != DIERR_INPUTLOST) return;
}

namespace {

// The frame being made: presses and clicks count for it.
uint64_t FrameNow() { return HasDisplay() ? GetDisplay().FramesPresented() : 0; }

}  // namespace

void TInput64::FramePresses(InputDevice* device, uint8_t* out, uint32_t size) {
  std::memset(out, 0, size);
  if (device && device->GetFramePresses(size, out) != DI_OK) std::memset(out, 0, size);
}

bool TInput64::KeyDown(int32_t key) {
  if (!keyboard_ || key < 0 || key > 255) return false;
  uint8_t keys[256] = {};
  if (const HResult r = keyboard_->GetDeviceState(sizeof keys, keys); r != DI_OK) {
    if (r == DIERR_INPUTLOST) keyboardLost_ = true;
    Reacquire(*keyboard_);
    return false;
  }
  uint8_t presses[256];
  FramePresses(keyboard_.get(), presses, sizeof presses);
  const Bindings& bound = keyboard_->Bound();
  const bool held = bound.Answers(uint8_t(key), keys);
  bool pressed = bound.Answers(uint8_t(key), presses);
  const uint64_t now = FrameNow() + 1;
  if (swallowedAt_[key] != 0) {
    if (swallowedAt_[key] == now || held) return false;
    swallowedAt_[key] = 0;
  }
  // A press counts for one read only.
  if (pressed) {
    if (keyPressReadAt_[key] == now) pressed = false;
    else keyPressReadAt_[key] = now;
  }
  return held || pressed;
}

void TInput64::GetMousePos(int32_t& x, int32_t& y) {
  Point p;
  if (pointerHeld_) {
    p = heldPointer_;
  } else {
    GetCursorClientPos(window_, p);
  }
  x = p.x;
  y = p.y;
}

int32_t TInput64::MouseX() {
  int32_t x, y;
  GetMousePos(x, y);
  return x;
}

int32_t TInput64::MouseY() {
  int32_t x, y;
  GetMousePos(x, y);
  return y;
}

void TInput64::MouseButtons(bool& left, bool& middle, bool& right) {
  uint8_t presses[3] = {};
  if (mouse_) {
    DIDeviceObjectData records[kMouseRecordRoom];
    uint32_t count = kMouseRecordRoom;
    // Overflow (1) counts as a failure too: the records that came with it are
    // not looked at and the buttons keep their states.
    if (mouse_->GetDeviceData(sizeof(DIDeviceObjectData), records, count, 0) == DI_OK) {
      for (uint32_t i = 0; i < count; ++i) {
        uint8_t held = records[i].dwData == 0x80 ? 1 : 0;
        switch (records[i].dwOfs) {
          case DIMOFS_BUTTON0: leftButton_ = held; break;
          case DIMOFS_BUTTON1: rightButton_ = held; break;
          case DIMOFS_BUTTON2: middleButton_ = held; break;
          default: break;
        }
      }
      // A button let go again before this read still clicks, once.
      FramePresses(mouse_.get(), presses, sizeof presses);
      const uint64_t now = FrameNow() + 1;
      for (size_t b = 0; b < 3; ++b) {
        if (presses[b] != 0x80) continue;
        if (buttonPressReadAt_[b] == now) presses[b] = 0;
        else buttonPressReadAt_[b] = now;
      }
    } else {
      Reacquire(*mouse_);
    }
  }
  left = leftButton_ != 0 || presses[0] == 0x80 || clickAt_ == FrameNow() + 1;
  right = rightButton_ != 0 || presses[1] == 0x80;
  middle = middleButton_ != 0 || presses[2] == 0x80;
}

int32_t TInput64::TargetIndex(int32_t id) const {
  for (int32_t i = 0; i < targetCount_; ++i)
    if (targets_[i].Id == id) return i;
  return -1;
}

int32_t TInput64::TargetAt(Point p) const {
  for (int32_t i = 0; i < targetCount_; ++i) {
    const TPointerTarget& t = targets_[i];
    if (t.X1 <= p.x && p.x <= t.X2 && t.Y1 <= p.y && p.y <= t.Y2) return i;
  }
  return -1;
}

void TInput64::Swallow(uint8_t key) { swallowedAt_[key] = FrameNow() + 1; }

const Bindings& TInput64::Bound() const {
  // Without a keyboard nothing is read; the player's bindings stand in.
  return keyboard_ ? keyboard_->Bound() : CurrentSettings().bindings;
}

void TInput64::OfferPointerTargets(const TPointerTarget* targets, int32_t count, int32_t backId) {
  // Left to right, then top to bottom: the order the arrows step through.
  // The first box as offered is where the highlight starts.
  const int32_t firstId = targets && count > 0 ? targets[0].Id : 0;
  targetCount_ = 0;
  for (int32_t i = 0; targets && i < count && targetCount_ < kMaxTargets; ++i) {
    const TPointerTarget& t = targets[i];
    int32_t at = targetCount_++;
    auto before = [](const TPointerTarget& a, const TPointerTarget& b) {
      int64_t ax = int64_t(a.X1) + a.X2, bx = int64_t(b.X1) + b.X2;
      return ax != bx ? ax < bx : int64_t(a.Y1) + a.Y2 < int64_t(b.Y1) + b.Y2;
    };
    while (at > 0 && before(t, targets_[at - 1])) {
      targets_[at] = targets_[at - 1];
      --at;
    }
    targets_[at] = t;
  }

  // A loss of focus in the menu pauses nothing.
  keyboardLost_ = false;

  // The mouse takes over as soon as it moves.
  Point mouse;
  GetCursorClientPos(window_, mouse);
  if (mouseSeen_ && (mouse.x != lastMouse_.x || mouse.y != lastMouse_.y)) pointerHeld_ = false;
  lastMouse_ = mouse;
  mouseSeen_ = true;

  uint8_t presses[256];
  FramePresses(keyboard_.get(), presses, sizeof presses);
  const uint32_t pad = keyboard_ ? keyboard_->TakePadPresses() : 0;
  // The arrows, Enter and Esc always work the menu; so do the keys of the
  // player's left, right, jump, fire and back.
  const MenuPresses asked = Bound().Menu(presses, pad);
  const int32_t step = asked.step;
  const bool choose = asked.choose, back = asked.back;

  const int32_t first = std::max(TargetIndex(firstId), 0);
  int32_t current = pointerHeld_ ? TargetIndex(highlightId_) : -1;
  // The highlighted box went with its page: start again at the first.
  if (pointerHeld_ && current < 0 && targetCount_ > 0) current = first;
  bool click = false;
  if (step != 0 && targetCount_ > 0) {
    if (!pointerHeld_) {
      // From the box under the mouse, or the first one.
      current = TargetAt(mouse);
      if (current < 0) current = first;
      else current = (current + step + targetCount_) % targetCount_;
      pointerHeld_ = true;
    } else {
      current = (current + step + targetCount_) % targetCount_;
    }
  }
  if (choose) {
    if (pointerHeld_) {
      click = current >= 0;
    } else if (TargetAt(mouse) >= 0) {
      click = true;
    } else if (targetCount_ > 0) {
      // Nothing is pointed at: the first press shows where the keys are.
      pointerHeld_ = true;
      current = first;
    }
  }
  if (back && backId >= 0) {
    const int32_t to = TargetIndex(backId);
    if (to >= 0) {
      pointerHeld_ = true;
      current = to;
      click = true;
    }
  }
  if (pointerHeld_ && current >= 0) {
    const TPointerTarget& t = targets_[current];
    highlightId_ = t.Id;
    heldPointer_ = Point{int32_t((int64_t(t.X1) + t.X2) / 2), int32_t((int64_t(t.Y1) + t.Y2) / 2)};
  }
  if (click) {
    clickAt_ = FrameNow() + 1;
    // What clicked reads as up in what the menu opens.
    uint8_t clicked[256] = {};
    Bound().ClickedKeys(asked, presses, pad, clicked);
    for (int k = 0; k < 256; ++k)
      if (clicked[k]) Swallow(uint8_t(k));
  }
}

bool TInput64::PauseKeyPressed() {
  if (!keyboard_) return false;
  uint8_t presses[256];
  FramePresses(keyboard_.get(), presses, sizeof presses);
  return keyboard_->Bound().Pressed(Action::Pause, presses, keyboard_->TakePadPresses());
}

bool TInput64::FocusLost() {
  if (!keyboard_) return false;
  uint8_t keys[256] = {};
  const HResult r = keyboard_->GetDeviceState(sizeof keys, keys);
  const bool lost = keyboardLost_ || r == DIERR_INPUTLOST;
  keyboardLost_ = false;
  if (r != DI_OK) Reacquire(*keyboard_);
  return lost;
}

}  // namespace kestrel
