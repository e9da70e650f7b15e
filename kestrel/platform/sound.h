// The sound seam: the sound-library calls the engine makes, in the shape of
// version 3.50 of that library. Sample streams (WAV, OGG, MP3) play on mixer
// channels; music modules (MOD, S3M, XM, IT, MID) on the one music player.
//
// Every call first asks the fault table (faults.h) under its own name
// ("FSOUND_SetOutput", "FSOUND_Init", "FSOUND_Stream_OpenFile", ...); an
// injected code makes the call fail and becomes what FSOUND_GetError answers.
//
// Handles are numbers that are never reused, so a handle that outlived a
// close, or a channel that has since played something else, is harmless.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrel::platform {

using StreamHandle = uint32_t;  // 0 is none
using SongHandle = uint32_t;    // 0 is none

// The version this layer implements.
constexpr float kSoundLibraryVersion = 3.50f;

// Outputs: the system's audio device, or a silent output that still plays
// (and finishes) every sound, for machines without an audio device.
constexpr int FSOUND_OUTPUT_NOSOUND = 0;
constexpr int FSOUND_OUTPUT_WINMM = 1;   // silent here
constexpr int FSOUND_OUTPUT_DSOUND = 2;  // the audio device
constexpr int FSOUND_MIXER_QUALITY_AUTODETECT = 4;
constexpr int FSOUND_FREE = -1;

// Stream modes.
constexpr uint32_t FSOUND_LOOP_OFF = 0x01;
constexpr uint32_t FSOUND_LOOP_NORMAL = 0x02;
constexpr uint32_t FSOUND_16BITS = 0x10;
constexpr uint32_t FSOUND_STEREO = 0x40;

// Error codes, as FSOUND_GetError answers them.
enum : int {
  FMOD_ERR_NONE = 0,
  FMOD_ERR_BUSY = 1,
  FMOD_ERR_UNINITIALIZED = 2,
  FMOD_ERR_INIT = 3,
  FMOD_ERR_ALLOCATED = 4,
  FMOD_ERR_PLAY = 5,
  FMOD_ERR_OUTPUT_FORMAT = 6,
  FMOD_ERR_COOPERATIVELEVEL = 7,
  FMOD_ERR_CREATEBUFFER = 8,
  FMOD_ERR_FILE_NOTFOUND = 9,
  FMOD_ERR_FILE_FORMAT = 10,
  FMOD_ERR_FILE_BAD = 11,
  FMOD_ERR_MEMORY = 12,
  FMOD_ERR_VERSION = 13,
  FMOD_ERR_INVALID_PARAM = 14,
  FMOD_ERR_NO_EAX = 15,
  FMOD_ERR_CHANNEL_ALLOC = 16,
  FMOD_ERR_RECORD = 17,
  FMOD_ERR_MEDIAPLAYER = 18,
};

// Frames per audio device buffer: 1024 at 44100 Hz is 23.2 ms of latency.
constexpr int kSoundBufferFrames = 1024;

// What a backend does. SoundSystem wraps it with the fault checks and the
// bookkeeping both backends share (init state, argument checks, last error).
class SoundBackend {
 public:
  virtual ~SoundBackend() = default;
  virtual float Version() const { return kSoundLibraryVersion; }
  // Returns 0 or an error code.
  virtual int SelectOutput(int output) = 0;
  virtual int Open(int output, int mixRate, int channels) = 0;
  virtual void Shut() = 0;
  virtual int LoadSong(const std::string& file, SongHandle id) = 0;
  virtual int OpenStream(const std::string& file, bool loop, StreamHandle id) = 0;
  virtual bool SongPlaying(SongHandle song) = 0;
  virtual bool PlaySong(SongHandle song) = 0;
  virtual bool StopSong(SongHandle song) = 0;
  virtual void FreeSong(SongHandle song) = 0;
  // Plays at `level`, 0 (silent) to 100 (the sound as it was made).
  // Returns the channel handle, or -1 with `error` set.
  virtual int PlayStream(StreamHandle stream, int level, int& error) = 0;
  virtual bool StopStream(StreamHandle stream) = 0;
  virtual void CloseStream(StreamHandle stream) = 0;
  virtual bool ChannelPlaying(int channel) = 0;
};

class SoundSystem {
 public:
  explicit SoundSystem(std::unique_ptr<SoundBackend> backend);
  ~SoundSystem();
  SoundSystem(const SoundSystem&) = delete;
  SoundSystem& operator=(const SoundSystem&) = delete;

  float FSOUND_GetVersion();
  bool FSOUND_SetOutput(int output);
  bool FSOUND_SetDriver(int driver);
  bool FSOUND_SetMixer(int mixer);
  bool FSOUND_Init(int mixRate, int maxSoftwareChannels, uint32_t flags);
  int FSOUND_GetError();
  SongHandle FMUSIC_LoadSong(const std::string& file);
  StreamHandle FSOUND_Stream_OpenFile(const std::string& file, uint32_t mode, int size);
  bool FMUSIC_IsPlaying(SongHandle song);
  bool FMUSIC_StopSong(SongHandle song);
  bool FMUSIC_PlaySong(SongHandle song);
  bool FMUSIC_FreeSong(SongHandle song);
  bool FSOUND_IsPlaying(int channel);
  bool FSOUND_Stream_Stop(StreamHandle stream);
  // Beyond the library: `level` is the level the stream plays at, 0
  // (silent) to 100 (as it was made).
  int FSOUND_Stream_Play(int channel, StreamHandle stream, int level = 100);
  bool FSOUND_Stream_Close(StreamHandle stream);
  void FSOUND_Close();

  bool Initialised() const { return initialised_; }
  int MaxChannels() const { return channels_; }
  SoundBackend& Backend() { return *backend_; }

 private:
  // True (and the error recorded) when a fault is injected for `name`.
  bool Fault(const char* name);
  bool Fail(int error);
  bool Known(uint32_t handle, const std::vector<uint32_t>& list) const;

  std::unique_ptr<SoundBackend> backend_;
  int output_ = FSOUND_OUTPUT_DSOUND;
  int mixer_ = FSOUND_MIXER_QUALITY_AUTODETECT;
  int channels_ = 0;
  bool initialised_ = false;
  int lastError_ = FMOD_ERR_NONE;
  std::vector<uint32_t> songs_;
  std::vector<uint32_t> streams_;
};

// The mixer's volume (0 to kMixerFullVolume) for a sound at `level` (0 to
// 100). The mixer adds its channels and clips the sum. At its full volume
// the wind under a shot, a dying bat and the hero's cry clipped up to half
// a percent of their samples; full level is 3/8 of it (48), which leaves
// them unclipped however the three fall within a fifth of a second (the
// lowest volume found to clip, at 2 ms steps, was 53).
constexpr int kMixerFullVolume = 128;
constexpr double kMixerHeadroom = 0.375;
int MixerVolume(int level);

// The sound system of this process, on the backend of the current display
// (its CreateSoundBackend). Dropped (and closed) by ResetPlatform.
SoundSystem& GetSoundSystem();

}  // namespace kestrel::platform
