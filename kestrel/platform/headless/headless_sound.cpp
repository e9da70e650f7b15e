// Headless sound: plays nothing and writes down every call it receives. A
// sound plays from its start until it is stopped, so runs are deterministic.
// KESTREL_SOUND_VERSION=X makes it claim another library version.
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "kestrel/platform/environment.h"
#include "kestrel/platform/headless/headless.h"

namespace kestrel::platform {

namespace {

int CheckReadable(const std::string& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return FMOD_ERR_FILE_NOTFOUND;
  return FMOD_ERR_NONE;
}

class HeadlessSoundBackend : public SoundBackend {
 public:
  HeadlessSoundBackend() {
    if (auto v = EnvDecimal("KESTREL_SOUND_VERSION")) log_.version = *v;
  }

  HeadlessSoundLog& Log() { return log_; }

  float Version() const override { return log_.version; }

  int SelectOutput(int output) override {
    Record("SelectOutput " + std::to_string(output));
    return FMOD_ERR_NONE;
  }

  int Open(int output, int mixRate, int channels) override {
    Record("Open " + std::to_string(output) + " " + std::to_string(mixRate) + " " + std::to_string(channels));
    channels_ = channels;
    return FMOD_ERR_NONE;
  }

  void Shut() override {
    Record("Shut");
    playing_.clear();
    currentSong_ = 0;
  }

  int LoadSong(const std::string& file, SongHandle id) override {
    Record("LoadSong " + file);
    if (int e = CheckReadable(file)) return e;
    songs_.insert(id);
    return FMOD_ERR_NONE;
  }

  int OpenStream(const std::string& file, bool loop, StreamHandle id) override {
    Record(std::string("OpenStream ") + file + (loop ? " loop" : ""));
    if (int e = CheckReadable(file)) return e;
    streams_.insert(id);
    return FMOD_ERR_NONE;
  }

  bool SongPlaying(SongHandle song) override { return song == currentSong_; }
  bool PlaySong(SongHandle song) override {
    Record("PlaySong " + std::to_string(song));
    currentSong_ = song;  // one music player: a new song replaces the old
    return true;
  }
  bool StopSong(SongHandle song) override {
    Record("StopSong " + std::to_string(song));
    if (currentSong_ == song) currentSong_ = 0;
    return true;
  }
  void FreeSong(SongHandle song) override {
    Record("FreeSong " + std::to_string(song));
    StopSong(song);
    songs_.erase(song);
  }

  int PlayStream(StreamHandle stream, int level, int& error) override {
    Record("PlayStream " + std::to_string(stream) + " level " + std::to_string(level));
    StopStream(stream);
    if (int(playing_.size()) >= channels_) {
      error = FMOD_ERR_CHANNEL_ALLOC;
      return -1;
    }
    int channel = ++lastChannel_;
    playing_[channel] = stream;
    return channel;
  }
  bool StopStream(StreamHandle stream) override {
    for (auto it = playing_.begin(); it != playing_.end();) {
      if (it->second == stream) {
        Record("StopStream " + std::to_string(stream));
        it = playing_.erase(it);
      } else {
        ++it;
      }
    }
    return true;
  }
  void CloseStream(StreamHandle stream) override {
    Record("CloseStream " + std::to_string(stream));
    StopStream(stream);
    streams_.erase(stream);
  }
  bool ChannelPlaying(int channel) override { return playing_.count(channel) != 0; }

 private:
  // A long scripted run plays many sounds; the log keeps the recent calls.
  void Record(std::string call) {
    constexpr size_t kMaxCalls = 100000;
    if (log_.calls.size() >= kMaxCalls) log_.calls.erase(log_.calls.begin(), log_.calls.begin() + kMaxCalls / 2);
    log_.calls.push_back(std::move(call));
  }

  HeadlessSoundLog log_;
  int channels_ = 0;
  int lastChannel_ = 0;  // channel handles are never reused
  std::map<int, StreamHandle> playing_;
  std::set<StreamHandle> streams_;
  std::set<SongHandle> songs_;
  SongHandle currentSong_ = 0;
};

}  // namespace

std::unique_ptr<SoundBackend> CreateHeadlessSoundBackend() { return std::make_unique<HeadlessSoundBackend>(); }

HeadlessSoundLog* HeadlessSound() {
  auto* backend = dynamic_cast<HeadlessSoundBackend*>(&GetSoundSystem().Backend());
  return backend ? &backend->Log() : nullptr;
}

}  // namespace kestrel::platform
