// The window's geometry without a window: where the picture lands in an
// output of any size, how a pointer there maps back to the client area the
// game reads, the size a window first opens at, and where screenshots go.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../support/scoped_env.h"
#include "kestrel/base/screenshot.h"
#include "kestrel/platform/scale.h"

using namespace kestrel;
using namespace kestrel::platform;
using kestrel::testing::ScopedEnv;
namespace fs = std::filesystem;

namespace {

// A picture of 320 x 200 shown for a client area of 640 x 400, at whole
// scales 1 to 6 with bars of odd and even widths on either axis. The game
// halves the client point, so each output pixel must read as the picture
// pixel it shows; a point over a bar reads as the nearest edge.
TEST(PointerMapping, EveryShownPixelReadsAsThePicturePixelItShows) {
  for (int scale = 1; scale <= 6; ++scale) {
    for (auto [extraW, extraH] : {std::pair{0, 0}, {1, 0}, {0, 1}, {7, 3}, {33, 99}, {319, 199}}) {
      const int ow = 320 * scale + extraW, oh = 200 * scale + extraH;
      SCOPED_TRACE("scale " + std::to_string(scale) + " in " + std::to_string(ow) + "x" + std::to_string(oh));
      const Placement at = Letterbox(ow, oh, 320, 200);
      // The bars split what is left, the odd pixel going right or down.
      ASSERT_EQ(at, (Placement{extraW / 2, extraH / 2, 320 * scale, 200 * scale}));
      ASSERT_EQ(WholeScale(at, 320, 200), scale);
      for (int px : {0, 1, 159, 318, 319})
        for (int k = 0; k < scale; ++k) {
          int32_t cx = -1, cy = -1;
          OutputToArea(at.x + px * scale + k, at.y + (px % 200) * scale + k, at, 640, 400, cx, cy);
          ASSERT_EQ(cx / 2, px) << "column " << k << " of the block";
          ASSERT_EQ(cy / 2, px % 200);
          // A full-screen context reads the picture's own pixels.
          OutputToArea(at.x + px * scale + k, at.y + (px % 200) * scale + k, at, 320, 200, cx, cy);
          ASSERT_EQ(cx, px);
          ASSERT_EQ(cy, px % 200);
        }
      // Every point of the bars, and beyond the output, is on the edge.
      const struct {
        int64_t x, y;
        int32_t cx, cy;
      } bars[] = {{0, 0, 0, 0},
                  {at.x - 1, at.y + 10 * scale, 0, 20},
                  {at.x + 10 * scale, at.y - 1, 20, 0},
                  {at.x + at.w, at.y + at.h, 639, 399},
                  {ow - 1, 0, 639, 0},
                  {-50, oh + 50, 0, 399},
                  {int64_t(ow) + 1000, -1000, 639, 0}};
      for (const auto& b : bars) {
        int32_t cx = -1, cy = -1;
        OutputToArea(b.x, b.y, at, 640, 400, cx, cy);
        if (b.x < at.x || b.x >= at.x + at.w) EXPECT_EQ(cx, b.cx) << b.x << "," << b.y;
        if (b.y < at.y || b.y >= at.y + at.h) EXPECT_EQ(cy, b.cy) << b.x << "," << b.y;
      }
      // Unclamped, as a window reads a pointer outside it: the client area's
      // coordinates go on past its edges, two client pixels per picture
      // pixel, negative to the left and above. The last output pixel before
      // a picture pixel's edge reads its second client pixel.
      int32_t cx = 0, cy = 0;
      OutputToArea(at.x - 4 * scale - 1, at.y - 6 * scale - 1, at, 640, 400, cx, cy, false);
      EXPECT_EQ(cx, -9);
      EXPECT_EQ(cy, -13);
      OutputToArea(at.x + at.w + 2 * scale - 1, at.y + at.h + scale - 1, at, 640, 400, cx, cy, false);
      EXPECT_EQ(cx, 643);
      EXPECT_EQ(cy, 401);
    }
  }
}

// An output of another shape than the picture: the scale is the one that
// fits both ways, with the bars on the long side.
TEST(PointerMapping, TheScaleFitsTheShorterWay) {
  const struct {
    int ow, oh;
    Placement at;
  } cases[] = {
      {1280, 400, {320, 0, 640, 400}},      // wide: bars left and right
      {640, 1000, {0, 300, 640, 400}},      // tall: bars above and below
      {1920, 1080, {160, 40, 1600, 1000}},  // a 16:9 screen
      {3840, 2160, {320, 80, 3200, 2000}},
  };
  for (const auto& c : cases) EXPECT_EQ(Letterbox(c.ow, c.oh, 320, 200), c.at) << c.ow << "x" << c.oh;
  // A scale is whole only both ways; a tall picture in a sliver still shows.
  EXPECT_EQ(WholeScale(Placement{0, 0, 640, 300}, 320, 200), 0);
  EXPECT_EQ(Letterbox(1000, 1, 1, 2), (Placement{499, 0, 1, 1}));
}

// Only an output smaller than the picture shrinks it, keeping its shape; a
// pointer there reads the pixel the shrunk picture shows under it (the one
// under the output pixel's centre), and the whole client area stays
// reachable from edge to edge.
TEST(PointerMapping, AShrunkPictureIsPointedAtWhereItIsSeen) {
  const struct {
    int ow, oh;
    Placement at;
  } cases[] = {
      {300, 200, {0, 6, 300, 187}},    // too narrow: the height follows the width
      {639, 199, {160, 0, 318, 199}},  // too low: the width follows the height
      {160, 100, {0, 0, 160, 100}},    // half
      {1, 1, {0, 0, 1, 1}},            // a picture is never made nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.ow) + "x" + std::to_string(c.oh));
    const Placement at = Letterbox(c.ow, c.oh, 320, 200);
    ASSERT_EQ(at, c.at);
    EXPECT_EQ(WholeScale(at, 320, 200), 0);
    int32_t cx = -1, cy = -1, lastX = -1;
    for (int x = 0; x < at.w; ++x) {
      OutputToArea(at.x + x, at.y, at, 640, 400, cx, cy);
      // The sampled picture column, from the shown pixel's centre.
      const int seen = int((2 * x + 1) * 320 / (2 * at.w));
      EXPECT_EQ(cx / 2, seen) << "at " << x;
      EXPECT_GE(cx, lastX) << "the pointer never runs backwards";
      lastX = cx;
    }
    if (at.w > 2) {
      OutputToArea(at.x, at.y, at, 640, 400, cx, cy);
      EXPECT_LE(cx, 3);
      OutputToArea(at.x + at.w - 1, at.y + at.h - 1, at, 640, 400, cx, cy);
      EXPECT_GE(cx, 636);
    }
  }
}

// The first window: the largest multiple of the picture that fits in half
// the usable height (and the whole usable width), never below 2.
// Without a chosen scale, the largest in half the usable height, at least
// 2; a chosen one as it is. Either is lowered to fit the usable area whole.
TEST(FirstWindow, FollowsTheUsableAreaOfTheScreen) {
  const struct {
    int w, h, chosen, scale;
  } cases[] = {
      {1920, 1080, 0, 2},
      {1920, 1040, 0, 2},
      {2560, 1440, 0, 3},
      {2560, 1400, 0, 3},
      {3840, 2160, 0, 5},
      {3840, 2100, 0, 5},
      {5120, 2880, 0, 7},
      {1280, 1024, 0, 2},
      {1024, 768, 0, 2},
      {800, 600, 0, 2},
      {640, 480, 0, 2},
      {7680, 4320, 0, 10},
      // A very wide screen of little height, and a tall narrow one.
      {5120, 1440, 0, 3},
      {960, 4000, 0, 3},
      // Less than twice the picture: the window still fits.
      {600, 400, 0, 1},
      {1280, 1024, 3, 3},
      {1280, 1024, 5, 4},
      {1280, 1024, 16, 4},
      {2560, 1440, 8, 7},
      {2560, 1440, 7, 7},
      {2560, 1440, 1, 1},
      {200, 100, 2, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FirstWindowScale(c.w, c.h, 320, 200, c.chosen), c.scale) << c.w << "x" << c.h << " chosen " << c.chosen;
  // 4:3 shapes count too: 320 x 240 steps.
  EXPECT_EQ(FirstWindowScale(1280, 1024, 320, 240, 5), 4);
  EXPECT_EQ(FirstWindowScale(1280, 960, 320, 240, 0), 2);
}

// ---- screenshots ----

class Screenshots : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kestrel-shots-XXXXXX";
    root_ = ::mkdtemp(tmpl);
    fs::create_directories(root_ / "home");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path root_;
};

// $XDG_PICTURES_DIR first, then the folder user-dirs.dirs names, then
// ~/Pictures, then the current folder; a folder that is not there is passed
// over rather than written into or made. The folder is named absolutely, so
// that the line saying where a shot went can be followed from anywhere.
TEST_F(Screenshots, TheFolderIsTheFirstOfTheUsualPlacesThatExists) {
  const fs::path home = root_ / "home";
  ScopedEnv homeEnv("HOME", home.c_str());
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  ScopedEnv xdg("XDG_PICTURES_DIR", nullptr);
  EXPECT_EQ(ScreenshotFolder(), fs::current_path().string());
  {
    // A relative one, as a player may set it.
    fs::create_directories(root_ / "relative");
    const fs::path here = fs::current_path();
    fs::current_path(root_);
    ScopedEnv relative("XDG_PICTURES_DIR", "./relative/");
    EXPECT_EQ(ScreenshotFolder(), (fs::current_path() / "relative").string());
    fs::current_path(here);
  }
  fs::create_directories(home / "Pictures");
  EXPECT_EQ(ScreenshotFolder(), (home / "Pictures").string());
  fs::create_directories(home / ".config");
  fs::create_directories(home / "Bilder");
  std::ofstream(home / ".config/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                 << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                                 << "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
  EXPECT_EQ(ScreenshotFolder(), (home / "Bilder").string());
  // XDG_CONFIG_HOME moves the file.
  fs::create_directories(root_ / "cfg");
  fs::create_directories(root_ / "shots");
  // The last line that names the folder wins.
  std::ofstream(root_ / "cfg/user-dirs.dirs")
      << "XDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_PICTURES_DIR=\"" << (root_ / "shots").string() << "\"\n";
  {
    ScopedEnv moved("XDG_CONFIG_HOME", (root_ / "cfg").c_str());
    EXPECT_EQ(ScreenshotFolder(), (root_ / "shots").string());
  }
  {
    // A relative XDG_CONFIG_HOME is no setting, even where it would lead.
    ScopedEnv relative("XDG_CONFIG_HOME", "cfg");
    const fs::path old = fs::current_path();
    fs::current_path(root_);
    EXPECT_EQ(ScreenshotFolder(), (home / "Bilder").string());
    fs::current_path(old);
  }
  fs::create_directories(root_ / "env");
  {
    ScopedEnv named("XDG_PICTURES_DIR", (root_ / "env").c_str());
    EXPECT_EQ(ScreenshotFolder(), (root_ / "env").string());
  }
  {
    ScopedEnv missing("XDG_PICTURES_DIR", (root_ / "gone").c_str());
    EXPECT_EQ(ScreenshotFolder(), (home / "Bilder").string());
  }
  fs::remove(home / "Bilder");
  EXPECT_EQ(ScreenshotFolder(), (home / "Pictures").string());
}

TEST_F(Screenshots, TheNameCarriesTheLocalDateAndTime) {
  std::tm when{};
  when.tm_year = 2026 - 1900;
  when.tm_mon = 0;
  when.tm_mday = 5;
  when.tm_hour = 7;
  when.tm_min = 3;
  when.tm_sec = 9;
  EXPECT_EQ(ScreenshotName("morlo3", when), "morlo3-20260105-070309.png");
}

// Reads a PNG back as 8-bit RGB through libpng's own reader.
bool ReadPng(const std::string& path, std::vector<uint8_t>& rgb, int& w, int& h) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  rgb.assign(PNG_IMAGE_SIZE(image), 0);
  w = int(image.width);
  h = int(image.height);
  return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

// A screenshot is every pixel as given, in a new file; one already there is
// never replaced (a second in the same second gets its own name), and a
// write that fails says why in one line and leaves nothing behind.
TEST_F(Screenshots, AreWrittenWholeAndNeverOverAnotherFile) {
  // Rows of 8 pixels: a pitch wider than the picture.
  const int w = 7, h = 5, pitch = 8 * 4;
  std::vector<uint8_t> xrgb(size_t(pitch) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t p = 0xFF000000u | uint32_t(x * 30) << 16 | uint32_t(y * 50) << 8 | uint32_t(x ^ y);
      std::memcpy(&xrgb[size_t(y) * pitch + size_t(x) * 4], &p, 4);
    }
  const fs::path folder = root_ / "env";
  fs::create_directories(folder);
  ScopedEnv pictures("XDG_PICTURES_DIR", folder.c_str());
  const std::string first = SaveScreenshot("morlo3", xrgb.data(), pitch, w, h);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(fs::path(first).parent_path(), folder);
  EXPECT_TRUE(fs::path(first).filename().string().starts_with("morlo3-"));
  std::vector<uint8_t> rgb;
  int rw = 0, rh = 0;
  ASSERT_TRUE(ReadPng(first, rgb, rw, rh));
  ASSERT_EQ(rw, w);
  ASSERT_EQ(rh, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
      EXPECT_EQ(p[0], x * 30);
      EXPECT_EQ(p[1], y * 50);
      EXPECT_EQ(p[2], x ^ y);
    }
  // A file in the way is kept, whatever it is.
  std::ofstream(folder / "taken.png") << "mine";
  EXPECT_EQ(WritePng((folder / "taken.png").string(), xrgb.data(), pitch, w, h), std::strerror(EEXIST));
  std::ifstream kept(folder / "taken.png");
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "mine");
  // Two in the same second get "-2" and "-3" (unless the clock moved on),
  // and standard output says where each went.
  ::testing::internal::CaptureStdout();
  const std::string second = SaveScreenshot("morlo3", xrgb.data(), pitch, w, h);
  const std::string third = SaveScreenshot("morlo3", xrgb.data(), pitch, w, h);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "morlo3: screenshot saved to " + second + "\nmorlo3: screenshot saved to " + third + "\n");
  const std::string stem = first.substr(0, first.size() - 4);
  if (second.starts_with(stem)) {
    EXPECT_EQ(second, stem + "-2.png");
  }
  if (third.starts_with(stem)) {
    EXPECT_EQ(third, stem + "-3.png");
  }
  EXPECT_NE(third, second);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 4);
  // A folder nobody may write into, not even root: one line on standard
  // error, and nothing on standard output.
  {
    ScopedEnv closed("XDG_PICTURES_DIR", "/proc");
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(SaveScreenshot("morlo3", xrgb.data(), pitch, w, h), "");
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(said.starts_with("morlo3: cannot save a screenshot to /proc/morlo3-")) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ(out, "");
  }
  // A folder that is not there: why, and no file.
  EXPECT_EQ(WritePng((root_ / "gone/shot.png").string(), xrgb.data(), pitch, w, h), "No such file or directory");
  EXPECT_FALSE(fs::exists(root_ / "gone"));
}

}  // namespace
