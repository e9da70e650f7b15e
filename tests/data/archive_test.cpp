// The generated data.kpk as a whole: its entries, their formats and sizes,
// and that the generator writes the same bytes on every run.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "kestrel/kpk.h"
#include "morlo3/language.h"
#include "tools/datagen/datagen.h"
#include "tools/datagen/encode.h"
#include "tools/datagen/stages.h"

namespace datagen {
namespace {

const std::string kArchivePath = std::string(KESTREL_BINARY_DIR) + "/data.kpk";
const std::string kGenerator = std::string(KESTREL_BINARY_DIR) + "/tools/datagen/datagen";

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Entry {
  std::string name;
  std::vector<uint8_t> content;
};

uint32_t GetInt(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// An independent reading of the archive format: count, then per entry the
// name, unpacked and packed sizes and one zlib stream.
std::vector<Entry> ReadKpk(const std::vector<uint8_t>& bytes) {
  std::vector<Entry> out;
  if (bytes.size() < 4) return out;
  uint32_t count = GetInt(bytes, 0);
  size_t at = 4;
  for (uint32_t i = 0; i < count; ++i) {
    if (at + 4 > bytes.size()) throw std::runtime_error("cut short in a name length");
    uint32_t len = GetInt(bytes, at);
    if (at + 12 + len > bytes.size()) throw std::runtime_error("cut short in a record head");
    Entry e;
    e.name.assign(reinterpret_cast<const char*>(&bytes[at + 4]), len);
    uint32_t unpacked = GetInt(bytes, at + 4 + len), packed = GetInt(bytes, at + 8 + len);
    at += 12 + len;
    if (at + packed > bytes.size()) throw std::runtime_error("cut short in " + e.name);
    e.content.resize(unpacked);
    uLongf size = unpacked;
    if (uncompress(e.content.data(), &size, &bytes[at], packed) != Z_OK || size != unpacked)
      throw std::runtime_error("bad zlib stream in " + e.name);
    at += packed;
    out.push_back(std::move(e));
  }
  if (at != bytes.size()) throw std::runtime_error("bytes after the last entry");
  return out;
}

const std::vector<Entry>& Archive() {
  static const std::vector<Entry> entries = ReadKpk(ReadAll(kArchivePath));
  return entries;
}

const Entry* Find(const std::string& name) {
  for (const Entry& e : Archive())
    if (e.name == name) return &e;
  return nullptr;
}

// The designed seventeen first, as they always were; the English sheet after.
TEST(Archive, HoldsExactlyTheEighteenEntriesInOrder) {
  const std::vector<std::string> expected = {"load.jpg",   "load2.png", "sprites.png", "320200.jpg", "niveis.png",
                                             "click2.wav", "laser.wav", "morcego.wav", "sofr.wav",   "vento.wav",
                                             "rugido.wav", "osso.wav",  "laser2.wav",  "grito.wav",  "rugido3.wav",
                                             "terror.wav", "uivu.wav",  "320200en.jpg"};
  ASSERT_FALSE(Archive().empty()) << "no archive at " << kArchivePath;
  std::vector<std::string> names;
  for (const Entry& e : Archive()) names.push_back(e.name);
  EXPECT_EQ(names, expected);
}

TEST(Archive, EveryPictureDecodesAtItsExactSize) {
  struct Expect {
    const char* name;
    int width, height;
    bool png;
  };
  const Expect pictures[] = {{"load.jpg", 320, 200, false},      {"load2.png", 185, 58, true},
                             {"sprites.png", 1024, 768, true},   {"320200.jpg", 969, 1420, false},
                             {"320200en.jpg", 969, 1420, false}, {"niveis.png", 1005, 3644, true}};
  for (const Expect& p : pictures) {
    SCOPED_TRACE(p.name);
    const Entry* e = Find(p.name);
    ASSERT_NE(e, nullptr);
    // The engine tells formats apart by their first bytes, not by the name.
    if (p.png) {
      ASSERT_GE(e->content.size(), 26u);
      EXPECT_EQ(std::memcmp(e->content.data(), "\x89PNG\r\n\x1a\n", 8), 0);
      EXPECT_EQ(e->content[24], 8) << "bit depth";
      EXPECT_EQ(e->content[25], 2) << "colour type: RGB";
    } else {
      ASSERT_GE(e->content.size(), 3u);
      EXPECT_EQ(e->content[0], 0xFF);
      EXPECT_EQ(e->content[1], 0xD8);
      EXPECT_EQ(e->content[2], 0xFF);
    }
    Image image = p.png ? DecodePng(e->content) : DecodeJpeg(e->content);
    EXPECT_EQ(image.width, p.width);
    EXPECT_EQ(image.height, p.height);
  }
}

// An entry answers every request that begins with its whole stored name, so
// no entry's name may begin with another's: then no request for one finds
// another, whichever comes first, and each language's sheet is found by its
// own name alone.
TEST(Archive, NoEntryAnswersARequestForAnother) {
  ASSERT_EQ(morlo3::BackdropSheetEntry("en"), "320200en.jpg");
  for (const Entry& stored : Archive())
    for (const Entry& requested : Archive())
      EXPECT_EQ(kestrel::TKPK::NameMatches(stored.name, requested.name), &stored == &requested)
          << stored.name << " answers " << requested.name;
}

TEST(Archive, SoundsAreRiffWaves) {
  int sounds = 0;
  for (const Entry& e : Archive()) {
    if (e.name.size() < 4 || e.name.substr(e.name.size() - 4) != ".wav") continue;
    SCOPED_TRACE(e.name);
    ++sounds;
    ASSERT_GE(e.content.size(), 44u);
    EXPECT_EQ(std::memcmp(e.content.data(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(e.content.data() + 8, "WAVE", 4), 0);
    EXPECT_EQ(GetInt(e.content, 4), e.content.size() - 8) << "RIFF size";
  }
  EXPECT_EQ(sounds, 12);
}

// The stage sheet is lossless: what the game loads is what the builder drew.
TEST(Archive, StageSheetIsTheBuilderOutputExactly) {
  const Entry* e = Find("niveis.png");
  ASSERT_NE(e, nullptr);
  Image stored = DecodePng(e->content);
  Image built = BuildStageSheet();
  ASSERT_EQ(stored.width, built.width);
  ASSERT_EQ(stored.height, built.height);
  EXPECT_TRUE(stored.rgb == built.rgb);
}

TEST(Archive, GeneratorWritesTheSameBytesEveryRun) {
  std::string again = ::testing::TempDir() + "datagen_again.kpk";
  std::string command = "\"" + kGenerator + "\" \"" + again + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::vector<uint8_t> first = ReadAll(kArchivePath), second = ReadAll(again);
  std::remove(again.c_str());
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.size(), second.size());
  EXPECT_TRUE(first == second);
}

TEST(Archive, GeneratorRejectsABadCommandLine) {
  std::string command = "\"" + kGenerator + "\" --review 2>/dev/null";
  int rc = std::system(command.c_str());
  EXPECT_NE(rc, 0);
}

// ---- Encoders ---------------------------------------------------------------

Image Noise(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  Image img(w, h);
  for (uint8_t& b : img.rgb) b = uint8_t(rng());
  return img;
}

TEST(Encode, PngRoundTripIsLosslessAndStable) {
  Image img = Noise(37, 23, 1);  // odd sizes catch row-stride mistakes
  std::vector<uint8_t> once = EncodePng(img), twice = EncodePng(img);
  EXPECT_TRUE(once == twice);
  Image back = DecodePng(once);
  EXPECT_EQ(back.width, 37);
  EXPECT_EQ(back.height, 23);
  EXPECT_TRUE(back.rgb == img.rgb);
}

TEST(Encode, JpegKeepsFlatColoursCloseAndIsStable) {
  // Flat blocks of colour with hard edges, like the pictures we draw.
  Image img(64, 40);
  const Rgb colours[] = {{200, 40, 40}, {30, 160, 60}, {40, 60, 200}, {250, 250, 250}};
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) img.Set(x, y, colours[(x / 16 + y / 20) % 4]);
  std::vector<uint8_t> once = EncodeJpeg(img), twice = EncodeJpeg(img);
  EXPECT_TRUE(once == twice);
  Image back = DecodeJpeg(once);
  ASSERT_EQ(back.width, 64);
  ASSERT_EQ(back.height, 40);
  long total = 0;
  int worst = 0;
  for (size_t i = 0; i < img.rgb.size(); ++i) {
    int d = std::abs(int(img.rgb[i]) - int(back.rgb[i]));
    total += d;
    worst = std::max(worst, d);
  }
  EXPECT_LT(double(total) / double(img.rgb.size()), 2.0);
  // Full-resolution chroma: a red/green edge does not bleed far.
  EXPECT_LT(worst, 60);
}

TEST(Encode, DecodersRejectDamagedFiles) {
  std::vector<uint8_t> png = EncodePng(Noise(8, 8, 2));
  std::vector<uint8_t> jpeg = EncodeJpeg(Noise(8, 8, 3));
  png.resize(png.size() / 2);
  jpeg.resize(10);
  EXPECT_THROW(DecodePng(png), std::runtime_error);
  EXPECT_THROW(DecodePng(std::vector<uint8_t>{1, 2, 3}), std::runtime_error);
  EXPECT_THROW(DecodeJpeg(jpeg), std::runtime_error);
}

}  // namespace
}  // namespace datagen
