// The frame log's hash: the fast routine that reads the pixels where they
// are must give, at every depth, the hash of the plain definition over the
// picture's RGB bytes; and the log of a saved replay must be that hash for
// every frame, the same at 24 and 32 bits where the colours are the same.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "../support/game_fixture.h"
#include "kestrel/base/picture_hash.h"
#include "kestrel/platform/surface.h"
#include "morlo3/game_state.h"
#include "morlo3/startup.h"

namespace kestrel::testing {
namespace {

// A random picture at a depth, with `pad` bytes of noise after each row.
struct Picture {
  Picture(int depth, int32_t width, int32_t height, size_t pad, uint32_t seed)
      : depth(depth), width(width), height(height) {
    const size_t bpp = size_t(BytesPerPixelOfDepth(depth));
    pitch = size_t(width) * bpp + pad;
    pixels.resize(pitch * size_t(height) + 8);
    std::mt19937 random(seed);
    for (uint8_t& b : pixels) b = uint8_t(random());
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        const uint8_t* p = pixels.data() + size_t(y) * pitch + size_t(x) * bpp;
        uint32_t v = 0;
        for (size_t b = 0; b < bpp; ++b) v |= uint32_t(p[b]) << (8 * b);
        uint8_t r, g, bl;
        PixelToRgb(v, depth, r, g, bl);
        rgb.insert(rgb.end(), {r, g, bl});
      }
  }
  uint64_t Hash() const { return HashPicture(pixels.data(), pitch, depth, width, height); }
  int depth;
  int32_t width, height;
  size_t pitch = 0;
  std::vector<uint8_t> pixels, rgb;
};

TEST(PictureHash, EveryDepthHashesTheColoursAndNothingElse) {
  struct Size {
    int32_t width, height;
    size_t pad;
  };
  // Odd and even widths (a row may end with half a word), padded rows, a
  // picture of one pixel and the game's own size.
  const Size sizes[] = {{320, 200, 0}, {321, 3, 5}, {1, 1, 3}, {7, 5, 0}, {2, 9, 1}, {640, 4, 2}};
  for (int depth : {15, 16, 24, 32})
    for (const Size& s : sizes) {
      SCOPED_TRACE("depth " + std::to_string(depth) + ", " + std::to_string(s.width) + " x " +
                   std::to_string(s.height) + ", pad " + std::to_string(s.pad));
      Picture a(depth, s.width, s.height, s.pad, 7);
      EXPECT_EQ(a.Hash(), HashRgbPicture(a.rgb.data(), s.width, s.height));
      // Noise in the row padding, and in the unused byte of a 32-bit pixel,
      // is no part of the picture.
      Picture b = a;
      for (int32_t y = 0; y < s.height; ++y) {
        for (size_t i = 0; i < s.pad; ++i) b.pixels[size_t(y) * b.pitch + b.pitch - 1 - i] ^= 0x5a;
        if (depth == 32) b.pixels[size_t(y) * b.pitch + 3] ^= 0xff;
      }
      EXPECT_EQ(b.Hash(), a.Hash());
      // One changed colour anywhere, or other dimensions, change the hash.
      std::set<uint64_t> seen{a.Hash()};
      for (const size_t at : {size_t(0), a.rgb.size() / 2, a.rgb.size() - 1}) {
        std::vector<uint8_t> rgb = a.rgb;
        rgb[at] ^= 0x80;
        EXPECT_TRUE(seen.insert(HashRgbPicture(rgb.data(), s.width, s.height)).second) << "byte " << at;
      }
      if (s.width % 2 == 0 && s.height > 1) {
        EXPECT_TRUE(seen.insert(HashRgbPicture(a.rgb.data(), s.width * 2, s.height / 2)).second);
      }
    }
}

// Notes, for every frame the log writes, the plain hash of its RGB bytes.
class CheckedDisplay : public platform::HeadlessDisplay {
 public:
  using HeadlessDisplay::HeadlessDisplay;
  std::vector<std::string> plain;

 protected:
  void AfterFrame() override {
    char line[40];
    std::snprintf(
        line, sizeof line, "%llu %016llx", static_cast<unsigned long long>(FramesPresented()),
        static_cast<unsigned long long>(HashRgbPicture(LastFrame().data(), LastFrameWidth(), LastFrameHeight())));
    plain.push_back(line);
    HeadlessDisplay::AfterFrame();
  }
};

class FrameLog : public HeadlessTest {
 protected:
  void SetUp() override { std::filesystem::create_symlink(kGeneratedData, scratch_.Path() / "data.kpk"); }
};

TEST_F(FrameLog, ASavedReplayLogsThePlainHashOfEveryFrameAtEveryDepth) {
  // The loading screen, the story, the menu and the start of stage 1.
  const std::string& script = kNormalReplay;
  std::map<int, std::vector<std::string>> logs;
  for (int depth : {16, 24, 32}) {
    SCOPED_TRACE("depth " + std::to_string(depth));
    morlo3::GameState game;
    platform::HeadlessOptions o;
    o.answer = 0;
    o.desktopDepth = depth;
    o.maxFrames = 400;
    o.inputScript = script;
    o.frameLog = "frames-" + std::to_string(depth) + ".log";
    auto d = std::make_unique<CheckedDisplay>(o);
    CheckedDisplay& display = *d;
    platform::InstallDisplay(std::move(d));
    ResetEngine();
    try {
      morlo3::Run(game);
    } catch (const ProgramExit&) {
    }
    EXPECT_EQ(game.StageNumber, 1);
    const std::vector<std::string> plain = display.plain;
    platform::ResetPlatform();
    ResetEngine();

    logs[depth] = ReadLines(o.frameLog);
    EXPECT_GE(logs[depth].size(), 400u);
    EXPECT_EQ(logs[depth], plain);
  }
  EXPECT_EQ(logs[24], logs[32]) << "the same colours hash alike at 24 and 32 bits";
  EXPECT_NE(logs[16], logs[32]);
}

}  // namespace
}  // namespace kestrel::testing
