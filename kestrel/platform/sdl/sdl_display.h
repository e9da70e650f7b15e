// The real backend's display: an SDL2 window of any size that shows the
// emulated picture at the largest whole factor that fits, between black
// bars, in a window and on the whole screen alike.
#pragma once
#include <SDL.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kestrel/platform/display.h"

namespace kestrel::platform {

class SdlRecorder;

class SdlDisplay : public Display {
 public:
  SdlDisplay();
  ~SdlDisplay() override;

  const char* BackendName() const override { return "sdl"; }
  int DesktopDepth() const override;
  Point ScreenSize() const override;
  std::vector<ModeEntry> DisplayModes() const override;
  HResult OpenWindow(WindowHandle window, const std::string& caption, int32_t clientWidth, int32_t clientHeight,
                     bool fullScreen) override;
  void CloseWindow(WindowHandle window) override;
  HResult ChangeMode(int32_t width, int32_t height, int32_t bitsPerPixel) override;
  void RestoreMode() override;
  void ShowFrame(const Surface& picture, const Rect& area) override;
  void WaitForVerticalBlank() override;
  void PollEvents() override;
  void SetCursorVisible(bool visible) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  void ShowErrorMessage(const std::string& caption, const std::string& text) override;
  std::string WindowFailure() const override;
  std::unique_ptr<InputBackend> CreateInputBackend() override;
  std::unique_ptr<SoundBackend> CreateSoundBackend() override;
  void SetWindowIcon(const std::vector<uint32_t>& argb, int32_t width, int32_t height) override;

  // The input layer listens here for keyboard, mouse, focus and controller
  // events; PollEvents hands each SDL event to every listener.
  using EventListener = std::function<void(const SDL_Event&)>;
  void AddEventListener(EventListener listener);
  // Maps a position in SDL window coordinates to client coordinates: window
  // pixels in a window, the emulated picture's pixels in full screen.
  Point WindowToClient(int32_t x, int32_t y) const;
  SDL_Window* Window() const { return window_; }
  // Alt+Enter: the real window goes to the whole screen or back to its own
  // size; the context, its picture and its pointer coordinates stay as they
  // are.
  void ToggleFullScreen();
  bool ShownFullScreen() const;
  // What KESTREL_RECORD and KESTREL_FRAMELOG ask to be written; null when
  // neither is set.
  SdlRecorder* Recorder() const { return recorder_.get(); }
  // The keys a played script was recorded with, over the player's settings.
  const Bindings* ScriptBindings() const override;

  // ---- for tests ----
  // True when frames go through an SDL renderer rather than the window
  // surface (KESTREL_PRESENT=renderer, or no window surface to be had).
  bool UsesRenderer() const;
  // Draws the last frame again and reads the window's pixels back as 8-bit
  // RGB triples; false without a window.
  bool ReadScreen(std::vector<uint8_t>& rgb, int& width, int& height);

 protected:
  void AfterFrame() override;

 private:
  // Starts SDL's video once; false (with the reason kept) when it cannot.
  bool EnsureVideo() const;
  // Acts on one SDL event and hands it to the listeners; true when it asked
  // the window to close. `closeSeen` joins a close and a quit into one.
  bool HandleEvent(const SDL_Event& event, bool& closeSeen);
  struct Impl;
  std::unique_ptr<Impl> impl_;
  SDL_Window* window_ = nullptr;
  std::deque<EventListener> listeners_;  // stays in place as listeners are added
  std::unique_ptr<SdlRecorder> recorder_;
};

// The display's input and sound (sdl_input.cpp, sdl_sound.cpp).
std::unique_ptr<InputBackend> CreateSdlInput(Display& display);
std::unique_ptr<SoundBackend> CreateSdlSoundBackend();

// ---- the SDL key table ----
// The scan code of an SDL scancode; 0 for keys without one.
uint8_t DikFromSdlScancode(int sdlScancode);
// The first SDL scancode giving `dik`; 0 (SDL_SCANCODE_UNKNOWN) when none.
int SdlScancodeFromDik(uint8_t dik);
// Every (SDL scancode, scan code) pair of the table, in table order.
std::vector<std::pair<int, uint8_t>> SdlKeyTable();

}  // namespace kestrel::platform
