// The keyboard, the mouse and a joystick, bound to the game's window. Keys
// are asked by scan code and read fresh each time; mouse buttons come from the
// mouse's event buffer; the pointer from the window system. A key or button
// that went down since the last frame was presented reads as held at its
// first read in the next frame even if it is up again, so a tap shorter than
// a frame is never lost.
//
// For a menu drawn for the mouse, the keys and a game controller can stand
// in for the pointer: the menu offers the boxes it can be pointed at each
// frame, and the pointer is moved among them and clicked. For a pause, the
// pause keys and the loss of the window's focus are reported.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/platform/display.h"
#include "kestrel/platform/input.h"
#include "kestrel/platform/settings.h"

namespace kestrel {

// The description of a DirectInput result code; "Unrecognized Error" for
// codes outside the table.
std::string DirectInputErrorText(uint32_t code);

// A box the menu's pointer may rest on, in the window's client coordinates,
// edges included. `Id` tells the same box apart from frame to frame.
struct TPointerTarget {
  int32_t Id = 0;
  int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

class TInput64 {
 public:
  explicit TInput64(platform::WindowHandle window);
  virtual ~TInput64();
  TInput64(const TInput64&) = delete;
  TInput64& operator=(const TInput64&) = delete;

  // Whether the key with this scan code (0 to 255) is held now. The keys the
  // game was made with for an action (left Ctrl for fire) answer for the
  // keys the player bound to it (platform/bindings.h).
  bool KeyDown(int32_t key);
  // The pointer in the window's client coordinates, unscaled.
  void GetMousePos(int32_t& x, int32_t& y);
  int32_t MouseX();
  int32_t MouseY();
  // Reads the mouse's event buffer, then gives the three button states.
  void MouseButtons(bool& left, bool& middle, bool& right);

  // Once a menu frame, before the menu looks at the pointer: the boxes that
  // can be pointed at now. The arrows, the keys bound to left, right and
  // jump, a pad's d-pad or left stick move a highlight among them, and the
  // pointer then rests at the middle of the highlighted box; Enter, keypad
  // Enter, the keys bound to fire or a pad's A, X or Start click once where
  // the pointer is; Esc, the keys bound to back or a pad's B or Back click
  // once on the box `backId` (none when no box has it). The highlight
  // starts on the first box offered, and again there when its box goes
  // away with its page. Moving the mouse gives the pointer back to it. A
  // key that clicked reads as up until it is let go, so the click does not
  // also act on what the menu opens.
  void OfferPointerTargets(const TPointerTarget* targets, int32_t count, int32_t backId);
  // Whether a key or pad button bound to pause (P, Pause, Start unless the
  // player chose others) went down since the last presented frame.
  bool PauseKeyPressed();
  // Whether the keyboard was lost since this was last asked (or the menu
  // last offered its boxes), as happens when the window loses the focus. It
  // is taken back at once.
  bool FocusLost();

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

  // What went down since the last presented frame; all zero when unknown.
  void FramePresses(platform::InputDevice* device, uint8_t* out, uint32_t size);
  int32_t TargetIndex(int32_t id) const;
  int32_t TargetAt(platform::Point p) const;
  void Swallow(uint8_t key);
  // The bindings the keyboard reads through.
  const platform::Bindings& Bound() const;

  static constexpr int32_t kMaxTargets = 32;
  TPointerTarget targets_[kMaxTargets];
  int32_t targetCount_ = 0;
  // The pointer rests on a highlighted box rather than following the mouse.
  bool pointerHeld_ = false;
  int32_t highlightId_ = 0;
  platform::Point heldPointer_{};
  platform::Point lastMouse_{};
  bool mouseSeen_ = false;
  // The frame (plus one) in which the keys clicked.
  uint64_t clickAt_ = 0;
  // Keys that clicked read as up until let go; the frame (plus one) they
  // clicked in.
  uint64_t swallowedAt_[256] = {};
  // The frame (plus one) in which a press was last read: it counts once.
  uint64_t keyPressReadAt_[256] = {};
  uint64_t buttonPressReadAt_[3] = {};
  // A read found the keyboard lost since FocusLost last answered.
  bool keyboardLost_ = false;
};

}  // namespace kestrel
