// The SDL2 display: one window. A frame is scaled by a whole factor into the
// window's surface, at the largest factor that fits and between black bars,
// in a window of any size and on the whole screen; or, when asked for, drawn
// through a renderer.
// This file starts SDL's video, pumps its events and shows error messages;
// the window is in sdl_window.cpp, presenting in sdl_present.cpp, the frame
// clock in sdl_clock.cpp, and the start-up question in desktop/question.cpp.
#include "kestrel/platform/sdl/sdl_display.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "kestrel/platform/input.h"
#include "kestrel/platform/sdl/sdl_display_impl.h"
#include "kestrel/platform/sdl/sdl_display_lost.h"
#include "kestrel/platform/sdl/sdl_record.h"
#include "kestrel/platform/settings.h"
#include "kestrel/platform/sound.h"
#include "kestrel/platform/termination.h"
#include "kestrel/platform/text.h"

namespace kestrel::platform {

namespace {

bool IsValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t extra = 0;
    if (c >= 0x80) {
      if ((c & 0xE0) == 0xC0) extra = 1;
      else if ((c & 0xF0) == 0xE0) extra = 2;
      else if ((c & 0xF8) == 0xF0) extra = 3;
      else return false;
    }
    if (i + extra >= s.size() && extra > 0) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace

std::string ToUtf8(const std::string& text) {
  if (IsValidUtf8(text)) return text;
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) {
    const uint32_t u = Cp1252ToUnicode(static_cast<uint8_t>(c));
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

SdlDisplay::SdlDisplay() : impl_(std::make_unique<Impl>()), recorder_(SdlRecorder::FromEnvironment()) {}

SdlDisplay::~SdlDisplay() {
  CloseWindow(impl_->handle);
  HearOutTheDestroyedWindow();
  if (impl_->videoOk) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

std::unique_ptr<Display> CreateSdlDisplay() { return std::make_unique<SdlDisplay>(); }

std::unique_ptr<InputBackend> SdlDisplay::CreateInputBackend() { return CreateSdlInput(*this); }

std::unique_ptr<SoundBackend> SdlDisplay::CreateSoundBackend() { return CreateSdlSoundBackend(); }

namespace {

// Why no real display could be had, in the player's terms, and only what
// is true: a variable that is unset is not called unreachable.
std::string NoDisplayReason() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const auto state = [](const char* variable, const char* value, const char* kind) {
    if (!value) return std::string(variable) + " is unset";
    if (!*value) return std::string(variable) + " is empty";
    return "the " + std::string(kind) + " display \"" + value + "\" could not be opened";
  };
  const std::string why = !x && !wayland
                              ? "DISPLAY and WAYLAND_DISPLAY are unset"
                              : state("DISPLAY", x, "X") + ", and " + state("WAYLAND_DISPLAY", wayland, "Wayland");
  return "No display could be opened: start the game from a graphical desktop (" + why + ").";
}

// Whether a Wayland display may be there; without one, libwayland would
// complain on standard error while SDL tries it.
bool WaylandMayBeThere() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland && *wayland) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime && *runtime && ::access((std::string(runtime) + "/wayland-0").c_str(), F_OK) == 0;
}

}  // namespace

bool SdlDisplay::EnsureVideo() const {
  if (!impl_->videoTried) {
    impl_->videoTried = true;
    // A window surface drawn through shared memory, not through a GL texture:
    // without a GPU, GL is a software rasteriser that costs a millisecond a
    // frame and most of the memory a window takes. SDL reads this once, when
    // the first window surface is made.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The window's class, which a dock matches against the desktop entry.
    // SDL reads these when video starts; one the user set stays.
    if (const std::string& id = CurrentSettings().windowClass; !id.empty()) {
      SDL_setenv("SDL_VIDEO_X11_WMCLASS", id.c_str(), 0);
      SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", id.c_str(), 0);
    }
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (asked && *asked) {
      // The user chose a driver, perhaps the offscreen one: theirs to have.
      impl_->videoOk = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
      if (!impl_->videoOk)
        impl_->videoError =
            "No display could be opened with SDL_VIDEODRIVER=" + std::string(asked) + ": " + SDL_GetError() + ".";
    } else {
      // Only drivers that show something. Left to itself SDL falls back to
      // its offscreen driver, and the game would run unseen.
      for (int i = 0; i < SDL_GetNumVideoDrivers() && !impl_->videoOk; ++i) {
        const std::string name = SDL_GetVideoDriver(i);
        if (name == "offscreen" || name == "dummy" || name == "evdev") continue;
        if (name == "wayland" && !WaylandMayBeThere()) continue;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, name.c_str());
        impl_->videoOk = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
      }
      SDL_ResetHint(SDL_HINT_VIDEODRIVER);
      if (!impl_->videoOk) impl_->videoError = NoDisplayReason();
    }
    if (impl_->videoOk) {
      EndAtOnceWhenTheDisplayGoes();
      // The window is watched from its first moment: SDL tells its watchers
      // as it shows it, before the first frame.
      SDL_AddEventWatch(
          [](void*, SDL_Event* e) {
            if (e->type == SDL_WINDOWEVENT && e->window.event == SDL_WINDOWEVENT_SHOWN)
              WatchTheWindow(SDL_GetWindowFromID(e->window.windowID));
            return 0;
          },
          nullptr);
    }
  }
  return impl_->videoOk;
}

void SdlDisplay::PollEvents() {
  if (!impl_->videoOk) return;
  bool closeSeen = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    // While recording, input waits for the next frame.
    if (recorder_ && recorder_->Hold(event)) continue;
    HandleEvent(event, closeSeen);
  }
  if (recorder_) {
    bool heldCloseSeen = false;
    recorder_->Release(*this, [&](const SDL_Event& e) { return HandleEvent(e, heldCloseSeen); });
  }
  // Another program destroyed the window: the game ends as by its close box.
  if (TakeTheWindowDestroyed()) {
    std::fputs("The window was destroyed by another program; the game ends.\n", stderr);
    RequestClose();
  }
}

bool SdlDisplay::HandleEvent(const SDL_Event& event, bool& closeSeen) {
  // Closing the last window brings a window-close event and a quit event
  // together; they are one close request.
  bool closing = false;
  if (event.type == SDL_WINDOWEVENT && window_ && event.window.windowID == SDL_GetWindowID(window_)) {
    if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
      RequestClose();
      closeSeen = closing = true;
    } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
      impl_->Redraw();
    }
  } else if (event.type == SDL_KEYDOWN &&
             (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER) &&
             (event.key.keysym.mod & KMOD_ALT)) {
    // Alt+Enter switches between the window and the whole screen; the game
    // does not see it as Enter.
    if (!event.key.repeat) ToggleFullScreen();
    return false;
  } else if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F12 && !event.key.repeat) {
    // A screenshot of the next frame shown. The game reads no F12, so the
    // key still goes to the listeners and play is the same.
    impl_->shotWanted = true;
  } else if (event.type == SDL_RENDER_DEVICE_RESET) {
    // The texture went with the device; the next frame makes a new one.
    impl_->DropTexture();
  } else if (event.type == SDL_QUIT) {
    if (!closeSeen) {
      RequestClose();
      closing = true;
    }
    closeSeen = false;
  }
  // By index: a listener may add another.
  for (size_t i = 0; i < listeners_.size(); ++i) listeners_[i](event);
  return closing;
}

void SdlDisplay::AfterFrame() {
  if (recorder_) recorder_->AfterFrame(framesPresented_);
}

std::string SdlDisplay::WindowFailure() const { return impl_->videoTried ? impl_->videoError : ""; }

void SdlDisplay::ShowErrorMessage(const std::string& caption, const std::string& text) {
  // Without a display there is nowhere to show a box; standard error has it.
  if (impl_->videoTried && !impl_->videoOk) return;
  // The text also goes to standard error, so a box that cannot be shown loses nothing.
  // A termination signal meanwhile ends the process and the box.
  const EndAtOnceOnSignal endsAtOnce;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, ToUtf8(caption).c_str(), ToUtf8(text).c_str(),
                           impl_->shownFullScreen ? nullptr : window_);
}

void SdlDisplay::AddEventListener(EventListener listener) { listeners_.push_back(std::move(listener)); }
const Bindings* SdlDisplay::ScriptBindings() const {
  return recorder_ && recorder_->ScriptBindings() ? &*recorder_->ScriptBindings() : nullptr;
}

}  // namespace kestrel::platform
