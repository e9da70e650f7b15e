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
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kestrel/platform/bindings.h"
#include "kestrel/platform/display.h"
#include "kestrel/platform/keys.h"
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
  // Keyboard: a controller's buttons held now, as PadButton bits, its stick
  // as the d-pad.
  virtual uint32_t ReadPad() { return 0; }
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

// A device reads through the bindings it is made with (bindings.h): the
// keyboard's state holds the keys a held pad button stands for.
class InputDevice {
 public:
  // Reads through `script` (copied) when a played script carries bindings,
  // else through the player's settings, as they are at each read.
  InputDevice(DeviceKind kind, std::unique_ptr<InputDeviceBackend> backend, const Bindings* script = nullptr);
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

  // The bindings the device reads through.
  const Bindings& Bound() const { return *bound_; }
  DeviceKind Kind() const { return kind_; }
  bool Acquired() const { return acquired_; }
  uint32_t BufferSize() const { return bufferSize_; }

 private:
  bool Fault(const char* call, HResult& result) const;
  // Moves backend events into the device buffer, dropping what does not fit.
  void FillBuffer();

  DeviceKind kind_;
  std::unique_ptr<InputDeviceBackend> backend_;
  std::optional<Bindings> script_;
  const Bindings* bound_;
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

// Presses an action, or lets it go, as its first bound key would (touch
// controls that have no key of their own).
void PressAction(Action action, bool down);

// ---- backends ----
// What a backend offers the devices. One lives per display.
class InputBackend {
 public:
  virtual ~InputBackend() = default;
  // Null with DIERR_DEVICENOTREG when no such device is attached.
  virtual HResult Open(DeviceKind kind, std::unique_ptr<InputDeviceBackend>& out) = 0;
  virtual bool CursorClientPos(WindowHandle window, Point& out) = 0;
  // A key goes down or up as if the player pressed it.
  virtual void PressKey(uint8_t dik, bool down) = 0;
};

// The input backend of the current display (its CreateInputBackend).
// Dropped by ResetPlatform.
InputBackend& GetInputBackend();

}  // namespace kestrel::platform
