// What the real display writes down so that a session can be played again on
// the headless backend: the input as the game saw it (KESTREL_RECORD, in the
// KESTREL_INPUT format) and a hash of every frame (KESTREL_FRAMELOG, as the
// headless frame log writes it). It also plays such a script on the real
// display (KESTREL_INPUT): the player's own input is then left aside, and the
// game sees the script's, frame for frame as the headless backend gives it.
//
// The headless backend applies a scripted event of frame F at the first poll
// after F frames were presented. While recording, the real display does the
// same: the input events it drains between two presents are held and handed
// on together at the first poll after the next present, and the keys and the
// pointer the game reads are those of that moment. Whatever the game saw,
// the script says at the same frame.
#pragma once
#include <SDL.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kestrel/platform/display.h"
#include "kestrel/platform/input_script.h"

namespace kestrel::platform {

class SdlRecorder {
 public:
  // The recorder the environment asks for, or null when KESTREL_RECORD,
  // KESTREL_FRAMELOG and KESTREL_INPUT are all unset. Throws when a file
  // cannot be made or read, and for a script to record while playing one.
  static std::unique_ptr<SdlRecorder> FromEnvironment();
  // Either path may be empty.
  SdlRecorder(const std::string& inputPath, const std::string& frameLogPath);
  ~SdlRecorder();
  SdlRecorder(const SdlRecorder&) = delete;
  SdlRecorder& operator=(const SdlRecorder&) = delete;

  // Plays `script` instead of the player's input, with the keys its Bind
  // lines name for their actions.
  void Play(std::vector<ScriptEvent> script);
  const std::optional<Bindings>& ScriptBindings() const { return scriptBindings_; }
  bool RecordsInput() const { return input_ != nullptr; }
  // The game reads the keys and the pointer from here (Keys, Pointer), not
  // from the live devices: while recording, and while playing a script.
  bool HoldsInput() const { return input_ != nullptr || playing_; }

  // ---- input ----
  // Where the keys and the pointer are read live: the input layer supplies
  // both (the keyboard with a controller's keys, the pointer in client
  // coordinates; false without a window).
  using KeySource = std::function<void(uint8_t (&keys)[256])>;
  using PointerSource = std::function<bool(Point& out)>;
  void SetSources(KeySource keys, PointerSource pointer);
  // Keeps an input event for the next frame; false for events that are
  // handled at once. While a script plays, the player's input is kept and
  // dropped.
  bool Hold(const SDL_Event& event);
  // Called at the end of every poll. At the first poll after a frame was
  // presented it hands the held events to `deliver` (which answers whether
  // the event asked the window to close), takes the keys and the pointer the
  // game is to see, and writes what changed. While a script plays, it hands
  // on the script's events of the frames presented so far instead.
  using Deliver = std::function<bool(const SDL_Event& event)>;
  void Release(const Display& display, const Deliver& deliver);
  // What the game sees while recording.
  const std::array<uint8_t, 256>& Keys() const { return keys_; }
  Point Pointer() const { return pointer_; }

  // ---- frames ----
  // Hashes the picture that is about to be shown, and logs it once it counts
  // as presented.
  void Frame(const Surface& picture, const Rect& area);
  void AfterFrame(uint64_t frame);

 private:
  void WriteHeader(const Display& display);
  void PlayDue(uint64_t frame, const Deliver& deliver);
  void Line(uint64_t frame, const char* format, ...) __attribute__((format(printf, 3, 4)));

  FILE* input_ = nullptr;
  std::string inputPath_;
  FILE* frameLog_ = nullptr;
  KeySource keySource_;
  PointerSource pointerSource_;
  std::vector<SDL_Event> held_;
  bool released_ = false;  // at least once
  uint64_t releasedAt_ = 0;
  bool headerWritten_ = false;
  std::array<uint8_t, 256> keys_{};
  Point pointer_{};  // the headless pointer starts at 0, 0 too
  bool wrote_ = false;
  uint64_t lastFrame_ = 0;
  uint64_t frameHash_ = 0;
  bool playing_ = false;
  std::optional<Bindings> scriptBindings_;
  std::deque<ScriptEvent> script_;  // in frame order
};

}  // namespace kestrel::platform
