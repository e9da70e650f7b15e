// The twelve sound effects, synthesised from oscillators, noise, envelopes and
// filters with fixed seeds, and stored as 16-bit mono PCM WAV files.
#pragma once
#include <cstdint>
#include <vector>

namespace datagen {

inline constexpr int kSoundRate = 22050;
// Loudest sample after normalising, as a fraction of full scale.
inline constexpr double kSoundPeak = 0.85;

// A whole RIFF/WAVE file: 16-bit PCM, one channel.
std::vector<uint8_t> EncodeWav(const std::vector<int16_t>& samples, int rate);

}  // namespace datagen
