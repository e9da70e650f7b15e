// File encodings for the generated pictures, and their inverses for checking
// and for review. Every encoder is deterministic: the same picture gives the
// same bytes on every run (no time stamps, fixed settings).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/datagen/datagen.h"

namespace datagen {

// 8-bit RGB PNG at zlib's best level, no ancillary chunks.
std::vector<uint8_t> EncodePng(const Image& image);
// Baseline JPEG, 4:4:4 (no chroma subsampling), at the given quality.
std::vector<uint8_t> EncodeJpeg(const Image& image, int quality = 95);

// Decoders: any PNG or JPEG that libpng or libjpeg reads, converted to 8-bit
// RGB. Throw std::runtime_error on a damaged file.
Image DecodePng(const std::vector<uint8_t>& bytes);
Image DecodeJpeg(const std::vector<uint8_t>& bytes);

// Writes bytes to a file; false when it cannot.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace datagen
