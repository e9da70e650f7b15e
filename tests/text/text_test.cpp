// Text drawn into surfaces: face resolution, Windows-1252 mapping, golden
// images at 16 and 32 bits, agreement across the four depths, and clipping.
#include <gtest/gtest.h>
#include <png.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "kestrel/base/faults.h"
#include "kestrel/platform/surface.h"
#include "kestrel/platform/text.h"

using namespace kestrel;
using namespace kestrel::platform;

namespace {

constexpr uint32_t ColorRef(uint8_t r, uint8_t g, uint8_t b) { return r | g << 8 | b << 16; }

std::shared_ptr<FontFace> GameFont() {
  FontRequest request;
  request.height = 15;
  request.weight = 700;
  request.face = "Times New Roman";
  return CreateFont(request);
}

std::unique_ptr<Surface> MakeSurface(int32_t w, int32_t h, int depth) {
  return std::make_unique<Surface>(Surface::Kind::OffScreen, w, h, depth, false, nullptr);
}

void FillRgb(Surface& s, uint8_t r, uint8_t g, uint8_t b) {
  uint32_t packed = 0;
  switch (s.Depth()) {
    case 15: packed = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3; break;
    case 16: packed = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3; break;
    default: packed = uint32_t(r) << 16 | g << 8 | b; break;
  }
  FillRows(s.Pixels(), s.Pitch(), s.Width(), s.Height(), s.BytesPerPixel(), packed);
}

// Draws one line through a device context, as the picture buffer does.
void Draw(Surface& s, const std::shared_ptr<FontFace>& font, int32_t x, int32_t y, const std::string& text,
          uint32_t colorRef) {
  DeviceContext dc(s);
  dc.SelectObject(font);
  dc.SetTextColor(colorRef);
  dc.SetBkMode(TRANSPARENT);
  ASSERT_TRUE(dc.TextOut(x, y, text.data(), int32_t(text.size())));
}

std::vector<uint8_t> Rgb(const Surface& s) { return SurfaceToRgb(s, Rect{0, 0, s.Width(), s.Height()}); }

// The sample: Portuguese lines in Windows-1252 over a dark background.
std::vector<uint8_t> DrawSample(int depth) {
  auto s = MakeSurface(160, 64, depth);
  FillRgb(*s, 16, 24, 80);
  auto font = GameFont();
  Draw(*s, font, 3, 1,
       "Op\xE7\xF5"
       "es",
       ColorRef(255, 255, 255));
  Draw(*s, font, 3, 17, "Perdeste uma vida", ColorRef(255, 220, 40));
  Draw(*s, font, 3, 33, "\xC0\xC9\xE7 x12 \x80 \x82 j", ColorRef(230, 40, 40));
  Draw(*s, font, 3, 48, "Sair", ColorRef(40, 255, 90));
  return Rgb(*s);
}

bool ReadPng(const std::string& path, std::vector<uint8_t>& rgb, int& w, int& h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(image));
  w = int(image.width), h = int(image.height);
  return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

bool WritePng(const std::string& path, const std::vector<uint8_t>& rgb, int w, int h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.format = PNG_FORMAT_RGB;
  image.width = png_uint_32(w);
  image.height = png_uint_32(h);
  return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

// Compares with tests/text/golden/NAME; KESTREL_UPDATE_GOLDEN=1 rewrites it.
// A few pixels may differ slightly between FreeType releases; a misplaced
// glyph, a wrong colour or a missing character differs in many.
void ExpectGolden(const std::string& name, const std::vector<uint8_t>& rgb, int w, int h) {
  const std::string golden = std::string(KESTREL_SOURCE_DIR) + "/tests/text/golden/" + name;
  const char* update = std::getenv("KESTREL_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    std::filesystem::create_directories(std::filesystem::path(golden).parent_path());
    ASSERT_TRUE(WritePng(golden, rgb, w, h)) << golden;
    return;
  }
  std::vector<uint8_t> expected;
  int ew = 0, eh = 0;
  ASSERT_TRUE(ReadPng(golden, expected, ew, eh))
      << golden << " is missing; run with KESTREL_UPDATE_GOLDEN=1 to make it";
  ASSERT_EQ(ew, w);
  ASSERT_EQ(eh, h);
  int differing = 0, worst = 0;
  for (size_t i = 0; i < rgb.size(); i += 3) {
    int d = 0;
    for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(int(rgb[i + c]) - int(expected[i + c])));
    if (d) ++differing;
    worst = std::max(worst, d);
  }
  if (differing * 200 > w * h || worst > 64) {
    const std::string actual = std::string(KESTREL_BINARY_DIR) + "/actual-" + name;
    WritePng(actual, rgb, w, h);
    ADD_FAILURE() << name << ": " << differing << " pixels differ, worst by " << worst << "; this run's picture is "
                  << actual;
  }
}

}  // namespace

TEST(TextFace, TimesNewRomanResolvesToLiberationSerifBold) {
  auto font = GameFont();
  ASSERT_NE(font, nullptr);
  const std::string path = FontFilePath(*font);
  EXPECT_NE(path.find("LiberationSerif-Bold"), std::string::npos) << path;
}

TEST(TextFace, UnknownFaceFallsBackToSomeFont) {
  FontRequest request;
  request.height = 15;
  request.face = "No Such Face At All";
  testing::internal::CaptureStderr();
  auto font = CreateFont(request);
  const std::string note = testing::internal::GetCapturedStderr();
  ASSERT_NE(font, nullptr);
  EXPECT_FALSE(FontFilePath(*font).empty());
  EXPECT_NE(note.find("No Such Face At All"), std::string::npos) << note;
}

TEST(TextFace, InjectedFaultGivesNoFont) {
  InjectFault("CreateFont", DDERR_GENERIC, 1);
  EXPECT_EQ(GameFont(), nullptr);
  EXPECT_NE(GameFont(), nullptr);
  ClearFaults();
}

TEST(TextCodePage, Windows1252BytesMapToTheirCharacters) {
  EXPECT_EQ(Cp1252ToUnicode(0x41), 0x41u);
  EXPECT_EQ(Cp1252ToUnicode(0x80), 0x20ACu);  // €
  EXPECT_EQ(Cp1252ToUnicode(0x82), 0x201Au);  // ‚
  EXPECT_EQ(Cp1252ToUnicode(0x9F), 0x0178u);  // Ÿ
  EXPECT_EQ(Cp1252ToUnicode(0xC0), 0x00C0u);  // À
  EXPECT_EQ(Cp1252ToUnicode(0xE7), 0x00E7u);  // ç
  EXPECT_EQ(Cp1252ToUnicode(0xFF), 0x00FFu);
  for (uint8_t hole : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(Cp1252ToUnicode(hole), 0x20u);
}

TEST(TextGolden, PortugueseLinesAt16And32Bits) {
  ExpectGolden("text16.png", DrawSample(16), 160, 64);
  ExpectGolden("text32.png", DrawSample(32), 160, 64);
}

TEST(TextDepths, AllFourDepthsShowTheSamePicture) {
  const std::vector<uint8_t> at32 = DrawSample(32);
  EXPECT_EQ(DrawSample(24), at32);
  for (int depth : {15, 16}) {
    const std::vector<uint8_t> low = DrawSample(depth);
    ASSERT_EQ(low.size(), at32.size());
    int worst = 0;
    for (size_t i = 0; i < low.size(); ++i) worst = std::max(worst, std::abs(low[i] - at32[i]));
    // Only the quantisation of 5- and 6-bit channels (and of each blend) differs.
    EXPECT_LE(worst, 24) << "depth " << depth;
  }
}

TEST(TextDrawing, GlyphsOnlyInTheCellBelowTheGivenCorner) {
  for (int depth : {15, 16, 24, 32}) {
    auto s = MakeSurface(120, 60, depth);
    FillRgb(*s, 0, 0, 255);
    const std::vector<uint8_t> before = Rgb(*s);
    Draw(*s, GameFont(), 20, 10, "\xC0gjpqy|_", ColorRef(255, 0, 0));
    const std::vector<uint8_t> after = Rgb(*s);
    int minX = INT_MAX, maxX = -1, minY = INT_MAX, maxY = -1, solid = 0;
    for (int y = 0; y < 60; ++y) {
      for (int x = 0; x < 120; ++x) {
        const uint8_t* p = &after[(y * 120 + x) * 3];
        if (std::memcmp(p, &before[(y * 120 + x) * 3], 3) == 0) continue;
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
        // Every changed pixel lies between the background and the text colour.
        EXPECT_EQ(p[1], 0) << "depth " << depth;
        if (p[0] == 255 && p[2] == 0) ++solid;
      }
    }
    // A 15-pixel cell: the accent of À near its top, descenders inside it.
    EXPECT_GE(minY, 10) << "depth " << depth;
    EXPECT_LE(minY, 12) << "depth " << depth;
    EXPECT_LE(maxY, 24) << "depth " << depth;
    EXPECT_GE(maxY, 21) << "depth " << depth;
    EXPECT_GE(minX, 19) << "depth " << depth;
    EXPECT_GT(maxX, 40) << "depth " << depth;
    EXPECT_GT(solid, 10) << "fully covered pixels take the text colour exactly, depth " << depth;
  }
}

TEST(TextDrawing, EmptyOrInvalidTextDrawsNothing) {
  auto s = MakeSurface(40, 20, 32);
  FillRgb(*s, 1, 2, 3);
  const std::vector<uint8_t> before = Rgb(*s);
  DeviceContext dc(*s);
  dc.SelectObject(GameFont());
  dc.SetBkMode(OPAQUE);  // even an opaque background needs at least one character
  EXPECT_TRUE(dc.TextOut(0, 0, "", 0));
  EXPECT_TRUE(dc.TextOut(0, 0, nullptr, 0));
  EXPECT_FALSE(dc.TextOut(0, 0, "abc", -1));
  EXPECT_FALSE(dc.TextOut(0, 0, nullptr, 3));
  EXPECT_EQ(Rgb(*s), before);
}

TEST(TextDrawing, WithoutASelectedFontADefaultFaceDraws) {
  auto s = MakeSurface(60, 30, 32);
  DeviceContext dc(*s);
  dc.SetTextColor(ColorRef(255, 255, 255));
  dc.SetBkMode(TRANSPARENT);
  ASSERT_TRUE(dc.TextOut(2, 2, "Hi", 2));
  const std::vector<uint8_t> rgb = Rgb(*s);
  EXPECT_NE(std::count(rgb.begin(), rgb.end(), 0), std::ptrdiff_t(rgb.size()));
}

// Text that reaches over an edge must look exactly like the same text drawn
// on a larger surface, cut to the small one: nothing wraps into the next row,
// nothing is written outside.
TEST(TextClipping, EdgesCutTheTextAndNothingElse) {
  const std::string text = "Wj\xC0y\xE7W";
  const int32_t w = 30, h = 12, margin = 40;
  for (int depth : {15, 16, 24, 32}) {
    for (int32_t y : {-14, -8, -1, 0, 3, 8, 11, 12}) {
      for (int32_t x : {-60, -25, -7, 0, 4, 15, 26, 29, 30}) {
        auto small = MakeSurface(w, h, depth);
        auto large = MakeSurface(w + 2 * margin, h + 2 * margin, depth);
        FillRgb(*small, 0, 90, 0);
        FillRgb(*large, 0, 90, 0);
        Draw(*small, GameFont(), x, y, text, ColorRef(250, 250, 250));
        Draw(*large, GameFont(), x + margin, y + margin, text, ColorRef(250, 250, 250));
        const std::vector<uint8_t> cut = SurfaceToRgb(*large, Rect{margin, margin, margin + w, margin + h});
        ASSERT_EQ(Rgb(*small), cut) << "depth " << depth << " at " << x << "," << y;
      }
    }
  }
}

TEST(TextClipping, FarAwayCoordinatesDrawNothing) {
  auto s = MakeSurface(16, 16, 24);
  const std::vector<uint8_t> before = Rgb(*s);
  for (auto [x, y] : {std::pair{INT32_MIN, 0},
                      {INT32_MAX, 0},
                      {0, INT32_MIN},
                      {0, INT32_MAX},
                      {INT32_MAX - 3, INT32_MAX - 3},
                      {-1000, -1000}}) {
    Draw(*s, GameFont(), x, y, "WWWWWWWW", ColorRef(255, 255, 255));
  }
  EXPECT_EQ(Rgb(*s), before);
}
