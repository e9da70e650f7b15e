// The keyboard, the mouse and a joystick, bound to the game's window. Keys
// are asked by scan code and read fresh each time; mouse buttons come from the
// mouse's event buffer; the pointer from the window system.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/platform/display.h"
#include "kestrel/platform/input.h"

namespace kestrel {

// The description of a DirectInput result code; "Unrecognized Error" for
// codes outside the table.
std::string DirectInputErrorText(uint32_t code);

class TInput64 {
 public:
  explicit TInput64(platform::WindowHandle window);
  virtual ~TInput64();
  TInput64(const TInput64&) = delete;
  TInput64& operator=(const TInput64&) = delete;

  // Whether the key with this scan code (0 to 255) is held now.
  bool KeyDown(int32_t key);
  // The pointer in the window's client coordinates, unscaled.
  void GetMousePos(int32_t& x, int32_t& y);
  int32_t MouseX();
  int32_t MouseY();
  // Reads the mouse's event buffer, then gives the three button states.
  void MouseButtons(bool& left, bool& middle, bool& right);

  uint8_t JoystickPresent = 0;
  int32_t ButtonCount = 0;
  std::vector<std::string> JoystickButtonNames;

 protected:
  // Releases the devices; safe to call more than once.
  void Release();
  [[noreturn]] void ReportError(const std::string& operation, const std::string& text);

 private:
  void Check(platform::HResult result, const char* operation);
  // Takes a device back after a failed read. A platform that keeps answering
  // "input lost" gets a bounded number of tries, so a read never hangs.
  static void Reacquire(platform::InputDevice& device);

  platform::WindowHandle window_ = 0;
  std::unique_ptr<platform::DirectInput> directInput_;
  std::unique_ptr<platform::InputDevice> keyboard_;
  std::unique_ptr<platform::InputDevice> mouse_;
  std::unique_ptr<platform::InputDevice> joystick_;
  uint8_t rightButton_ = 0;
  uint8_t leftButton_ = 0;
  uint8_t middleButton_ = 0;
};

}  // namespace kestrel
