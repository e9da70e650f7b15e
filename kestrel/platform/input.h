// The input seam: a DirectInput-shaped keyboard, mouse and joystick. The
// engine makes its devices through DirectInput8Create and drives them with the
// calls below; each call answers a DirectInput result code. A backend (SDL or
// headless) supplies the key snapshot, the mouse events and the pointer.
//
// Every call first asks the fault table (faults.h) under the name of the call
// followed by the device letter: "CreateDeviceK", "AcquireM", "SetPropertyJ"
// (the joystick's three properties are its 1st, 2nd and 3rd SetPropertyJ),
// "GetDeviceStateK", "GetDeviceDataM", "GetObjectInfoJ", and
// "DirectInputCreate" for the creation itself.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kestrel/platform/display.h"
#include "kestrel/platform/result.h"

namespace kestrel::platform {

// DirectInput results the engine and the layer tell apart.
constexpr HResult DI_OK = 0x00000000;
constexpr HResult DI_BUFFEROVERFLOW = 0x00000001;  // a success code the engine treats as failure
constexpr HResult DIERR_GENERIC = 0x80004005;
constexpr HResult DIERR_DEVICENOTREG = 0x80040154;
constexpr HResult DIERR_NOTFOUND = 0x80070002;
constexpr HResult DIERR_HANDLEEXISTS = 0x80070005;
constexpr HResult DIERR_INVALIDHANDLE = 0x80070006;
constexpr HResult DIERR_NOTACQUIRED = 0x8007000C;
constexpr HResult DIERR_OUTOFMEMORY = 0x8007000E;
constexpr HResult DIERR_NOTINITIALIZED = 0x80070015;
constexpr HResult DIERR_INPUTLOST = 0x8007001E;
constexpr HResult DIERR_INVALIDPARAM = 0x80070057;
constexpr HResult DIERR_BETADIRECTINPUTVERSION = 0x80070481;
constexpr HResult DIERR_OLDDIRECTINPUTVERSION = 0x8007047E;

constexpr uint32_t DIRECTINPUT_VERSION = 0x0800;

// Cooperative-level flags.
constexpr uint32_t DISCL_EXCLUSIVE = 0x1;
constexpr uint32_t DISCL_NONEXCLUSIVE = 0x2;
constexpr uint32_t DISCL_FOREGROUND = 0x4;
constexpr uint32_t DISCL_BACKGROUND = 0x8;

// Properties and how a property record names its object.
constexpr uint32_t DIPROP_BUFFERSIZE = 1;
constexpr uint32_t DIPROP_RANGE = 4;
constexpr uint32_t DIPROP_DEADZONE = 5;
constexpr uint32_t DIPROP_SATURATION = 6;
constexpr uint32_t DIPH_DEVICE = 0;
constexpr uint32_t DIPH_BYOFFSET = 1;

// Mouse state offsets of the buffered records.
constexpr uint32_t DIMOFS_X = 0;
constexpr uint32_t DIMOFS_Y = 4;
constexpr uint32_t DIMOFS_Z = 8;
constexpr uint32_t DIMOFS_BUTTON0 = 12;  // left
constexpr uint32_t DIMOFS_BUTTON1 = 13;  // right
constexpr uint32_t DIMOFS_BUTTON2 = 14;  // middle
constexpr uint32_t DIMOFS_BUTTON3 = 15;
constexpr uint32_t DIMOFS_BUTTON4 = 16;
// Joystick state offset of button 0; button i is at 48 + i.
constexpr uint32_t DIJOFS_BUTTON0 = 48;

// Keyboard scan codes the game asks for.
constexpr uint8_t DIK_ESCAPE = 0x01;
constexpr uint8_t DIK_RETURN = 0x1C;
constexpr uint8_t DIK_LCONTROL = 0x1D;
constexpr uint8_t DIK_RCONTROL = 0x9D;
constexpr uint8_t DIK_UP = 0xC8;
constexpr uint8_t DIK_LEFT = 0xCB;
constexpr uint8_t DIK_RIGHT = 0xCD;
constexpr uint8_t DIK_DOWN = 0xD0;
constexpr uint8_t DIK_P = 0x19;
constexpr uint8_t DIK_NUMPADENTER = 0x9C;
constexpr uint8_t DIK_PAUSE = 0xC5;

// A game controller's buttons as bits of TakePadPresses: bit i is the
// controller button SDL numbers i. The stick's directions count as the
// d-pad's.
enum PadButton : uint32_t {
  kPadA = 1u << 0,
  kPadB = 1u << 1,
  kPadX = 1u << 2,
  kPadY = 1u << 3,
  kPadBack = 1u << 4,
  kPadGuide = 1u << 5,
  kPadStart = 1u << 6,
  kPadUp = 1u << 11,
  kPadDown = 1u << 12,
  kPadLeft = 1u << 13,
  kPadRight = 1u << 14,
};

enum class DeviceKind { Keyboard, Mouse, Joystick };
// The predefined data formats (c_dfDIKeyboard, c_dfDIMouse, c_dfDIJoystick).
enum class DataFormat { Keyboard, Mouse, Joystick };

struct DIPropHeader {
  uint32_t dwSize = 0;
  uint32_t dwHeaderSize = 0;
  uint32_t dwObj = 0;
  uint32_t dwHow = 0;
};
struct DIPropDword {
  DIPropHeader diph;
  uint32_t dwData = 0;
};
struct DIPropRange {
  DIPropHeader diph;
  int32_t lMin = 0;
  int32_t lMax = 0;
};
static_assert(sizeof(DIPropHeader) == 16 && sizeof(DIPropDword) == 20 && sizeof(DIPropRange) == 24);

// One buffered event: which object changed and its new value.
struct DIDeviceObjectData {
  uint32_t dwOfs = 0;
  uint32_t dwData = 0;
  uint32_t dwTimeStamp = 0;
  uint32_t dwSequence = 0;
  uint32_t uAppData = 0;
};
static_assert(sizeof(DIDeviceObjectData) == 20);

// What GetObjectInfo fills in: the object at an offset and its name.
struct DIDeviceObjectInstance {
  uint32_t dwSize = 0;
  uint32_t dwOfs = 0;
  uint32_t dwType = 0;
  char tszName[260] = {};
};

// What a backend device does; InputDevice wraps it with the fault checks,
// the acquisition state and the argument checks every backend shares.
class InputDeviceBackend {
 public:
  virtual ~InputDeviceBackend() = default;
  // Keyboard: 256 bytes, 0x80 per held key.
  virtual void ReadKeys(uint8_t (&keys)[256]) { (void)keys; }
  // Mouse: button events since the last call, oldest first, as (offset, 0x80/0).
  virtual void TakeMouseEvents(std::deque<DIDeviceObjectData>& out) { (void)out; }
  // True once the device was lost since the last call (the window lost focus).
  virtual bool TakeLost() { return false; }
  // Joystick: names of its buttons, in order.
  virtual std::vector<std::string> ButtonNames() const { return {}; }
  // Keyboard: 0x80 for each key that went down while `frame` frames had been
  // presented, held or not. Mouse: the same for buttons 0 left, 1 right,
  // 2 middle.
  virtual void ReadPresses(uint64_t frame, uint8_t (&presses)[256]) {
    (void)frame;
    (void)presses;
  }
  // Keyboard: a controller's buttons that went down while `frame` frames had
  // been presented and were not yet taken, as PadButton bits.
  virtual uint32_t TakePadPresses(uint64_t frame) {
    (void)frame;
    return 0;
  }
};

class InputDevice {
 public:
  InputDevice(DeviceKind kind, std::unique_ptr<InputDeviceBackend> backend);
  ~InputDevice();
  InputDevice(const InputDevice&) = delete;
  InputDevice& operator=(const InputDevice&) = delete;

  HResult SetDataFormat(DataFormat format);
  HResult SetCooperativeLevel(WindowHandle window, uint32_t flags);
  HResult SetProperty(uint32_t property, const DIPropHeader* header);
  HResult Acquire();
  HResult Unacquire();
  HResult GetDeviceState(uint32_t size, void* data);
  // `count` in: room for records; out: records written.
  HResult GetDeviceData(uint32_t recordSize, DIDeviceObjectData* records, uint32_t& count, uint32_t flags);
  HResult GetObjectInfo(DIDeviceObjectInstance* info, uint32_t object, uint32_t how);
  // Beyond DirectInput, so that no press is lost: what went down since the
  // last presented frame, held or not; 0x80 per key (`size` 256) or per
  // mouse button (`size` 3: left, right, middle). Does not touch the lost
  // state: the next GetDeviceState or GetDeviceData still reports a loss.
  HResult GetFramePresses(uint32_t size, void* data);
  // The controller's buttons pressed since the last presented frame and not
  // yet taken (keyboard only), as PadButton bits.
  uint32_t TakePadPresses();

  DeviceKind Kind() const { return kind_; }
  bool Acquired() const { return acquired_; }
  uint32_t BufferSize() const { return bufferSize_; }

 private:
  bool Fault(const char* call, HResult& result) const;
  // Moves backend events into the device buffer, dropping what does not fit.
  void FillBuffer();

  DeviceKind kind_;
  std::unique_ptr<InputDeviceBackend> backend_;
  bool formatSet_ = false;
  bool levelSet_ = false;
  bool acquired_ = false;
  uint32_t bufferSize_ = 0;
  bool overflowed_ = false;
  uint32_t sequence_ = 0;
  std::deque<DIDeviceObjectData> buffer_;
};

// The DirectInput object.
class DirectInput {
 public:
  HResult CreateDevice(DeviceKind kind, std::unique_ptr<InputDevice>& out);
};

// DirectInput8Create: version must be DIRECTINPUT_VERSION.
HResult DirectInput8Create(uint32_t version, std::unique_ptr<DirectInput>& out);

// GetCursorPos followed by ScreenToClient: the pointer in `window`'s client
// coordinates; negative above or left of the client area. In full screen the
// coordinates are those of the emulated picture.
bool GetCursorClientPos(WindowHandle window, Point& out);

// ---- backends ----
// What a backend offers the devices. One lives per display.
class InputBackend {
 public:
  virtual ~InputBackend() = default;
  // Null with DIERR_DEVICENOTREG when no such device is attached.
  virtual HResult Open(DeviceKind kind, std::unique_ptr<InputDeviceBackend>& out) = 0;
  virtual bool CursorClientPos(WindowHandle window, Point& out) = 0;
};

// The input backend of the current display (its CreateInputBackend).
// Dropped by ResetPlatform.
InputBackend& GetInputBackend();
std::unique_ptr<InputBackend> CreateHeadlessInput(Display& display);
std::unique_ptr<InputBackend> CreateSdlInput(Display& display);

// Headless only: a pretend joystick with these button names (empty: none).
void SetHeadlessJoystick(std::vector<std::string> buttonNames);
// Headless only: makes every device lost once, as losing focus does.
void LoseHeadlessDevices();

// ---- the SDL key table ----
// The scan code of an SDL scancode; 0 for keys without one.
uint8_t DikFromSdlScancode(int sdlScancode);
// The first SDL scancode giving `dik`; 0 (SDL_SCANCODE_UNKNOWN) when none.
int SdlScancodeFromDik(uint8_t dik);
// Every (SDL scancode, scan code) pair of the table, in table order.
std::vector<std::pair<int, uint8_t>> SdlKeyTable();

// ---- names, as SDL spells them, for the player's settings ----
// The same on every backend: the headless one runs in a binary that links
// SDL too.
// The scan code of a key name ("Space", "Left Ctrl", "Keypad 0"; any case),
// or 0 when the name is no key or a key without a scan code.
uint8_t DikFromKeyName(const std::string& name);
// SDL's name of the key with this scan code; "" when there is none.
std::string KeyNameOfDik(uint8_t dik);
// The PadButton bit of a game controller's button name ("a", "start",
// "leftshoulder"; any case), or 0 when the name is no button.
uint32_t PadBitFromName(const std::string& name);
// SDL's name of the button of a PadButton bit; "" when there is none.
std::string PadNameOfBit(uint32_t bit);

}  // namespace kestrel::platform
