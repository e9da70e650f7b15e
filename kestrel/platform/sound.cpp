// What both sound backends share: fault checks, the init state, argument
// checks, the last error and the handle lists.
#include "kestrel/platform/sound.h"

#include <algorithm>
#include <cmath>

#include "kestrel/base/faults.h"
#include "kestrel/platform/display.h"

namespace kestrel::platform {

namespace {

// Handles are unique for the life of the process.
uint32_t NextHandle() {
  static uint32_t next = 0;
  if (++next == 0) ++next;
  return next;
}

std::unique_ptr<SoundSystem>& SystemSlot() {
  static std::unique_ptr<SoundSystem> system;
  return system;
}

constexpr int kMinMixRate = 4000;
constexpr int kMaxMixRate = 65535;
constexpr int kMaxChannels = 1024;
constexpr int kLastMixer = 7;

}  // namespace

SoundSystem::SoundSystem(std::unique_ptr<SoundBackend> backend) : backend_(std::move(backend)) {}

SoundSystem::~SoundSystem() {
  for (auto s : streams_) backend_->CloseStream(s);
  for (auto s : songs_) backend_->FreeSong(s);
  backend_->Shut();
}

bool SoundSystem::Fault(const char* name) {
  HResult code = CheckFault(name);
  if (code == 0) return false;
  lastError_ = int(code);
  return true;
}

bool SoundSystem::Fail(int error) {
  lastError_ = error;
  return false;
}

bool SoundSystem::Known(uint32_t handle, const std::vector<uint32_t>& list) const {
  return handle != 0 && std::find(list.begin(), list.end(), handle) != list.end();
}

float SoundSystem::FSOUND_GetVersion() {
  if (Fault("FSOUND_GetVersion")) return 0.0f;
  return backend_->Version();
}

bool SoundSystem::FSOUND_SetOutput(int output) {
  if (Fault("FSOUND_SetOutput")) return false;
  if (initialised_) return Fail(FMOD_ERR_BUSY);
  if (output < FSOUND_OUTPUT_NOSOUND || output > FSOUND_OUTPUT_DSOUND) return Fail(FMOD_ERR_INVALID_PARAM);
  if (int error = backend_->SelectOutput(output)) return Fail(error);
  output_ = output;
  return true;
}

bool SoundSystem::FSOUND_SetDriver(int driver) {
  if (Fault("FSOUND_SetDriver")) return false;
  if (initialised_) return Fail(FMOD_ERR_BUSY);
  // Only the default driver of the chosen output exists.
  if (driver != 0) return Fail(FMOD_ERR_INVALID_PARAM);
  return true;
}

bool SoundSystem::FSOUND_SetMixer(int mixer) {
  if (Fault("FSOUND_SetMixer")) return false;
  if (initialised_) return Fail(FMOD_ERR_BUSY);
  if (mixer < 0 || mixer > kLastMixer) return Fail(FMOD_ERR_INVALID_PARAM);
  mixer_ = mixer;
  return true;
}

bool SoundSystem::FSOUND_Init(int mixRate, int maxSoftwareChannels, uint32_t flags) {
  if (Fault("FSOUND_Init")) return false;
  if (initialised_) return Fail(FMOD_ERR_BUSY);
  if (mixRate < kMinMixRate || mixRate > kMaxMixRate || maxSoftwareChannels < 1 || maxSoftwareChannels > kMaxChannels ||
      flags != 0)
    return Fail(FMOD_ERR_INVALID_PARAM);
  if (int error = backend_->Open(output_, mixRate, maxSoftwareChannels)) return Fail(error);
  channels_ = maxSoftwareChannels;
  initialised_ = true;
  return true;
}

int SoundSystem::FSOUND_GetError() { return lastError_; }

SongHandle SoundSystem::FMUSIC_LoadSong(const std::string& file) {
  if (Fault("FMUSIC_LoadSong")) return 0;
  if (!initialised_) {
    Fail(FMOD_ERR_UNINITIALIZED);
    return 0;
  }
  SongHandle id = NextHandle();
  if (int error = backend_->LoadSong(file, id)) {
    Fail(error);
    return 0;
  }
  songs_.push_back(id);
  return id;
}

StreamHandle SoundSystem::FSOUND_Stream_OpenFile(const std::string& file, uint32_t mode, int size) {
  if (Fault("FSOUND_Stream_OpenFile")) return 0;
  if (!initialised_) {
    Fail(FMOD_ERR_UNINITIALIZED);
    return 0;
  }
  if (size < 0 || ((mode & FSOUND_LOOP_OFF) && (mode & FSOUND_LOOP_NORMAL))) {
    Fail(FMOD_ERR_INVALID_PARAM);
    return 0;
  }
  StreamHandle id = NextHandle();
  const bool loop = (mode & FSOUND_LOOP_NORMAL) != 0;
  if (int error = backend_->OpenStream(file, loop, id)) {
    Fail(error);
    return 0;
  }
  streams_.push_back(id);
  return id;
}

bool SoundSystem::FMUSIC_IsPlaying(SongHandle song) {
  if (Fault("FMUSIC_IsPlaying")) return false;
  if (!Known(song, songs_)) return Fail(FMOD_ERR_INVALID_PARAM);
  return backend_->SongPlaying(song);
}

bool SoundSystem::FMUSIC_StopSong(SongHandle song) {
  if (Fault("FMUSIC_StopSong")) return false;
  if (!Known(song, songs_)) return Fail(FMOD_ERR_INVALID_PARAM);
  return backend_->StopSong(song);
}

bool SoundSystem::FMUSIC_PlaySong(SongHandle song) {
  if (Fault("FMUSIC_PlaySong")) return false;
  if (!Known(song, songs_)) return Fail(FMOD_ERR_INVALID_PARAM);
  return backend_->PlaySong(song) || Fail(FMOD_ERR_PLAY);
}

bool SoundSystem::FMUSIC_FreeSong(SongHandle song) {
  if (Fault("FMUSIC_FreeSong")) return false;
  if (!Known(song, songs_)) return Fail(FMOD_ERR_INVALID_PARAM);
  backend_->FreeSong(song);
  songs_.erase(std::find(songs_.begin(), songs_.end(), song));
  return true;
}

bool SoundSystem::FSOUND_IsPlaying(int channel) {
  if (Fault("FSOUND_IsPlaying")) return false;
  if (!initialised_) return Fail(FMOD_ERR_UNINITIALIZED);
  return backend_->ChannelPlaying(channel);
}

bool SoundSystem::FSOUND_Stream_Stop(StreamHandle stream) {
  if (Fault("FSOUND_Stream_Stop")) return false;
  if (!Known(stream, streams_)) return Fail(FMOD_ERR_INVALID_PARAM);
  return backend_->StopStream(stream);
}

int SoundSystem::FSOUND_Stream_Play(int channel, StreamHandle stream, int level) {
  if (Fault("FSOUND_Stream_Play")) return -1;
  // Streams go to any free channel; choosing one is not offered.
  if (channel != FSOUND_FREE || !Known(stream, streams_)) {
    lastError_ = FMOD_ERR_INVALID_PARAM;
    return -1;
  }
  int error = FMOD_ERR_NONE;
  int handle = backend_->PlayStream(stream, std::clamp(level, 0, 100), error);
  if (handle < 0) lastError_ = error;
  return handle;
}

bool SoundSystem::FSOUND_Stream_Close(StreamHandle stream) {
  if (Fault("FSOUND_Stream_Close")) return false;
  if (!Known(stream, streams_)) return Fail(FMOD_ERR_INVALID_PARAM);
  backend_->CloseStream(stream);
  streams_.erase(std::find(streams_.begin(), streams_.end(), stream));
  return true;
}

void SoundSystem::FSOUND_Close() {
  if (Fault("FSOUND_Close")) return;
  // Closing frees every stream and song still open.
  for (auto s : streams_) backend_->CloseStream(s);
  for (auto s : songs_) backend_->FreeSong(s);
  streams_.clear();
  songs_.clear();
  // Also undoes an output chosen without a successful init.
  backend_->Shut();
  initialised_ = false;
  channels_ = 0;
}

int MixerVolume(int level) {
  const int l = std::clamp(level, 0, 100);
  return int(std::lround(kMixerFullVolume * kMixerHeadroom * l / 100.0));
}

SoundSystem& GetSoundSystem() {
  auto& slot = SystemSlot();
  if (!slot) {
    static bool hooked = false;
    if (!hooked) {
      hooked = true;
      OnPlatformReset([] { SystemSlot().reset(); });
    }
    slot = std::make_unique<SoundSystem>(GetDisplay().CreateSoundBackend());
  }
  return *slot;
}

}  // namespace kestrel::platform
