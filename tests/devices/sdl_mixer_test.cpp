// The real SDL2_mixer backend on SDL's dummy audio driver, which consumes
// the mix in real time without a device.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "kestrel/base/faults.h"
#include "kestrel/platform/sdl/sdl_display.h"
#include "kestrel/platform/sound.h"

using namespace kestrel;
using namespace kestrel::platform;

namespace {

// A 16-bit stereo PCM WAV of `frames` frames of a square wave.
void WriteWav(const std::string& path, uint32_t frames) {
  auto le = [](std::ofstream& o, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) o.put(char((v >> (8 * i)) & 0xFF));
  };
  std::ofstream o(path, std::ios::binary);
  uint32_t dataBytes = frames * 4;
  o.write("RIFF", 4);
  le(o, 36 + dataBytes, 4);
  o.write("WAVEfmt ", 8);
  le(o, 16, 4);
  le(o, 1, 2);  // PCM
  le(o, 2, 2);
  le(o, 44100, 4);
  le(o, 44100 * 4, 4);
  le(o, 4, 2);
  le(o, 16, 2);
  o.write("data", 4);
  le(o, dataBytes, 4);
  for (uint32_t i = 0; i < frames; ++i) {
    uint16_t v = (i / 50) % 2 ? 0x2000 : 0xE000;
    le(o, v, 2);
    le(o, v, 2);
  }
}

// Waits on the mixer's state; the cap only ends a mixer that never stops.
constexpr std::chrono::milliseconds kHangGuard(30000);

bool WaitUntilStopped(SoundSystem& fmod, int channel, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (!fmod.FSOUND_IsPlaying(channel)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class SdlMixerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFaults();
    dir_ = std::filesystem::temp_directory_path() / ("kestrel-mixer-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    shortWav_ = (dir_ / "short.wav").string();
    WriteWav(shortWav_, 4410);  // 0.1 s
    std::ofstream(dir_ / "junk.wav", std::ios::binary) << "this is not a sound";
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::filesystem::path dir_;
  std::string shortWav_;
};

TEST_F(SdlMixerTest, OpensAndPlaysAWavWithAndWithoutLoop) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  SoundSystem fmod(CreateSdlSoundBackend());
  EXPECT_FLOAT_EQ(fmod.FSOUND_GetVersion(), 3.50f);
  ASSERT_TRUE(fmod.FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND)) << fmod.FSOUND_GetError();
  EXPECT_TRUE(fmod.FSOUND_SetDriver(0));
  EXPECT_TRUE(fmod.FSOUND_SetMixer(FSOUND_MIXER_QUALITY_AUTODETECT));
  ASSERT_TRUE(fmod.FSOUND_Init(44100, 64, 0)) << SDL_GetError();
  EXPECT_STREQ(SDL_GetCurrentAudioDriver(), "dummy");
  // Set-up calls after Init are refused with code 1.
  EXPECT_FALSE(fmod.FSOUND_SetMixer(FSOUND_MIXER_QUALITY_AUTODETECT));
  EXPECT_EQ(fmod.FSOUND_GetError(), FMOD_ERR_BUSY);

  StreamHandle once = fmod.FSOUND_Stream_OpenFile(shortWav_, 0x51, 0);
  StreamHandle looped = fmod.FSOUND_Stream_OpenFile(shortWav_, 0x52, 0);
  ASSERT_NE(once, 0u);
  ASSERT_NE(looped, 0u);

  // Without the loop flag the sound ends by itself after its 0.1 s.
  int c1 = fmod.FSOUND_Stream_Play(FSOUND_FREE, once);
  ASSERT_GE(c1, 0);
  EXPECT_TRUE(fmod.FSOUND_IsPlaying(c1));
  EXPECT_TRUE(WaitUntilStopped(fmod, c1, kHangGuard));

  // With it the sound plays on after its length: started before a copy
  // without the flag, it still plays once that copy has ended.
  int c2 = fmod.FSOUND_Stream_Play(FSOUND_FREE, looped);
  ASSERT_GE(c2, 0);
  // The mixer gave it the channel the first sound had: stopping that one
  // now leaves it playing.
  EXPECT_TRUE(fmod.FSOUND_Stream_Stop(once));
  EXPECT_TRUE(fmod.FSOUND_IsPlaying(c2));
  StreamHandle onceMore = fmod.FSOUND_Stream_OpenFile(shortWav_, 0x51, 0);
  ASSERT_NE(onceMore, 0u);
  const int c1b = fmod.FSOUND_Stream_Play(FSOUND_FREE, onceMore);
  ASSERT_GE(c1b, 0);
  EXPECT_TRUE(WaitUntilStopped(fmod, c1b, kHangGuard));
  EXPECT_TRUE(fmod.FSOUND_IsPlaying(c2));
  EXPECT_TRUE(fmod.FSOUND_Stream_Close(onceMore));

  // Restart: the old channel handle stops reading as playing even if the
  // mixer hands out the same channel again.
  int c3 = fmod.FSOUND_Stream_Play(FSOUND_FREE, looped);
  ASSERT_GE(c3, 0);
  EXPECT_NE(c3, c2);
  EXPECT_FALSE(fmod.FSOUND_IsPlaying(c2));
  EXPECT_TRUE(fmod.FSOUND_IsPlaying(c3));
  EXPECT_TRUE(fmod.FSOUND_Stream_Stop(looped));
  EXPECT_FALSE(fmod.FSOUND_IsPlaying(c3));

  // What the mixer cannot decode, and what is not there.
  EXPECT_EQ(fmod.FSOUND_Stream_OpenFile((dir_ / "junk.wav").string(), 0x51, 0), 0u);
  EXPECT_EQ(fmod.FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);
  EXPECT_EQ(fmod.FSOUND_Stream_OpenFile((dir_ / "none.wav").string(), 0x51, 0), 0u);
  EXPECT_EQ(fmod.FSOUND_GetError(), FMOD_ERR_FILE_NOTFOUND);

  EXPECT_TRUE(fmod.FSOUND_Stream_Close(once));
  EXPECT_FALSE(fmod.FSOUND_Stream_Close(once));  // a closed handle is refused, not used
  fmod.FSOUND_Close();
  EXPECT_FALSE(fmod.FSOUND_Stream_Play(FSOUND_FREE, looped) >= 0);
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

TEST_F(SdlMixerTest, SilentOutputNeedsNoDevice) {
  // Whatever driver the environment names, the silent output is the dummy one.
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  SoundSystem fmod(CreateSdlSoundBackend());
  EXPECT_FALSE(fmod.FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND));
  EXPECT_EQ(fmod.FSOUND_GetError(), FMOD_ERR_INIT);
  ASSERT_TRUE(fmod.FSOUND_SetOutput(FSOUND_OUTPUT_WINMM));
  ASSERT_TRUE(fmod.FSOUND_Init(44100, 16, 0)) << SDL_GetError();
  EXPECT_STREQ(SDL_GetCurrentAudioDriver(), "dummy");
  StreamHandle s = fmod.FSOUND_Stream_OpenFile(shortWav_, 0x51, 0);
  ASSERT_NE(s, 0u);
  int c = fmod.FSOUND_Stream_Play(FSOUND_FREE, s);
  EXPECT_TRUE(fmod.FSOUND_IsPlaying(c));
  EXPECT_TRUE(WaitUntilStopped(fmod, c, kHangGuard));
  fmod.FSOUND_Close();
  unsetenv("SDL_AUDIODRIVER");
}

TEST_F(SdlMixerTest, ModulesPlayOnTheMusicPlayer) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  // A small four-channel module: one 32-byte sample, one pattern, one note.
  std::string mod = std::string("tune") + std::string(16, '\0');
  mod += std::string(22, '\0') + std::string("\x00\x10\x00\x40\x00\x00\x00\x01", 8);
  mod += std::string(30 * 30, '\0');
  mod += std::string("\x01\x7f", 2) + std::string(128, '\0') + "M.K.";
  std::string pattern(64 * 4 * 4, '\0');
  pattern.replace(0, 4, std::string("\x01\xac\x10\x00", 4));  // sample 1 at period 428
  mod += pattern;
  for (int i = 0; i < 32; ++i) mod += char(i % 8 < 4 ? 60 : -60);
  std::string path = (dir_ / "tune.mod").string();
  std::ofstream(path, std::ios::binary) << mod;

  SoundSystem fmod(CreateSdlSoundBackend());
  ASSERT_TRUE(fmod.FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND));
  ASSERT_TRUE(fmod.FSOUND_Init(44100, 32, 0));
  SongHandle song = fmod.FMUSIC_LoadSong(path), other = fmod.FMUSIC_LoadSong(path);
  ASSERT_NE(song, 0u) << fmod.FSOUND_GetError();
  EXPECT_FALSE(fmod.FMUSIC_IsPlaying(song));
  EXPECT_TRUE(fmod.FMUSIC_PlaySong(song));
  EXPECT_TRUE(fmod.FMUSIC_IsPlaying(song));
  // Another song, not playing: neither reads as playing nor stops the music.
  EXPECT_FALSE(fmod.FMUSIC_IsPlaying(other));
  EXPECT_TRUE(fmod.FMUSIC_StopSong(other));
  EXPECT_TRUE(fmod.FMUSIC_IsPlaying(song));
  EXPECT_TRUE(fmod.FMUSIC_StopSong(song));
  EXPECT_FALSE(fmod.FMUSIC_IsPlaying(song));
  EXPECT_EQ(fmod.FMUSIC_LoadSong((dir_ / "junk.wav").string()), 0u);
  EXPECT_EQ(fmod.FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);
  EXPECT_TRUE(fmod.FMUSIC_FreeSong(song));
  EXPECT_FALSE(fmod.FMUSIC_PlaySong(song));
  EXPECT_EQ(fmod.FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
  fmod.FSOUND_Close();
}

}  // namespace
