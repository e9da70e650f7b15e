// The mixer's headroom, measured on the sounds of the built data.kpk: the
// wind looping under a shot, a dying bat and the hero's cry, the three
// starting within a fifth of a second of one another in every way, summed
// as SDL_mixer sums its channels. At the volume of full level no mixed
// sample clips; at the mixer's own full volume, as before, some did.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "kestrel/kpk.h"
#include "kestrel/platform/sound.h"
#include "kestrel/stream.h"

namespace {

const std::string kArchivePath = std::string(KESTREL_BINARY_DIR) + "/data.kpk";
constexpr int kRate = 44100;

// The sounds as the mixer holds them: decoded and converted to its 44.1 kHz
// 16-bit stereo, by SDL_mixer itself.
class MixerSounds {
 public:
  MixerSounds() {
    // No device is needed: the dummy driver takes the mix and drops it.
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    open_ =
        SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 && Mix_OpenAudioDevice(kRate, AUDIO_S16SYS, 2, 1024, nullptr, 0) == 0;
  }
  ~MixerSounds() {
    if (open_) Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  bool Open() const { return open_; }

  // The samples of an entry of data.kpk, left and right interleaved.
  std::vector<int16_t> Load(const std::string& entry) {
    kestrel::TKPK archive(kArchivePath);
    kestrel::TMemoryStream stream;
    if (!archive.LoadToStream(entry, &stream)) return {};
    const std::vector<uint8_t>& bytes = stream.Bytes();
    Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), int(bytes.size())), 1);
    if (!chunk) return {};
    const auto* s = reinterpret_cast<const int16_t*>(chunk->abuf);
    std::vector<int16_t> samples(s, s + chunk->alen / 2);
    Mix_FreeChunk(chunk);
    return samples;
  }

 private:
  bool open_ = false;
};

struct Voice {
  const std::vector<int16_t>* samples;
  size_t start;  // in interleaved samples
  bool loops;
};

// The samples of a mix that clip: SDL_mixer scales each channel by
// volume / 128 (truncating) and adds the channels one after another into
// 16 bits, saturating; a sample clips when any of those sums leaves the
// range.
size_t ClippedSamples(const std::vector<Voice>& voices, size_t length, int volume) {
  size_t clipped = 0;
  for (size_t i = 0; i < length; ++i) {
    int32_t sum = 0;
    bool out = false;
    for (const Voice& v : voices) {
      if (i < v.start) continue;
      size_t at = i - v.start;
      if (v.loops) at %= v.samples->size();
      else if (at >= v.samples->size()) continue;
      sum += int32_t((*v.samples)[at]) * volume / 128;
      out = out || sum > 32767 || sum < -32768;
    }
    clipped += out;
  }
  return clipped;
}

TEST(MixHeadroom, TheWindAndThreeEffectsAtOnceNeverClipAtFullLevel) {
  MixerSounds mixer;
  ASSERT_TRUE(mixer.Open()) << SDL_GetError();
  const std::vector<int16_t> wind = mixer.Load("vento.wav"), shot = mixer.Load("laser.wav"),
                             bat = mixer.Load("morcego.wav"), hurt = mixer.Load("sofr.wav");
  ASSERT_FALSE(wind.empty() || shot.empty() || bat.empty() || hurt.empty());
  // Starts 10 ms apart across a fifth of a second, with the wind at four
  // points of its loop; stereo, so every offset is an even count.
  const size_t step = 2 * kRate / 100, fifth = 2 * kRate / 5;
  const size_t length = fifth + std::max({shot.size(), bat.size(), hurt.size()});
  size_t before = 0, now = 0, total = 0;
  for (size_t windAt = 0; windAt < 4; ++windAt) {
    // The wind has been playing since before the shot: it starts inside
    // its loop.
    const size_t windStart = (wind.size() / 4 * windAt) & ~size_t(1);
    std::vector<int16_t> windFrom(wind.begin() + long(windStart), wind.end());
    windFrom.insert(windFrom.end(), wind.begin(), wind.begin() + long(windStart));
    for (size_t batAt = 0; batAt <= fifth; batAt += step)
      for (size_t hurtAt = 0; hurtAt <= fifth; hurtAt += step) {
        const std::vector<Voice> voices = {
            {&windFrom, 0, true}, {&shot, 0, false}, {&bat, batAt, false}, {&hurt, hurtAt, false}};
        before += ClippedSamples(voices, length, kestrel::platform::kMixerFullVolume);
        now += ClippedSamples(voices, length, kestrel::platform::MixerVolume(100));
        total += length;
      }
  }
  std::printf("clipped samples of %zu mixed: %zu (%.3f %%) at the mixer's full volume, %zu at full level\n", total,
              before, 100.0 * double(before) / double(total), now);
  // The measurement can see clipping: without the headroom there is some.
  EXPECT_GT(before, 0u);
  EXPECT_EQ(now, 0u);
}

}  // namespace
