// Picture loading: every decoder variant at every depth, compared pixel by
// pixel with MakeColor of the source colours, and every report.
#include <zlib.h>

#include <algorithm>
#include <initializer_list>

#include "kestrel/error.h"
#include "kestrel/kpk.h"
#include "tests/archive/fixture.h"

namespace {

using namespace archive_test;
using kestrel::TKPK;
using kestrel::TMemoryStream;
using testpics::Expected;
using testpics::Picture;

const int kDepths[] = {15, 16, 24, 32};

void Load(kestrel::TBuffer64& b, const std::vector<uint8_t>& bytes) {
  TMemoryStream s(bytes);
  b.LoadStreamImage(s, false);
}

// The report a load ends in, or "<none>".
std::string Report(const std::function<void()>& f) {
  try {
    f();
  } catch (const kestrel::EngineError& e) {
    return e.what();
  }
  return "<none>";
}

std::string Fatal(const std::function<void()>& f) {
  try {
    f();
  } catch (const kestrel::FatalError& e) {
    return e.what();
  }
  return "<none>";
}

struct Variant {
  std::string name;
  std::vector<uint8_t> bytes;
  Expected expected;
};

std::vector<Variant> PngVariants() {
  std::vector<Variant> out;
  Picture p = testpics::Pattern(13, 7, true);
  struct {
    const char* name;
    testpics::PngSpec spec;
  } specs[] = {
      {"rgb8", {PNG_COLOR_TYPE_RGB, 8, false, false}},
      {"rgb8-interlaced", {PNG_COLOR_TYPE_RGB, 8, true, false}},
      {"rgb8-key", {PNG_COLOR_TYPE_RGB, 8, false, true}},
      {"rgb16", {PNG_COLOR_TYPE_RGB, 16, false, false}},
      {"rgb16-key", {PNG_COLOR_TYPE_RGB, 16, true, true}},
      {"rgba8", {PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false}},
      {"rgba8-interlaced", {PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false}},
      {"rgba16", {PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false}},
      {"gray1", {PNG_COLOR_TYPE_GRAY, 1, false, false}},
      {"gray2", {PNG_COLOR_TYPE_GRAY, 2, true, false}},
      {"gray4", {PNG_COLOR_TYPE_GRAY, 4, false, false}},
      {"gray8", {PNG_COLOR_TYPE_GRAY, 8, false, false}},
      {"gray8-key", {PNG_COLOR_TYPE_GRAY, 8, false, true}},
      {"gray16", {PNG_COLOR_TYPE_GRAY, 16, true, false}},
      {"graya8", {PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false}},
      {"graya16", {PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, false}},
      {"pal1", {PNG_COLOR_TYPE_PALETTE, 1, false, false}},
      {"pal2", {PNG_COLOR_TYPE_PALETTE, 2, false, false}},
      {"pal4", {PNG_COLOR_TYPE_PALETTE, 4, true, false}},
      {"pal8", {PNG_COLOR_TYPE_PALETTE, 8, false, false}},
      {"pal8-trns", {PNG_COLOR_TYPE_PALETTE, 8, false, true}},
      {"pal4-trns-interlaced", {PNG_COLOR_TYPE_PALETTE, 4, true, true}},
  };
  for (auto& s : specs) {
    Variant v{std::string(s.name) + ".png", {}, {}};
    v.bytes = testpics::EncodePng(p, s.spec, &v.expected);
    out.push_back(std::move(v));
  }
  return out;
}

std::vector<Variant> JpegVariants() {
  std::vector<Variant> out;
  Picture p = testpics::Pattern(37, 21);
  struct {
    const char* name;
    testpics::JpegSpec spec;
  } specs[] = {{"baseline", {false, false, 90}},
               {"progressive", {true, false, 75}},
               {"gray", {false, true, 90}},
               {"gray-progressive", {true, true, 50}}};
  for (auto& s : specs) {
    Variant v{std::string(s.name) + ".jpg", testpics::EncodeJpeg(p, s.spec), {}};
    v.expected = testpics::DecodeJpegReference(v.bytes);
    out.push_back(std::move(v));
  }
  return out;
}

std::vector<Variant> BmpVariants() {
  std::vector<Variant> out;
  Picture p = testpics::Pattern(11, 6);
  struct {
    const char* name;
    testpics::BmpSpec spec;
  } specs[] = {
      {"1bit", {1, 0, false, 40, false}},       {"4bit", {4, 0, false, 40, false}},
      {"4bit-core", {4, 0, false, 12, false}},  {"8bit", {8, 0, true, 40, false}},
      {"8bit-rle", {8, 1, false, 40, false}},   {"4bit-rle", {4, 2, false, 40, false}},
      {"16bit-555", {16, 0, false, 40, false}}, {"16bit-565", {16, 3, true, 40, true}},
      {"16bit-v5", {16, 3, false, 124, false}}, {"24bit", {24, 0, false, 40, false}},
      {"24bit-top", {24, 0, true, 40, false}},  {"24bit-core", {24, 0, false, 12, false}},
      {"32bit", {32, 0, false, 40, false}},     {"32bit-fields", {32, 3, true, 108, false}},
  };
  for (auto& s : specs) {
    Variant v{std::string(s.name) + ".bmp", {}, {}};
    v.bytes = testpics::EncodeBmp(p, s.spec, &v.expected);
    out.push_back(std::move(v));
  }
  return out;
}

class LoadAtDepth : public ::testing::TestWithParam<int> {};

TEST_P(LoadAtDepth, EveryVariantGivesMakeColorOfItsColours) {
  Engine engine(GetParam());
  for (auto* make : {&PngVariants, &JpegVariants, &BmpVariants}) {
    for (const Variant& v : (*make)()) {
      SaveSeed("image", v.name, v.bytes);
      auto b = engine.NewBuffer(320, 200);
      Load(*b, v.bytes);
      EXPECT_TRUE(HoldsPicture(*b, v.expected)) << v.name << " at depth " << GetParam();
    }
  }
}

TEST_P(LoadAtDepth, FromTheArchiveByAnyName) {
  Engine engine(GetParam());
  Expected e;
  // A PNG stored under a JPEG's name loads as a PNG: only the bytes count.
  std::vector<uint8_t> png = testpics::EncodePng(testpics::Pattern(100, 50), {}, &e);
  std::vector<uint8_t> kpk = testpics::Archive({testpics::Entry("load.jpg", png)});
  SaveSeed("kpk", "picture.kpk", kpk);
  TKPK archive(WriteFile("pictures.kpk", kpk));
  auto b = engine.NewBuffer(320, 200);
  b->LoadKPKImage(archive, "LOAD.JPG", false);
  EXPECT_EQ(b->Width, 100);
  EXPECT_EQ(b->Height, 50);
  EXPECT_TRUE(HoldsPicture(*b, e));
}

INSTANTIATE_TEST_SUITE_P(Depths, LoadAtDepth, ::testing::ValuesIn(kDepths));

TEST(LoadStream, PositionComesBackAndTheKeyColourSurvives) {
  Engine engine(16);
  Picture p(4, 2);
  for (auto& c : p.px) c = testpics::kPalette[0];
  std::vector<uint8_t> bytes = {'j', 'u', 'n', 'k', '!'};
  std::vector<uint8_t> png = testpics::EncodePngRgb(p);
  bytes.insert(bytes.end(), png.begin(), png.end());
  TMemoryStream s(bytes);
  s.SetPosition(5);
  auto b = engine.NewBuffer();
  b->LoadStreamImage(s, false);
  EXPECT_EQ(s.Position(), 5u);
  EXPECT_EQ(b->Width, 4);
  // The key colour the game packs itself must match the loaded pixels.
  EXPECT_EQ(Stored(*b, 3, 1), engine.context->MakeColor(232, 252, 252));
  EXPECT_EQ(Stored(*b, 3, 1), 0xEFFFu);
}

TEST(LoadStream, ReloadingReplacesSizeAndContent) {
  Engine engine(32);
  auto b = engine.NewBuffer();
  Expected big, small;
  Load(*b, testpics::EncodePng(testpics::Pattern(30, 20), {}, &big));
  EXPECT_TRUE(HoldsPicture(*b, big));
  Load(*b, testpics::EncodeBmp(testpics::Pattern(5, 3), {}, &small));
  EXPECT_TRUE(HoldsPicture(*b, small));
}

// Runs stop early, jump with a delta and leave pixels they never reach
// black, whatever colour index 0 is.
TEST(LoadBmp, RunLengthGapsStayBlack) {
  Engine engine(24);
  std::vector<uint8_t> bmp = testpics::EncodeBmp(testpics::Pattern(4, 3), {8, 1, false, 40, false}, nullptr);
  // Replace the pixel data: bottom row two of colour 3 then end of line;
  // middle row a delta of (1, 1); top row: one pixel of colour 2 at x = 1.
  uint32_t off = bmp[10] | bmp[11] << 8;
  bmp.resize(off);
  for (uint8_t b : {2, 3, 0, 0, 0, 2, 1, 1, 1, 2, 0, 1}) bmp.push_back(b);
  auto buf = engine.NewBuffer();
  Load(*buf, bmp);
  auto colour = [](int i) {
    auto c = testpics::kPalette[i];
    return kestrel::MakeColor(c.r, c.g, c.b);
  };
  EXPECT_EQ(Stored(*buf, 0, 2), colour(3));
  EXPECT_EQ(Stored(*buf, 1, 2), colour(3));
  EXPECT_EQ(Stored(*buf, 2, 2), 0u);
  EXPECT_EQ(Stored(*buf, 0, 0), 0u);
  EXPECT_EQ(Stored(*buf, 1, 0), colour(2));
  EXPECT_EQ(Stored(*buf, 3, 1), 0u);
}

// ---- reports ----

class Reports : public ::testing::Test {
 protected:
  Engine engine{16};
  std::unique_ptr<kestrel::TBuffer64> b = engine.NewBuffer(8, 8);

  void ExpectReport(const std::vector<uint8_t>& bytes, const std::string& text) {
    std::remove(kestrel::kErrorLogName);
    EXPECT_EQ(Report([&] { Load(*b, bytes); }), text);
    EXPECT_EQ(ErrorLog(), text + "\r\n");
  }
};

std::vector<uint8_t> WithCrc(std::vector<uint8_t> png) {
  // Fixes the IHDR chunk's CRC after its fields were changed.
  uint32_t crc = crc32(0, png.data() + 12, 17);
  png[29] = uint8_t(crc >> 24), png[30] = uint8_t(crc >> 16), png[31] = uint8_t(crc >> 8), png[32] = uint8_t(crc);
  return png;
}

std::vector<uint8_t> PngSized(uint32_t w, uint32_t h) {
  std::vector<uint8_t> png = testpics::EncodePngRgb(testpics::Pattern(3, 3));
  for (int i = 0; i < 4; ++i) png[16 + i] = uint8_t(w >> (24 - 8 * i)), png[20 + i] = uint8_t(h >> (24 - 8 * i));
  return WithCrc(png);
}

std::vector<uint8_t> JpegSized(uint16_t w, uint16_t h) {
  std::vector<uint8_t> jpg = testpics::EncodeJpeg(testpics::Pattern(8, 8), {});
  for (size_t i = 2; i + 9 < jpg.size(); ++i)
    if (jpg[i] == 0xFF && jpg[i + 1] == 0xC0) {
      jpg[i + 5] = uint8_t(h >> 8), jpg[i + 6] = uint8_t(h), jpg[i + 7] = uint8_t(w >> 8), jpg[i + 8] = uint8_t(w);
      return jpg;
    }
  return {};
}

std::vector<uint8_t> BmpSized(int32_t w, int32_t h) {
  std::vector<uint8_t> bmp = testpics::EncodeBmp(testpics::Pattern(2, 2), {}, nullptr);
  for (int i = 0; i < 4; ++i)
    bmp[18 + i] = uint8_t(uint32_t(w) >> (8 * i)), bmp[22 + i] = uint8_t(uint32_t(h) >> (8 * i));
  return bmp;
}

TEST_F(Reports, UnknownFormats) {
  const std::string text = "[TBuffer64]LoadStreamImage -> Stream Image format not supported...";
  ExpectReport(testpics::Bytes("GIF89a\x01\x00\x01\x00"), text);
  ExpectReport({}, text);
  ExpectReport({0xFF}, text);
  // Seven of the eight PNG signature bytes are not enough.
  ExpectReport({0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A}, text);
}

TEST_F(Reports, EmptyPictures) {
  // One side of zero is as empty as both: the engine's own report, never
  // the decoder's.
  for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 5}, std::pair{5, 0}}) {
    ExpectReport(PngSized(w, h), "[TBuffer64]LoadStreamImage -> Error loading PNG from Stream...");
    ExpectReport(JpegSized(uint16_t(w), uint16_t(h)),
                 "[TBuffer64]LoadStreamImage -> Error loading JPEG from Stream...");
    b = engine.NewBuffer(8, 8);
  }
  // A BMP has no check of its own; the surface cannot be made.
  ExpectReport(BmpSized(0, 0), "[TBuffer64]CreateSurface -> Error creating surface...");
}

TEST_F(Reports, AbsurdSizesAreRefusedBeforeDecoding) {
  const std::string text = "[TBuffer64]CreateSurface -> Error creating surface...";
  ExpectReport(PngSized(60000, 60000), text);
  ExpectReport(JpegSized(60000, 60000), text);
  ExpectReport(BmpSized(60000, 60000), text);
  ExpectReport(BmpSized(60000, -60000), text);
  ExpectReport(BmpSized(1, INT32_MAX), text);
}

// A few bytes of RLE can claim any size; the limit is 16 million pixels.
TEST_F(Reports, SizeLimitIsSixteenMegapixels) {
  std::vector<uint8_t> rle = testpics::EncodeBmp(testpics::Pattern(2, 2), {8, 1, false, 40, false}, nullptr);
  auto sized = [&](int32_t w, int32_t h) {
    std::vector<uint8_t> bmp = rle;
    for (int i = 0; i < 4; ++i)
      bmp[18 + i] = uint8_t(uint32_t(w) >> (8 * i)), bmp[22 + i] = uint8_t(uint32_t(h) >> (8 * i));
    return bmp;
  };
  Load(*b, sized(4096, 4096));
  EXPECT_EQ(b->Width, 4096);
  EXPECT_EQ(b->Height, 4096);
  ExpectReport(sized(4096, 4097), "[TBuffer64]CreateSurface -> Error creating surface...");
}

TEST_F(Reports, MissingEntry) {
  TKPK archive(WriteFile("one.kpk", testpics::Archive({testpics::Entry("a.png", {1})})));
  std::remove(kestrel::kErrorLogName);
  EXPECT_EQ(Report([&] { b->LoadKPKImage(archive, "sprites.png", false); }),
            "[TBuffer64]LoadKPKImage -> Error loading sprites.png...");
  EXPECT_EQ(ErrorLog(), "[TBuffer64]LoadKPKImage -> Error loading sprites.png...\r\n");
}

TEST_F(Reports, CopyStepFailures) {
  std::vector<uint8_t> png = testpics::EncodePngRgb(testpics::Pattern(3, 3));
  struct {
    const char* fault;
    const char* text;
  } cases[] = {
      {"CreateCompatibleDC", "[TBuffer64]CreateCompatibleDC -> Error creating a compatible device context..."},
      {"SelectObject", "[TBuffer64]SelectObject -> Error retrieving device context handle..."},
      {"StretchBlt", "[TBuffer64]StretchBlt -> Error blitting bitmap to surface image..."},
      {"CreateSurface", "[TBuffer64]CreateSurface -> Error creating surface..."},
  };
  for (auto& c : cases) {
    b = engine.NewBuffer(8, 8);
    kestrel::ClearFaults();
    kestrel::InjectFault(c.fault, kestrel::platform::DDERR_GENERIC);
    ExpectReport(png, c.text);
  }
}

TEST_F(Reports, NoDeviceContextLeavesTheBufferBlank) {
  kestrel::InjectFault("GetDC", kestrel::platform::DDERR_CANTCREATEDC);
  // The copy's own steps are never reached, so they cannot report.
  kestrel::InjectFault("StretchBlt", kestrel::platform::DDERR_GENERIC);
  EXPECT_EQ(Report([&] { Load(*b, testpics::EncodePngRgb(testpics::Pattern(5, 4))); }), "<none>");
  EXPECT_EQ(b->Width, 5);
  EXPECT_EQ(b->Height, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(Stored(*b, x, y), 0u);
}

// Corrupt data ends the program with the decoder's own message, never with
// a crash or a "format not supported".
TEST_F(Reports, CorruptDataRaisesTheDecodersMessage) {
  std::vector<uint8_t> png = testpics::EncodePngRgb(testpics::Pattern(20, 20));
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION  // fuzzing builds skip checksums
  std::vector<uint8_t> badCrc = png;
  badCrc[20] ^= 1;
  EXPECT_EQ(Fatal([&] { Load(*b, badCrc); }), "IHDR: CRC error");
#endif
  std::vector<uint8_t> cut(png.begin(), png.begin() + long(png.size() / 2));
  EXPECT_EQ(Fatal([&] { Load(*b, cut); }), "Read past the end of the PNG data");
  std::vector<uint8_t> onlySig(png.begin(), png.begin() + 8);
  EXPECT_EQ(Fatal([&] { Load(*b, onlySig); }), "Read past the end of the PNG data");

  EXPECT_EQ(Fatal([&] { Load(*b, {0xFF, 0xD8, 0x00, 0x00}); }), "Premature end of JPEG file");
  std::vector<uint8_t> jpg = testpics::EncodeJpeg(testpics::Pattern(16, 16), {});
  jpg.resize(20);
  EXPECT_EQ(Fatal([&] { Load(*b, jpg); }), "Premature end of JPEG file");

  std::vector<uint8_t> bmp = testpics::EncodeBmp(testpics::Pattern(16, 16), {}, nullptr);
  std::vector<uint8_t> shortBmp(bmp.begin(), bmp.end() - 40);
  EXPECT_EQ(Fatal([&] { Load(*b, shortBmp); }), "Invalid BMP file: pixel data cut short");
  EXPECT_EQ(Fatal([&] { Load(*b, {'B', 'M', 0, 0}); }), "Invalid BMP file: header cut short");
}

// A progressive file with hundreds of scans would walk the whole picture
// hundreds of times; it is refused instead.
TEST_F(Reports, EndlessScansAreRefused) {
  std::vector<uint8_t> jpg = testpics::EncodeJpeg(testpics::Pattern(64, 64), {true, false, 80});
  // The first scan (the DC one) with the Huffman table written just before
  // it: repeated after the last scan it decodes again, only out of order.
  auto marker = [&](size_t from, std::initializer_list<uint8_t> kinds) {
    for (size_t i = from; i + 1 < jpg.size(); ++i)
      if (jpg[i] == 0xFF && std::find(kinds.begin(), kinds.end(), jpg[i + 1]) != kinds.end()) return i;
    return jpg.size();
  };
  const size_t firstScan = marker(2, {0xDA});
  size_t table = 0;
  for (size_t i = marker(2, {0xC4}); i < firstScan; i = marker(i + 2, {0xC4})) table = i;
  const size_t next = marker(firstScan + 2, {0xC4, 0xDA});
  ASSERT_GT(table, 0u);
  ASSERT_LT(next, jpg.size());
  std::vector<uint8_t> scan(jpg.begin() + long(table), jpg.begin() + long(next));
  auto repeated = [&](int times) {
    std::vector<uint8_t> out(jpg.begin(), jpg.end() - 2);  // up to EOI
    for (int i = 0; i < times; ++i) out.insert(out.end(), scan.begin(), scan.end());
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
  };
  EXPECT_EQ(Fatal([&] { Load(*b, repeated(600)); }), "JPEG has more than 500 scans");
  // A handful of repeats is still a picture.
  Load(*b, repeated(3));
  EXPECT_EQ(b->Width, 64);
}

// A JPEG cut short or with corrupt data is refused with the decoder's own
// message, as a PNG is; left to itself the decoder would pad it with grey.
// Through the archive the message also names the entry and the archive, and
// a decoder's failure writes no error log.
TEST_F(Reports, DamagedJpegsAreRefused) {
  const std::vector<uint8_t> jpg = testpics::EncodeJpeg(testpics::Pattern(48, 48), {false, false, 90});
  std::vector<uint8_t> cut(jpg.begin(), jpg.begin() + long(jpg.size() * 6 / 10));
  SaveSeed("image", "damaged-cut.jpg", cut);
  EXPECT_EQ(Fatal([&] { Load(*b, cut); }), "Premature end of JPEG file");

  // Two stray bytes before the scan's marker.
  std::vector<uint8_t> stray = jpg;
  for (size_t i = 2; i + 1 < stray.size(); ++i)
    if (stray[i] == 0xFF && stray[i + 1] == 0xDA) {
      stray.insert(stray.begin() + long(i), {0x12, 0x34});
      break;
    }
  SaveSeed("image", "damaged-stray.jpg", stray);
  EXPECT_EQ(Fatal([&] { Load(*b, stray); }), "Corrupt JPEG data: 2 extraneous bytes before marker 0xda");

  // A progressive picture cut in its later scans.
  const std::vector<uint8_t> prog = testpics::EncodeJpeg(testpics::Pattern(48, 48), {true, false, 90});
  std::vector<uint8_t> progCut(prog.begin(), prog.begin() + long(prog.size() * 8 / 10));
  SaveSeed("image", "damaged-progressive-cut.jpg", progCut);
  EXPECT_EQ(Fatal([&] { Load(*b, progCut); }), "Premature end of JPEG file");

  std::string path = WriteFile("damaged.kpk", testpics::Archive({testpics::Entry("load.jpg", cut)}));
  SaveSeed("kpk", "damaged-jpeg.kpk", ReadFile(path));
  TKPK archive(path);
  std::remove(kestrel::kErrorLogName);
  EXPECT_EQ(Fatal([&] { b->LoadKPKImage(archive, "load.jpg", false); }),
            "Premature end of JPEG file, in entry load.jpg of " + path);
  EXPECT_FALSE(fs::exists(kestrel::kErrorLogName));
}

// Every prefix of every variant either loads or fails cleanly.
TEST(LoadRobustness, EveryTruncationFailsCleanly) {
  Engine engine(32);
  auto b = engine.NewBuffer();
  std::vector<Variant> all = PngVariants();
  for (auto& v : JpegVariants()) all.push_back(v);
  for (auto& v : BmpVariants()) all.push_back(v);
  for (const Variant& v : all) {
    for (size_t cut = 0; cut < v.bytes.size(); cut += 1 + v.bytes.size() / 97) {
      TMemoryStream s(std::vector<uint8_t>(v.bytes.begin(), v.bytes.begin() + long(cut)));
      try {
        b->LoadStreamImage(s, false);
      } catch (const kestrel::FatalError&) {
      } catch (const kestrel::EngineError&) {
        b = engine.NewBuffer();  // a report releases the buffer
      }
      EXPECT_EQ(s.Position(), 0u);
    }
  }
}

}  // namespace
