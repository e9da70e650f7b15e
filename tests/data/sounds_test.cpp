// The twelve sounds: each a well-formed 16-bit PCM WAV of a sensible length
// that never clips, and a wind that loops without a click.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tools/datagen/datagen.h"
#include "tools/datagen/sounds.h"

namespace datagen {
namespace {

const std::vector<SoundFile>& Sounds() {
  static const std::vector<SoundFile> sounds = BuildSounds();
  return sounds;
}

struct Wav {
  int format = 0, channels = 0, rate = 0, bits = 0, blockAlign = 0, byteRate = 0;
  std::vector<int16_t> samples;
};

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

// Walks the RIFF chunks as a player would; fails the test on anything odd.
Wav Parse(const std::vector<uint8_t>& b) {
  Wav w;
  EXPECT_GE(b.size(), 44u);
  if (b.size() < 12) return w;
  EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
  EXPECT_EQ(std::memcmp(b.data() + 8, "WAVE", 4), 0);
  EXPECT_EQ(U32(b, 4), b.size() - 8);
  bool fmt = false, data = false;
  for (size_t at = 12; at + 8 <= b.size();) {
    uint32_t len = U32(b, at + 4);
    EXPECT_LE(at + 8 + len, b.size());
    if (at + 8 + len > b.size()) break;
    if (!std::memcmp(b.data() + at, "fmt ", 4)) {
      fmt = true;
      w.format = U16(b, at + 8), w.channels = U16(b, at + 10), w.rate = int(U32(b, at + 12));
      w.byteRate = int(U32(b, at + 16)), w.blockAlign = U16(b, at + 20), w.bits = U16(b, at + 22);
    } else if (!std::memcmp(b.data() + at, "data", 4)) {
      EXPECT_TRUE(fmt) << "data before fmt";
      data = true;
      for (size_t i = 0; i + 1 < len; i += 2) w.samples.push_back(int16_t(U16(b, at + 8 + i)));
    }
    at += 8 + len + (len & 1);
  }
  EXPECT_TRUE(fmt && data);
  return w;
}

TEST(Sounds, TwelveInSlotOrder) {
  const char* names[] = {"click2.wav", "laser.wav",  "morcego.wav", "sofr.wav",    "vento.wav",  "rugido.wav",
                         "osso.wav",   "laser2.wav", "grito.wav",   "rugido3.wav", "terror.wav", "uivu.wav"};
  ASSERT_EQ(Sounds().size(), 12u);
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(Sounds()[i].name, names[i]);
}

TEST(Sounds, WellFormedShortAndUnclipped) {
  double loudest = 0, quietest = 1e9;
  for (const SoundFile& s : Sounds()) {
    SCOPED_TRACE(s.name);
    Wav w = Parse(s.wav);
    EXPECT_EQ(w.format, 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.bits, 16);
    EXPECT_TRUE(w.rate == 22050 || w.rate == 44100);
    EXPECT_EQ(w.blockAlign, 2);
    EXPECT_EQ(w.byteRate, w.rate * 2);
    double seconds = double(w.samples.size()) / w.rate;
    if (s.name == "vento.wav") {
      EXPECT_GE(seconds, 1.0);
      EXPECT_LE(seconds, 8.0);
    } else {
      EXPECT_GE(seconds, 0.2);
      EXPECT_LE(seconds, 2.0);
    }
    int peak = 0;
    double sq = 0, sum = 0;
    for (int16_t v : w.samples) peak = std::max(peak, std::abs(int(v))), sq += double(v) * v, sum += v;
    // The mixer adds the sounds up: each reaches the same peak, below
    // clipping, unless that would make it louder than the rest, and then
    // has the same power as the loudest may. No sound sits off zero, which
    // would thump as it starts and stops.
    const double rms = std::sqrt(sq / w.samples.size());
    EXPECT_TRUE(peak == std::lround(kSoundPeak * 32767) || std::abs(rms - 0.25 * 32767) < 1) << peak << ", " << rms;
    EXPECT_LE(rms, 0.25 * 32767 + 1);
    EXPECT_GT(rms, 0.02 * 32767) << "mostly silence";
    EXPECT_LT(std::abs(sum / w.samples.size()), 0.001 * 32767) << "a DC offset";
    loudest = std::max(loudest, rms), quietest = std::min(quietest, rms);
    // A one-shot starts and ends at rest, or it clicks.
    if (s.name != "vento.wav") {
      EXPECT_LT(std::abs(int(w.samples.front())), 330);
      EXPECT_LT(std::abs(int(w.samples.back())), 330);
    }
  }
  // Heard side by side, none is lost under the others: all within 12 dB.
  EXPECT_LT(loudest / quietest, 4.0);
}

// Looping joins the last sample to the first: that step must be no bigger
// than the steps inside the sound, and the level must match on both sides.
TEST(Sounds, WindLoopSeamIsContinuous) {
  Wav w = Parse(Sounds()[4].wav);
  ASSERT_GT(w.samples.size(), 4000u);
  const auto& s = w.samples;
  std::vector<int> steps;
  for (size_t i = 0; i + 1 < s.size(); ++i) steps.push_back(std::abs(s[i + 1] - s[i]));
  std::sort(steps.begin(), steps.end());
  int typical = steps[steps.size() * 9 / 10];
  EXPECT_LE(std::abs(int(s.front()) - int(s.back())), typical);

  auto rms = [&](size_t from, size_t count) {
    double sq = 0;
    for (size_t i = from; i < from + count; ++i) sq += double(s[i]) * s[i];
    return std::sqrt(sq / count);
  };
  size_t quarter = w.rate / 4;
  double head = rms(0, quarter), tail = rms(s.size() - quarter, quarter);
  EXPECT_LT(std::max(head, tail) / std::min(head, tail), 1.5);
}

TEST(Sounds, AreDeterministic) {
  std::vector<SoundFile> again = BuildSounds();
  for (size_t i = 0; i < again.size(); ++i) EXPECT_EQ(again[i].wav, Sounds()[i].wav) << again[i].name;
}

TEST(Sounds, EncodeWavHeader) {
  std::vector<uint8_t> b = EncodeWav({0, 1, -1, 32767, -32768}, 44100);
  ASSERT_EQ(b.size(), 44u + 10u);
  Wav w = Parse(b);
  EXPECT_EQ(w.rate, 44100);
  EXPECT_EQ(w.samples, (std::vector<int16_t>{0, 1, -1, 32767, -32768}));
}

}  // namespace
}  // namespace datagen
