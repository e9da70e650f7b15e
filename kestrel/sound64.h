// One playable sound: a music module or a sample stream, opened from a file
// on disk. The sound system is set up by the first live sound and closed by
// the last one.
#pragma once
#include <cstdint>
#include <string>

#include "kestrel/kestrel.h"
#include "kestrel/platform/sound.h"

namespace kestrel {

// Live sound objects.
extern uint16_t SoundCount;

// The text of a sound-library error code; "Unknown error" outside the table.
const char* FmodErrorText(int code);

// The file kind chosen by the extension of a file name.
enum class SoundKind { Module, Stream, Unsupported };
SoundKind SoundKindOf(const std::string& fileName);

class TSound64 {
 public:
  TSound64(TKestrel& display, const std::string& fileName, bool loop);
  virtual ~TSound64();
  TSound64(const TSound64&) = delete;
  TSound64& operator=(const TSound64&) = delete;

  // Starts the sound, stopping it first when it plays.
  void Play();
  void Stop();

  WindowHandle OwnerWindow() const { return owner_; }
  int32_t Channel() const { return channel_; }
  bool IsModule() const { return stream_ == 0; }
  platform::StreamHandle Stream() const { return stream_; }

 protected:
  // Frees the handle; safe to call more than once.
  void Release();
  // `detail` goes to standard error after the report, never into the log.
  [[noreturn]] void ReportError(const std::string& operation, const std::string& text, const std::string& detail = {});

 private:
  [[noreturn]] void ReportSoundError(const char* operation);
  void SetUpSoundSystem();

  WindowHandle owner_ = 0;
  int32_t channel_ = 0;
  platform::StreamHandle stream_ = 0;
  platform::SongHandle song_ = 0;
  bool loop_;
  bool counted_ = false;
};

}  // namespace kestrel
