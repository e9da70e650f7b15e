// Sound on SDL2_mixer. Sample streams are decoded whole into mixer chunks and
// played on mixer channels; music modules go to SDL2_mixer's one music player.
// The silent output is SDL's "dummy" audio driver: it consumes the mix in real
// time, so sounds still start, run their length and finish, without a device.
#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <vector>

#include "kestrel/platform/sdl/sdl_display.h"
#include "kestrel/platform/sound.h"

namespace kestrel::platform {

namespace {

// Channel handles carry a play serial above the channel index, so a handle
// from an earlier play of a channel no longer reads as playing.
constexpr int kChannelBits = 12;
constexpr int kChannelMask = (1 << kChannelBits) - 1;
constexpr int kSerialMask = (1 << (31 - kChannelBits)) - 1;

void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// ALSA writes its complaints (no sound card, no such device) straight to
// standard error while SDL looks for an output. A missing device is answered
// by the silent output, so on a machine without sound those lines are only
// noise. SDL loads the same library, so the quiet handler set here is the one
// its ALSA driver meets; the library stays loaded for the process.
void SilenceAlsa() {
  static bool done = false;
  if (done) return;
  done = true;
  void* alsa = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
  if (!alsa) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  auto setHandler = reinterpret_cast<int (*)(Handler)>(::dlsym(alsa, "snd_lib_error_set_handler"));
  if (setHandler) setHandler(IgnoreAlsaMessage);
}

class SdlSoundBackend : public SoundBackend {
 public:
  ~SdlSoundBackend() override { Shut(); }

  int SelectOutput(int output) override {
    QuitAudio();
    if (output == FSOUND_OUTPUT_DSOUND) {
      SilenceAlsa();
      if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return FMOD_ERR_INIT;
      audioUp_ = true;
      // Choosing the device only succeeds when one can really be opened, so
      // that the caller can fall back to the silent output.
      SDL_AudioSpec want{}, have{};
      want.freq = 44100;
      want.format = AUDIO_S16SYS;
      want.channels = 2;
      want.samples = kSoundBufferFrames;
      SDL_AudioDeviceID probe = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
      if (probe == 0) {
        QuitAudio();
        return FMOD_ERR_INIT;
      }
      SDL_CloseAudioDevice(probe);
      return FMOD_ERR_NONE;
    }
    // The silent outputs.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    int r = SDL_InitSubSystem(SDL_INIT_AUDIO);
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (r != 0) return FMOD_ERR_INIT;
    audioUp_ = true;
    return FMOD_ERR_NONE;
  }

  int Open(int output, int mixRate, int channels) override {
    if (!audioUp_) {
      int e = SelectOutput(output);
      if (e) return e;
    }
    Mix_Init(MIX_INIT_OGG | MIX_INIT_MP3 | MIX_INIT_MOD | MIX_INIT_MID);
    mixInit_ = true;
    if (Mix_OpenAudioDevice(mixRate, AUDIO_S16SYS, 2, kSoundBufferFrames, nullptr, 0) != 0) return FMOD_ERR_INIT;
    open_ = true;
    if (Mix_AllocateChannels(channels) != channels) {
      Mix_CloseAudio();
      open_ = false;
      return FMOD_ERR_MEMORY;
    }
    serials_.assign(size_t(channels), 0);
    return FMOD_ERR_NONE;
  }

  void Shut() override {
    if (open_) {
      Mix_HaltChannel(-1);
      Mix_HaltMusic();
    }
    for (auto& [id, s] : streams_) Mix_FreeChunk(s.chunk);
    streams_.clear();
    for (auto& [id, m] : songs_) Mix_FreeMusic(m);
    songs_.clear();
    currentSong_ = 0;
    if (open_) Mix_CloseAudio();
    open_ = false;
    if (mixInit_) Mix_Quit();
    mixInit_ = false;
    QuitAudio();
  }

  int LoadSong(const std::string& file, SongHandle id) override {
    if (int e = CheckReadable(file)) return e;
    Mix_Music* music = Mix_LoadMUS(file.c_str());
    if (!music) return FMOD_ERR_FILE_FORMAT;
    songs_[id] = music;
    return FMOD_ERR_NONE;
  }

  int OpenStream(const std::string& file, bool loop, StreamHandle id) override {
    if (int e = CheckReadable(file)) return e;
    // The decoder is chosen by the data, whatever the name says.
    Mix_Chunk* chunk = Mix_LoadWAV(file.c_str());
    if (!chunk) return FMOD_ERR_FILE_FORMAT;
    streams_[id] = Stream{chunk, loop, -1, 0};
    return FMOD_ERR_NONE;
  }

  bool SongPlaying(SongHandle song) override { return song == currentSong_ && Mix_PlayingMusic(); }

  bool PlaySong(SongHandle song) override {
    auto it = songs_.find(song);
    if (it == songs_.end()) return false;
    // Modules repeat, as the music player does by default.
    if (Mix_PlayMusic(it->second, -1) != 0) return false;
    currentSong_ = song;
    return true;
  }

  bool StopSong(SongHandle song) override {
    if (song == currentSong_) {
      Mix_HaltMusic();
      currentSong_ = 0;
    }
    return true;
  }

  void FreeSong(SongHandle song) override {
    auto it = songs_.find(song);
    if (it == songs_.end()) return;
    StopSong(song);
    Mix_FreeMusic(it->second);
    songs_.erase(it);
  }

  int PlayStream(StreamHandle stream, int level, int& error) override {
    auto it = streams_.find(stream);
    if (it == streams_.end()) {
      error = FMOD_ERR_INVALID_PARAM;
      return -1;
    }
    // A stream has one position: playing it again starts it over.
    StopStream(stream);
    Stream& s = it->second;
    // The level goes with the chunk, so it holds from the first sample
    // mixed: the channel is not known before it plays.
    Mix_VolumeChunk(s.chunk, MixerVolume(level));
    int channel = Mix_PlayChannel(-1, s.chunk, s.loop ? -1 : 0);
    if (channel < 0 || channel > kChannelMask || size_t(channel) >= serials_.size()) {
      if (channel >= 0) Mix_HaltChannel(channel);
      error = FMOD_ERR_CHANNEL_ALLOC;
      return -1;
    }
    int serial = (serials_[size_t(channel)] + 1) & kSerialMask;
    if (serial == 0) serial = 1;
    serials_[size_t(channel)] = serial;
    s.channel = channel;
    s.serial = serial;
    return (serial << kChannelBits) | channel;
  }

  bool StopStream(StreamHandle stream) override {
    auto it = streams_.find(stream);
    if (it == streams_.end()) return false;
    Stream& s = it->second;
    if (s.channel >= 0 && serials_[size_t(s.channel)] == s.serial && Mix_GetChunk(s.channel) == s.chunk)
      Mix_HaltChannel(s.channel);
    s.channel = -1;
    return true;
  }

  void CloseStream(StreamHandle stream) override {
    auto it = streams_.find(stream);
    if (it == streams_.end()) return;
    StopStream(stream);
    Mix_FreeChunk(it->second.chunk);
    streams_.erase(it);
  }

  bool ChannelPlaying(int handle) override {
    if (handle <= 0) return false;
    int channel = handle & kChannelMask;
    int serial = handle >> kChannelBits;
    if (size_t(channel) >= serials_.size() || serials_[size_t(channel)] != serial) return false;
    return Mix_Playing(channel) != 0;
  }

 private:
  struct Stream {
    Mix_Chunk* chunk = nullptr;
    bool loop = false;
    int channel = -1;
    int serial = 0;
  };

  static int CheckReadable(const std::string& file) {
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return FMOD_ERR_FILE_NOTFOUND;
    std::fclose(f);
    return FMOD_ERR_NONE;
  }

  void QuitAudio() {
    if (audioUp_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioUp_ = false;
  }

  bool audioUp_ = false;
  bool mixInit_ = false;
  bool open_ = false;
  std::vector<int> serials_;
  std::map<StreamHandle, Stream> streams_;
  std::map<SongHandle, Mix_Music*> songs_;
  SongHandle currentSong_ = 0;
};

}  // namespace

std::unique_ptr<SoundBackend> CreateSdlSoundBackend() { return std::make_unique<SdlSoundBackend>(); }

}  // namespace kestrel::platform
