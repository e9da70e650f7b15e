// The parts of the input seam every backend shares: acquisition, the mouse's
// event buffer, argument checks and fault checks.
#include "kestrel/platform/input.h"

#include <cstring>
#include <string>

#include "kestrel/base/faults.h"
#include "kestrel/platform/display.h"
#include "kestrel/platform/settings.h"

namespace kestrel::platform {

namespace {

constexpr HResult DI_NOEFFECT = 0x00000001;
constexpr HResult DIERR_ACQUIRED = 0x800700AA;
constexpr HResult DIERR_NOTBUFFERED = 0x80040207;
constexpr HResult DIERR_UNSUPPORTED = 0x80004001;
constexpr HResult E_POINTER = 0x80004003;

const char* Letter(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::Keyboard: return "K";
    case DeviceKind::Mouse: return "M";
    case DeviceKind::Joystick: return "J";
  }
  return "";
}

DataFormat FormatOf(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::Keyboard: return DataFormat::Keyboard;
    case DeviceKind::Mouse: return DataFormat::Mouse;
    case DeviceKind::Joystick: return DataFormat::Joystick;
  }
  return DataFormat::Keyboard;
}

std::unique_ptr<InputBackend>& BackendSlot() {
  static std::unique_ptr<InputBackend> backend;
  return backend;
}

}  // namespace

InputDevice::InputDevice(DeviceKind kind, std::unique_ptr<InputDeviceBackend> backend, const Bindings* script)
    : kind_(kind), backend_(std::move(backend)) {
  if (script) script_ = *script;
  bound_ = script_ ? &*script_ : &CurrentSettings().bindings;
}

InputDevice::~InputDevice() = default;

bool InputDevice::Fault(const char* call, HResult& result) const {
  result = CheckFault(std::string(call) + Letter(kind_));
  return result != DI_OK;
}

HResult InputDevice::SetDataFormat(DataFormat format) {
  HResult r;
  if (Fault("SetDataFormat", r)) return r;
  if (acquired_) return DIERR_ACQUIRED;
  if (format != FormatOf(kind_)) return DIERR_INVALIDPARAM;
  formatSet_ = true;
  return DI_OK;
}

HResult InputDevice::SetCooperativeLevel(WindowHandle window, uint32_t flags) {
  HResult r;
  if (Fault("SetCooperativeLevel", r)) return r;
  bool oneShare = bool(flags & DISCL_EXCLUSIVE) != bool(flags & DISCL_NONEXCLUSIVE);
  bool oneScope = bool(flags & DISCL_FOREGROUND) != bool(flags & DISCL_BACKGROUND);
  if (!oneShare || !oneScope) return DIERR_INVALIDPARAM;
  if (!HasDisplay() || !GetDisplay().IsWindow(window)) return DIERR_INVALIDHANDLE;
  levelSet_ = true;
  return DI_OK;
}

HResult InputDevice::SetProperty(uint32_t property, const DIPropHeader* header) {
  HResult r;
  if (Fault("SetProperty", r)) return r;
  if (!header) return E_POINTER;
  if (header->dwHeaderSize != sizeof(DIPropHeader)) return DIERR_INVALIDPARAM;
  if (acquired_) return DIERR_ACQUIRED;
  switch (property) {
    case DIPROP_BUFFERSIZE: {
      if (header->dwSize != sizeof(DIPropDword) || header->dwHow != DIPH_DEVICE) return DIERR_INVALIDPARAM;
      bufferSize_ = reinterpret_cast<const DIPropDword*>(header)->dwData;
      // A buffer larger than we can sensibly hold is trimmed, as drivers do.
      if (bufferSize_ > 1024) bufferSize_ = 1024;
      return DI_OK;
    }
    case DIPROP_RANGE: {
      if (kind_ != DeviceKind::Joystick) return DIERR_UNSUPPORTED;
      if (header->dwSize != sizeof(DIPropRange)) return DIERR_INVALIDPARAM;
      auto* range = reinterpret_cast<const DIPropRange*>(header);
      return range->lMin < range->lMax ? DI_OK : DIERR_INVALIDPARAM;
    }
    case DIPROP_DEADZONE:
    case DIPROP_SATURATION: {
      if (kind_ != DeviceKind::Joystick) return DIERR_UNSUPPORTED;
      if (header->dwSize != sizeof(DIPropDword)) return DIERR_INVALIDPARAM;
      return reinterpret_cast<const DIPropDword*>(header)->dwData <= 10000 ? DI_OK : DIERR_INVALIDPARAM;
    }
    default: return DIERR_UNSUPPORTED;
  }
}

HResult InputDevice::Acquire() {
  HResult r;
  if (Fault("Acquire", r)) return r;
  if (!formatSet_) return DIERR_INVALIDPARAM;
  backend_->TakeLost();
  if (acquired_) return DI_NOEFFECT;
  // Nothing is buffered while a device is not acquired.
  if (kind_ == DeviceKind::Mouse) {
    std::deque<DIDeviceObjectData> dropped;
    backend_->TakeMouseEvents(dropped);
  }
  acquired_ = true;
  return DI_OK;
}

HResult InputDevice::Unacquire() {
  HResult r;
  if (Fault("Unacquire", r)) return r;
  if (!acquired_) return DI_NOEFFECT;
  acquired_ = false;
  return DI_OK;
}

HResult InputDevice::GetDeviceState(uint32_t size, void* data) {
  HResult r;
  if (Fault("GetDeviceState", r)) return r;
  if (!data) return E_POINTER;
  if (kind_ != DeviceKind::Keyboard) return DIERR_UNSUPPORTED;
  if (size != 256) return DIERR_INVALIDPARAM;
  if (acquired_ && backend_->TakeLost()) {
    acquired_ = false;
    return DIERR_INPUTLOST;
  }
  if (!acquired_) return DIERR_NOTACQUIRED;
  uint8_t keys[256] = {};
  backend_->ReadKeys(keys);
  bound_->HoldPadKeys(backend_->ReadPad(), keys);
  std::memcpy(data, keys, sizeof keys);
  return DI_OK;
}

void InputDevice::FillBuffer() {
  std::deque<DIDeviceObjectData> events;
  backend_->TakeMouseEvents(events);
  for (auto& e : events) {
    if (buffer_.size() >= bufferSize_) {
      // The device keeps the oldest events; the rest are lost.
      overflowed_ = true;
      break;
    }
    e.dwSequence = ++sequence_;
    buffer_.push_back(e);
  }
}

HResult InputDevice::GetDeviceData(uint32_t recordSize, DIDeviceObjectData* records, uint32_t& count, uint32_t flags) {
  uint32_t room = count;
  count = 0;
  HResult r;
  if (Fault("GetDeviceData", r)) return r;
  if (recordSize != sizeof(DIDeviceObjectData) || flags != 0) return DIERR_INVALIDPARAM;
  if (!records && room > 0) return E_POINTER;
  if (bufferSize_ == 0) return DIERR_NOTBUFFERED;
  if (acquired_ && backend_->TakeLost()) {
    acquired_ = false;
    buffer_.clear();
    return DIERR_INPUTLOST;
  }
  if (!acquired_) return DIERR_NOTACQUIRED;
  FillBuffer();
  while (count < room && !buffer_.empty()) {
    records[count++] = buffer_.front();
    buffer_.pop_front();
  }
  // The overflow notice comes once, with the records that did fit.
  HResult result = overflowed_ ? DI_BUFFEROVERFLOW : DI_OK;
  overflowed_ = false;
  return result;
}

HResult InputDevice::GetObjectInfo(DIDeviceObjectInstance* info, uint32_t object, uint32_t how) {
  HResult r;
  if (Fault("GetObjectInfo", r)) return r;
  if (!info) return E_POINTER;
  if (info->dwSize != sizeof(DIDeviceObjectInstance) || how != DIPH_BYOFFSET) return DIERR_INVALIDPARAM;
  if (kind_ != DeviceKind::Joystick || object < DIJOFS_BUTTON0) return DIERR_NOTFOUND;
  std::vector<std::string> names = backend_->ButtonNames();
  uint32_t index = object - DIJOFS_BUTTON0;
  if (index >= names.size()) return DIERR_NOTFOUND;
  info->dwOfs = object;
  info->dwType = 0;
  std::memset(info->tszName, 0, sizeof info->tszName);
  std::strncpy(info->tszName, names[index].c_str(), sizeof info->tszName - 1);
  return DI_OK;
}

namespace {

// Presses count while the frame after them is being made.
uint64_t CurrentFrame() { return HasDisplay() ? GetDisplay().FramesPresented() : 0; }

}  // namespace

HResult InputDevice::GetFramePresses(uint32_t size, void* data) {
  HResult r;
  if (Fault("GetPresses", r)) return r;
  if (!data) return E_POINTER;
  const uint32_t want = kind_ == DeviceKind::Keyboard ? 256 : kind_ == DeviceKind::Mouse ? 3 : 0;
  if (want == 0) return DIERR_UNSUPPORTED;
  if (size != want) return DIERR_INVALIDPARAM;
  if (!acquired_) return DIERR_NOTACQUIRED;
  uint8_t presses[256] = {};
  backend_->ReadPresses(CurrentFrame(), presses);
  std::memcpy(data, presses, size);
  return DI_OK;
}

uint32_t InputDevice::TakePadPresses() {
  if (kind_ != DeviceKind::Keyboard || !acquired_) return 0;
  return backend_->TakePadPresses(CurrentFrame());
}

HResult DirectInput::CreateDevice(DeviceKind kind, std::unique_ptr<InputDevice>& out) {
  out.reset();
  HResult r = CheckFault(std::string("CreateDevice") + Letter(kind));
  if (r != DI_OK) return r;
  std::unique_ptr<InputDeviceBackend> backend;
  r = GetInputBackend().Open(kind, backend);
  if (r != DI_OK) return r;
  // The bindings are looked up once, here: a script played on the display
  // brings its own.
  out = std::make_unique<InputDevice>(kind, std::move(backend), GetDisplay().ScriptBindings());
  return DI_OK;
}

HResult DirectInput8Create(uint32_t version, std::unique_ptr<DirectInput>& out) {
  out.reset();
  HResult r = CheckFault("DirectInputCreate");
  if (r != DI_OK) return r;
  if (version < DIRECTINPUT_VERSION) return DIERR_OLDDIRECTINPUTVERSION;
  if (version > DIRECTINPUT_VERSION) return DIERR_BETADIRECTINPUTVERSION;
  out = std::make_unique<DirectInput>();
  return DI_OK;
}

bool GetCursorClientPos(WindowHandle window, Point& out) {
  out = Point{};
  if (CheckFault("GetCursorPos") != DI_OK) return false;
  return GetInputBackend().CursorClientPos(window, out);
}

void PressAction(Action action, bool down) {
  const Bindings* script = GetDisplay().ScriptBindings();
  const std::vector<uint8_t>& keys = (script ? *script : CurrentSettings().bindings).Keys(action);
  if (!keys.empty()) GetInputBackend().PressKey(keys.front(), down);
}

InputBackend& GetInputBackend() {
  auto& slot = BackendSlot();
  if (!slot) {
    static bool hooked = false;
    if (!hooked) {
      hooked = true;
      OnPlatformReset([] { BackendSlot().reset(); });
    }
    slot = GetDisplay().CreateInputBackend();
  }
  return *slot;
}

}  // namespace kestrel::platform
