#include "kestrel/platform/sdl/sdl_record.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "kestrel/base/picture_hash.h"
#include "kestrel/platform/environment.h"
#include "kestrel/platform/errors.h"
#include "kestrel/platform/sdl/sdl_display.h"
#include "kestrel/platform/settings.h"
#include "kestrel/platform/surface.h"

namespace kestrel::platform {

namespace {

// A file a setting names; one that cannot be written is a bad setting, as
// on the headless backend.
FILE* Create(const std::string& path, const char* variable) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) EnvUnusable(variable, path, std::string("cannot write it (") + std::strerror(errno) + ")");
  return f;
}

// The script's name of a mouse button; null for the side buttons, which the
// game does not use and a script cannot name.
const char* ButtonName(uint8_t button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return "left";
    case SDL_BUTTON_RIGHT: return "right";
    case SDL_BUTTON_MIDDLE: return "middle";
    default: return nullptr;
  }
}

}  // namespace

std::unique_ptr<SdlRecorder> SdlRecorder::FromEnvironment() {
  const std::string input = EnvValue("KESTREL_RECORD").value_or("");
  const std::string frameLog = EnvValue("KESTREL_FRAMELOG").value_or("");
  const std::string script = EnvValue("KESTREL_INPUT").value_or("");
  if (input.empty() && frameLog.empty() && script.empty()) return nullptr;
  // What the game would see is the script itself.
  if (!input.empty() && !script.empty())
    throw UsageError("KESTREL_RECORD=\"" + input + "\" is not usable while KESTREL_INPUT plays a script");
  // The script is read first, so that a bad one leaves no files behind.
  std::vector<ScriptEvent> events;
  if (!script.empty()) events = LoadInputScript(script);
  auto recorder = std::make_unique<SdlRecorder>(input, frameLog);
  if (!script.empty()) recorder->Play(std::move(events));
  return recorder;
}

SdlRecorder::SdlRecorder(const std::string& inputPath, const std::string& frameLogPath) : inputPath_(inputPath) {
  if (!inputPath.empty()) input_ = Create(inputPath, "KESTREL_RECORD");
  try {
    if (!frameLogPath.empty()) frameLog_ = Create(frameLogPath, "KESTREL_FRAMELOG");
  } catch (...) {
    if (input_) std::fclose(input_);
    throw;
  }
}

SdlRecorder::~SdlRecorder() {
  if (input_) {
    std::fprintf(input_, "# the session ended after %llu frames\n", static_cast<unsigned long long>(lastFrame_));
    std::fclose(input_);
  }
  if (frameLog_) std::fclose(frameLog_);
}

void SdlRecorder::SetSources(KeySource keys, PointerSource pointer) {
  keySource_ = std::move(keys);
  pointerSource_ = std::move(pointer);
}

void SdlRecorder::Play(std::vector<ScriptEvent> script) {
  TakeScriptBindings(script, scriptBindings_);
  // Events of one frame keep their order, as the headless backend has them.
  std::stable_sort(script.begin(), script.end(),
                   [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
  script_.assign(script.begin(), script.end());
  playing_ = true;
}

bool SdlRecorder::Hold(const SDL_Event& event) {
  if (playing_) {
    // The window's own events still count (closing it, showing it again);
    // the player's keys, pointer, buttons, controllers and focus do not.
    switch (event.type) {
      case SDL_QUIT:
      case SDL_RENDER_DEVICE_RESET:
      case SDL_RENDER_TARGETS_RESET: return false;
      case SDL_WINDOWEVENT:
        return event.window.event == SDL_WINDOWEVENT_FOCUS_LOST || event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED;
      default: return true;
    }
  }
  if (!input_) return false;
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_QUIT: break;
    case SDL_WINDOWEVENT:
      if (event.window.event != SDL_WINDOWEVENT_CLOSE && event.window.event != SDL_WINDOWEVENT_FOCUS_LOST) return false;
      break;
    default: return false;
  }
  held_.push_back(event);
  return true;
}

void SdlRecorder::Line(uint64_t frame, const char* format, ...) {
  std::fprintf(input_, "%llu ", static_cast<unsigned long long>(frame));
  va_list args;
  va_start(args, format);
  std::vfprintf(input_, format, args);
  va_end(args);
  std::fputc('\n', input_);
  wrote_ = true;
}

void SdlRecorder::WriteHeader(const Display& display) {
  headerWritten_ = true;
  std::fprintf(input_,
               "# Input recorded on the real display, one event a line at the frame the game saw it.\n"
               "# Play it again with:\n"
               "# KESTREL_PLATFORM=headless KESTREL_ANSWER=%s KESTREL_DEPTH=%d KESTREL_INPUT=%s\n",
               display.IsFullScreenWindow() ? "yes" : "no", display.DesktopDepth(), inputPath_.c_str());
  // The keys are written as pressed; the bindings they were played with
  // make the replay the same whatever the settings say where it is played.
  std::fputs(BindLines(CurrentSettings().bindings).c_str(), input_);
  wrote_ = true;
}

void SdlRecorder::Release(const Display& display, const Deliver& deliver) {
  if (!HoldsInput()) return;
  const uint64_t frame = display.FramesPresented();
  lastFrame_ = frame;
  // Between two presents the game sees no change; the headless backend
  // applies a frame's events at the same poll.
  if (released_ && frame == releasedAt_) return;
  released_ = true;
  releasedAt_ = frame;
  if (playing_) {
    PlayDue(frame, deliver);
    return;
  }
  if (!headerWritten_ && display.MainWindow() != 0) WriteHeader(display);

  std::vector<SDL_Event> batch;
  batch.swap(held_);
  // Keys that went down in this batch: one let go again before the frame is
  // written down still reached the game as a press. The system's repeats of
  // a held key are no presses, as the game's input has it.
  bool pressed[256] = {};
  for (const SDL_Event& e : batch) {
    if (e.type == SDL_KEYDOWN && !e.key.repeat)
      if (uint8_t dik = DikFromSdlScancode(e.key.keysym.scancode)) pressed[dik] = true;
    if (e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP) {
      const char* name = ButtonName(e.button.button);
      if (!name) continue;
      deliver(e);
      Line(frame, "button %s %s", name, e.type == SDL_MOUSEBUTTONDOWN ? "down" : "up");
    } else if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
      deliver(e);
      Line(frame, "focus lost");
    } else if (deliver(e)) {
      Line(frame, "close");
    }
  }

  // The keys and the pointer of this moment stand until the next frame.
  uint8_t now[256] = {};
  if (keySource_) keySource_(now);
  for (int code = 0; code < 256; ++code) {
    const uint8_t held = now[code] & 0x80;
    if (pressed[code] && !held) {
      if (keys_[size_t(code)]) Line(frame, "key %d up", code);
      Line(frame, "key %d down", code);
    }
    if (pressed[code] && !held) keys_[size_t(code)] = 0x80;
    if (held == keys_[size_t(code)]) continue;
    keys_[size_t(code)] = held;
    Line(frame, "key %d %s", code, held ? "down" : "up");
  }
  Point p;
  if (pointerSource_ && pointerSource_(p) && (p.x != pointer_.x || p.y != pointer_.y)) {
    pointer_ = p;
    Line(frame, "mouse %d %d", int(p.x), int(p.y));
  }
  // A session that ends in a crash keeps everything up to its last frame.
  if (wrote_) std::fflush(input_);
  wrote_ = false;
}

void SdlRecorder::PlayDue(uint64_t frame, const Deliver& deliver) {
  while (!script_.empty() && script_.front().frame <= frame) {
    const ScriptEvent e = script_.front();
    script_.pop_front();
    // Each event goes the way the player's own would, so the input layer
    // counts presses and buttons as it does for them.
    SDL_Event s{};
    switch (e.type) {
      case ScriptEvent::Type::Key: {
        keys_[size_t(e.code)] = e.down ? 0x80 : 0;
        // A code no SDL key gives is held, but never counts as pressed.
        const auto scancode = SDL_Scancode(SdlScancodeFromDik(uint8_t(e.code)));
        if (scancode == SDL_SCANCODE_UNKNOWN) break;
        s.type = e.down ? SDL_KEYDOWN : SDL_KEYUP;
        s.key.state = e.down ? SDL_PRESSED : SDL_RELEASED;
        s.key.keysym.scancode = scancode;
        s.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
        deliver(s);
        break;
      }
      case ScriptEvent::Type::Mouse: pointer_ = Point{e.x, e.y}; break;
      case ScriptEvent::Type::Button:
        s.type = e.down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        s.button.state = e.down ? SDL_PRESSED : SDL_RELEASED;
        s.button.button = e.code == 0 ? SDL_BUTTON_LEFT : e.code == 1 ? SDL_BUTTON_RIGHT : SDL_BUTTON_MIDDLE;
        deliver(s);
        break;
      case ScriptEvent::Type::Close:
        s.type = SDL_QUIT;
        deliver(s);
        break;
      case ScriptEvent::Type::FocusLost:
        s.type = SDL_WINDOWEVENT;
        s.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
        deliver(s);
        break;
      case ScriptEvent::Type::Bind: break;  // taken out by Play
    }
  }
}

void SdlRecorder::Frame(const Surface& picture, const Rect& area) {
  if (!frameLog_) return;
  const Rect r{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, picture.Width()),
               std::min(area.bottom, picture.Height())};
  const int bpp = BytesPerPixelOfDepth(picture.Depth());
  if (bpp > 0 && picture.Pixels() && r.Width() > 0 && r.Height() > 0)
    frameHash_ = HashPicture(picture.Pixels() + size_t(r.top) * size_t(picture.Pitch()) + size_t(r.left) * size_t(bpp),
                             size_t(picture.Pitch()), picture.Depth(), r.Width(), r.Height());
  else frameHash_ = HashPicture(nullptr, 0, picture.Depth(), 0, 0);
}

void SdlRecorder::AfterFrame(uint64_t frame) {
  lastFrame_ = frame;
  if (!frameLog_) return;
  std::fprintf(frameLog_, "%llu %016llx\n", static_cast<unsigned long long>(frame),
               static_cast<unsigned long long>(frameHash_));
  std::fflush(frameLog_);
}

}  // namespace kestrel::platform
