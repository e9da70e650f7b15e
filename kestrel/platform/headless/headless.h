// The in-memory backend: no window, no waiting, no randomness. It keeps the
// last frame that reached the "screen", can log a hash of every frame, write
// frames as PNG, bound the number of frames, and feed scripted input.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kestrel/platform/display.h"
#include "kestrel/platform/input.h"
#include "kestrel/platform/input_script.h"
#include "kestrel/platform/sound.h"

namespace kestrel::platform {

struct HeadlessOptions {
  int desktopDepth = 32;       // KESTREL_DEPTH
  int32_t screenWidth = 1280;  // the pretend desktop
  int32_t screenHeight = 1024;
  int answer = -1;          // KESTREL_ANSWER: 1 yes, 0 no, -1 unset (then No)
  int64_t maxFrames = -1;   // KESTREL_MAX_FRAMES: close request after N frames
  std::string inputScript;  // KESTREL_INPUT
  std::string frameLog;     // KESTREL_FRAMELOG
  std::string captureDir;   // KESTREL_CAPTURE
  int captureEvery = 1;     // KESTREL_CAPTURE_EVERY
  // Full-screen modes offered; empty means 320 x 200 at 15, 16, 24, 32 and
  // the desktop's own mode.
  std::vector<ModeEntry> modes;
  bool offerModes = true;        // false: the mode table comes out empty
  bool sixteenBitIs555 = false;  // the 16-bit mode is really 5-5-5

  static HeadlessOptions FromEnvironment();
};

// What the keyboard and mouse look like to the headless input layer.
struct HeadlessInputState {
  std::array<uint8_t, 256> keys{};  // 0x80 while held
  Point mouse{};                    // client coordinates
  struct ButtonEvent {
    int button;  // 0 left, 1 right, 2 middle
    bool down;
  };
  std::deque<ButtonEvent> buttonEvents;  // not yet read by the mouse layer
  bool focused = true;
  // When each key and button last went down: the number of frames presented
  // then, plus one (0: never). A press counts for the frame after it.
  std::array<uint64_t, 256> keyPressedAt{};
  std::array<uint64_t, 3> buttonPressedAt{};
};

class HeadlessDisplay : public Display {
 public:
  explicit HeadlessDisplay(HeadlessOptions options = {});
  ~HeadlessDisplay() override;

  const char* BackendName() const override { return "headless"; }
  int DesktopDepth() const override { return options_.desktopDepth; }
  Point ScreenSize() const override { return {options_.screenWidth, options_.screenHeight}; }
  std::vector<ModeEntry> DisplayModes() const override;
  HResult OpenWindow(WindowHandle window, const std::string& caption, int32_t clientWidth, int32_t clientHeight,
                     bool fullScreen) override;
  void CloseWindow(WindowHandle window) override;
  HResult ChangeMode(int32_t width, int32_t height, int32_t bitsPerPixel) override;
  void RestoreMode() override;
  int RealModeDepth(int32_t bitsPerPixel) const override {
    return bitsPerPixel == 16 && options_.sixteenBitIs555 ? 15 : bitsPerPixel;
  }
  void ShowFrame(const Surface& picture, const Rect& area) override;
  void WaitForVerticalBlank() override;
  void PollEvents() override;
  void SetCursorVisible(bool visible) override { cursorVisible_ = visible; }
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  void ShowErrorMessage(const std::string& caption, const std::string& text) override;
  std::unique_ptr<InputBackend> CreateInputBackend() override;
  std::unique_ptr<SoundBackend> CreateSoundBackend() override;
  const Bindings* ScriptBindings() const override { return scriptBindings_ ? &*scriptBindings_ : nullptr; }

  // ---- for tests ----
  HeadlessOptions& Options() { return options_; }
  HeadlessInputState& Input() { return input_; }
  // Events applied when the frame count reaches their frame; the Bind events
  // of one call say, for each action they name, all of its keys.
  void QueueEvents(std::vector<ScriptEvent> events);
  // A key goes down or up now, as a script's key event does.
  void PressKey(uint8_t code, bool down);
  // The last presented picture, unpacked to 8-bit RGB, and its size.
  const std::vector<uint8_t>& LastFrame() const;
  int32_t LastFrameWidth() const { return lastWidth_; }
  int32_t LastFrameHeight() const { return lastHeight_; }
  uint64_t LastFrameHash() const;
  uint64_t VerticalBlankWaits() const { return vblankWaits_; }
  bool CursorVisible() const { return cursorVisible_; }
  bool WindowOpen() const { return windowOpen_; }
  bool ModeChanged() const { return modeChanged_; }
  // The questions and error messages shown so far.
  const std::vector<std::string>& Questions() const { return questions_; }
  const std::vector<std::string>& ErrorMessages() const { return errors_; }

 protected:
  void AfterFrame() override;

 private:
  void ApplyDueEvents();
  HeadlessOptions options_;
  HeadlessInputState input_;
  std::deque<ScriptEvent> events_;
  // The program's bindings with the script's own for the actions it names.
  std::optional<Bindings> scriptBindings_;
  // The last frame as stored; it is unpacked and hashed only when asked for,
  // so a run that nobody watches costs one copy per frame.
  std::vector<uint8_t> rawFrame_;
  int rawDepth_ = 0;
  mutable std::vector<uint8_t> lastFrame_;
  mutable bool rgbValid_ = false;
  mutable uint64_t lastHash_ = 0;
  mutable bool hashValid_ = false;
  int32_t lastWidth_ = 0, lastHeight_ = 0;
  uint64_t vblankWaits_ = 0;
  bool cursorVisible_ = true;
  bool windowOpen_ = false;
  bool modeChanged_ = false;
  bool closeSent_ = false;
  std::vector<std::string> questions_;
  std::vector<std::string> errors_;
  FILE* frameLog_ = nullptr;
};

// The display's input and sound (headless_input.cpp, headless_sound.cpp).
std::unique_ptr<InputBackend> CreateHeadlessInput();
std::unique_ptr<SoundBackend> CreateHeadlessSoundBackend();

// ---- for tests ----
// A pretend joystick with these button names (empty: none).
void SetHeadlessJoystick(std::vector<std::string> buttonNames);
// Makes every device lost once, as losing focus does.
void LoseHeadlessDevices();
// The headless backend plays nothing; it records each call it receives and
// pretends sounds play until stopped (a stream without loop too).
struct HeadlessSoundLog {
  std::vector<std::string> calls;        // e.g. "Open 2 44100 64", "PlayStream 3 level 100"
  float version = kSoundLibraryVersion;  // KESTREL_SOUND_VERSION sets it
};
// The log of the current headless sound system; null when it is not headless.
HeadlessSoundLog* HeadlessSound();

}  // namespace kestrel::platform
