// Inflating one entry: the one-call path when the record's unpacked size is
// plausible, and zlib's streaming inflate when the content turns out larger
// than the record says, when the size is no use, or when the data is faulty,
// in which case zlib's own message is reported.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "kestrel/error.h"
#include "kestrel/kpk.h"
#include "tests/archive/encoders.h"
#include "tools/common/kpk_writer.h"

namespace {

using kestrel::TInflatePath;
using kestrel::TKPK;

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data, int level) {
  uLongf size = compressBound(uLong(data.size()));
  std::vector<uint8_t> out(size);
  EXPECT_EQ(compress2(out.data(), &size, data.data(), uLong(data.size()), level), Z_OK);
  out.resize(size);
  return out;
}

// Text-like bytes with runs and repeats, and a stretch of noise.
std::vector<uint8_t> Content(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = i % 1000 < 700 ? uint8_t('a' + (i / 7 + i / 131) % 26) : uint8_t(random());
  return out;
}

std::string Fatal(const std::vector<uint8_t>& packed, int32_t hint, TInflatePath& taken) {
  try {
    TKPK::Inflate(packed.data(), packed.size(), hint, &taken);
  } catch (const kestrel::FatalError& e) {
    return e.what();
  }
  return "<no error>";
}

TEST(Inflate, ARightSizeTakesOneCallAtEveryLevel) {
  for (int level : {0, 1, 6, 9}) {
    for (size_t n : {size_t(1), size_t(5000), size_t(70000), size_t(300000)}) {
      const auto content = Content(n, unsigned(n + level));
      const auto packed = Deflate(content, level);
      TInflatePath taken = TInflatePath::Streaming;
      EXPECT_EQ(TKPK::Inflate(packed.data(), packed.size(), int32_t(n), &taken), content)
          << "level " << level << ", " << n << " bytes";
      EXPECT_EQ(taken, TInflatePath::OneShot) << "level " << level << ", " << n << " bytes";
    }
  }
}

TEST(Inflate, ASizeTooSmallFallsBackToStreaming) {
  const auto content = Content(70000, 3);
  const auto packed = Deflate(content, 9);
  for (int32_t hint : {1, 100, 65536, 69999}) {
    TInflatePath taken = TInflatePath::OneShot;
    EXPECT_EQ(TKPK::Inflate(packed.data(), packed.size(), hint, &taken), content) << hint;
    EXPECT_EQ(taken, TInflatePath::Streaming) << hint;
  }
}

TEST(Inflate, ASizeTooLargeIsTrimmedAndNoSizeStreams) {
  const auto content = Content(70000, 4);
  const auto packed = Deflate(content, 6);
  TInflatePath taken = TInflatePath::Streaming;
  EXPECT_EQ(TKPK::Inflate(packed.data(), packed.size(), 70001, &taken), content);
  EXPECT_EQ(taken, TInflatePath::OneShot);
  EXPECT_EQ(TKPK::Inflate(packed.data(), packed.size(), 1 << 20, &taken), content);
  EXPECT_EQ(taken, TInflatePath::OneShot);
  // No size, a negative one, or more than deflate can expand to: no buffer of
  // that size is made, and zlib goes by what it finds.
  for (int32_t hint : {0, -5, INT32_MAX}) {
    EXPECT_EQ(TKPK::Inflate(packed.data(), packed.size(), hint, &taken), content) << hint;
    EXPECT_EQ(taken, TInflatePath::Streaming) << hint;
  }
}

TEST(Inflate, FaultyDataFallsBackAndZlibNamesTheFault) {
  const auto content = Content(20000, 5);
  const auto good = Deflate(content, 9);
  auto badChecksum = good;
  badChecksum.back() ^= 1;
  auto cut = good;
  cut.resize(cut.size() / 2);
  auto badHeader = good;
  badHeader[0] ^= 0xFF;
  auto badBlock = good;
  badBlock[2] = 0xFF;  // block type 3 does not exist
  const struct {
    std::vector<uint8_t> packed;
    const char* text;
  } cases[] = {
      {badChecksum, "Decompression error: data error (incorrect data check)"},
      {cut, "Decompression error: buffer error"},
      {badHeader, "Decompression error: data error (incorrect header check)"},
      {badBlock, "Decompression error: data error (invalid block type)"},
  };
  for (const auto& c : cases) {
    TInflatePath taken = TInflatePath::OneShot;
    EXPECT_EQ(Fatal(c.packed, int32_t(content.size()), taken), c.text);
    EXPECT_EQ(taken, TInflatePath::Streaming) << c.text;
  }
}

TEST(Inflate, TheArchiveWriterStoresWhatDoesNotShrink) {
  // A PNG's data is deflated already: packing it again would gain nothing,
  // so it is stored, and inflates at the speed of a copy. Text still packs.
  std::mt19937 random(9);
  testpics::Picture picture(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) picture.At(x, y) = {uint8_t(random()), uint8_t(x * 4), uint8_t(y * 4), 255};
  const auto png = testpics::EncodePngRgb(picture);
  std::vector<uint8_t> noise(50000, 0);
  for (auto& b : noise) b = uint8_t(random());
  const auto text = Content(50000, 6);
  const std::vector<const std::vector<uint8_t>*> contents = {&png, &noise, &text};
  for (const std::vector<uint8_t>* content : contents) {
    const auto packed = tools::ZlibCompress(*content);
    TInflatePath taken = TInflatePath::Streaming;
    EXPECT_EQ(TKPK::Inflate(packed.data(), packed.size(), int32_t(content->size()), &taken), *content);
    EXPECT_EQ(taken, TInflatePath::OneShot);
    // Stored deflate blocks: header 0x78 0x01, then blocks of type 0.
    const bool stored = (packed[2] & 0x06) == 0;
    EXPECT_EQ(stored, content != &text);
    if (content == &text) EXPECT_LT(packed.size(), content->size() / 2);
  }
}

}  // namespace
