// The game's window on private X servers of several sizes, driven with
// xdotool as a player would: the size it opens at, the crisp whole-number
// picture at any size the window is dragged to, the pointer through the
// scale and the bars, Alt+Enter back to the dragged size, F12 screenshots,
// and the icon and class a dock reads. What the window shows is checked
// pixel for pixel against the same frame captured on the headless backend,
// and the game is followed by its frame log, never by the clock.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../support/frame_paced_player.h"
#include "morlo3/icon.h"

// Last: Xlib defines macros (None, Bool, Status) that other headers use as names.
#include <X11/Xatom.h>
#include "../support/x_screenshot.h"

using kestrel::testing::FrameHashes;
using kestrel::testing::FramePacedPlayer;
using kestrel::testing::GameCommand;
using kestrel::testing::Installed;
using kestrel::testing::kGame;
using kestrel::testing::ReadText;
using kestrel::testing::RealGame;
using kestrel::testing::ScratchDir;
using kestrel::testing::WaitUntil;
using kestrel::testing::Xvfb;
namespace fs = std::filesystem;

namespace {

struct Picture {
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * w + x) * 3]; }
};

bool ReadPng(const fs::path& path, Picture& p) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  p.rgb.assign(PNG_IMAGE_SIZE(image), 0);
  p.w = int(image.width);
  p.h = int(image.height);
  return png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr) != 0;
}

// Where the 320 x 200 picture should be in a window of a size: a whole
// scale, or (scale 0) shrunk to keep its shape.
struct Expected {
  int w, h;
  int scale, x, y, pw, ph;
};

// The picture pixel a window pixel at `offset` into the shown picture of
// `shown` pixels shows: the one under its centre.
int Sampled(int offset, int shown, int size) { return (2 * offset + 1) * size / (2 * shown); }

// The window pixel whose centre lies over picture pixel `p`.
int WindowPlace(const Expected& e, int p, bool across) {
  const int origin = across ? e.x : e.y, shown = across ? e.pw : e.ph, size = across ? 320 : 200;
  if (e.scale) return origin + p * e.scale + e.scale / 2;
  for (int o = 0; o < shown; ++o)
    if (Sampled(o, shown, size) == p) return origin + o;
  return origin;
}

// How far `window` (a screenshot) differs from `frame` placed as `e` with
// black bars: "" when not at all, else the first difference.
std::string Compare(const Picture& window, const Picture& frame, const Expected& e) {
  if (window.w != e.w || window.h != e.h)
    return "the window is " + std::to_string(window.w) + "x" + std::to_string(window.h);
  int wrong = 0;
  std::string first;
  for (int y = 0; y < window.h; ++y)
    for (int x = 0; x < window.w; ++x) {
      const bool inside = x >= e.x && x < e.x + e.pw && y >= e.y && y < e.y + e.ph;
      static const uint8_t black[3] = {0, 0, 0};
      const uint8_t* want = black;
      if (inside) {
        const int px = e.scale ? (x - e.x) / e.scale : Sampled(x - e.x, e.pw, 320);
        const int py = e.scale ? (y - e.y) / e.scale : Sampled(y - e.y, e.ph, 200);
        want = frame.At(px, py);
      }
      if (std::memcmp(window.At(x, y), want, 3) != 0 && wrong++ == 0) {
        const uint8_t* got = window.At(x, y);
        first = "at " + std::to_string(x) + "," + std::to_string(y) + (inside ? " (picture)" : " (bar)") + " got " +
                std::to_string(got[0]) + "," + std::to_string(got[1]) + "," + std::to_string(got[2]) + " want " +
                std::to_string(want[0]) + "," + std::to_string(want[1]) + "," + std::to_string(want[2]);
      }
    }
  return wrong ? std::to_string(wrong) + " pixels differ, first " + first : "";
}

class GameWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Installed({"Xvfb", "xdotool"}));
    fs::create_directory("pictures");
  }
  void TearDown() override {
    if (x_) XCloseDisplay(x_);
  }
  bool StartServer(const std::string& screen) {
    if (x_) XCloseDisplay(x_);
    x_ = nullptr;
    server_.Stop();
    if (!server_.Start(screen)) return false;
    x_ = XOpenDisplay(server_.Display().c_str());
    return x_ != nullptr;
  }
  // The game in the window, its frames logged. Standard output is appended
  // to, so that the test may empty it as the game runs.
  std::string Command(const std::string& args = "") {
    return GameCommand(scratch_,
                       "ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy KESTREL_ANSWER=no XDG_PICTURES_DIR=" +
                           (scratch_.Path() / "pictures").string(),
                       args);
  }
  // The game's window, once it is there; 0 when it does not come.
  static unsigned long FindWindow(RealGame& game) {
    return game.FindWindow("Morlo v3.0") ? std::stoul(game.Window()) : 0;
  }
  void Size(unsigned long window, int& w, int& h) {
    XWindowAttributes a;
    w = h = 0;
    XSync(x_, False);
    if (XGetWindowAttributes(x_, window, &a)) w = a.width, h = a.height;
  }
  // Waits until the window is w x h; false if it is not within a while.
  bool WaitForSize(unsigned long window, int w, int h) {
    return WaitUntil(
        [&] {
          int nw = 0, nh = 0;
          Size(window, nw, nh);
          return nw == w && nh == h;
        },
        10);
  }
  // Waits until the window is w x h at (x, y) of the screen; false if it is
  // not within a while.
  bool WaitForPlace(unsigned long window, int w, int h, int x, int y) {
    return WaitUntil(
        [&] {
          int nw = 0, nh = 0, nx = 0, ny = 0;
          Size(window, nw, nh);
          ::Window child;
          XTranslateCoordinates(x_, window, DefaultRootWindow(x_), 0, 0, &nx, &ny, &child);
          return nw == w && nh == h && nx == x && ny == y;
        },
        10);
  }
  // The hashes of the first `frames` frames the headless game shows playing
  // ref.input at depth 32, with every 500th frame captured into ref/; none
  // when it fails.
  static std::vector<std::string> HeadlessReference(int frames) {
    if (kestrel::testing::RunProcess("KESTREL_PLATFORM=headless KESTREL_ANSWER=no KESTREL_DEPTH=32 "
                                     "KESTREL_INPUT=ref.input KESTREL_MAX_FRAMES=" +
                                     std::to_string(frames) +
                                     " KESTREL_FRAMELOG=ref.log KESTREL_CAPTURE=ref KESTREL_CAPTURE_EVERY=500 " +
                                     kGame + " >/dev/null 2>&1") != 0)
      return {};
    return FrameHashes("ref.log");
  }
  // Waits until the last frame shown has this hash, for at most `frames`
  // frames; then it stays so while nothing moves.
  static bool WaitForFrame(FramePacedPlayer& player, const std::string& hash, size_t frames = 900) {
    return player.WaitFor(frames, [&] { return player.LastHash() == hash; });
  }
  ScratchDir scratch_;
  Xvfb server_;
  ::Display* x_ = nullptr;
};

// The first size follows the screen: the largest whole multiple of 320 x 200
// in half the screen's height, never below 2; --scale chooses it. The window
// carries the class the desktop entry names and the icon drawn for it.
TEST_F(GameWindow, OpensAtASizeThatSuitsTheScreenWithItsClassAndIcon) {
  const struct {
    const char* screen;
    const char* args;
    int w, h;
  } cases[] = {
      {"1280x1024x24", "", 640, 400},          {"2560x1440x24", "", 960, 600},
      {"3840x2160x24", "", 1600, 1000},        {"1280x1024x24", "--scale 3", 960, 600},
      {"2560x1440x24", "--scale 1", 320, 200},
  };
  bool identityChecked = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.screen) + " " + c.args);
    ASSERT_TRUE(StartServer(c.screen)) << "Xvfb could not be started";
    RealGame game(server_.Display(), Command(c.args));
    ASSERT_TRUE(game.Started());
    const unsigned long window = FindWindow(game);
    ASSERT_NE(window, 0u) << ReadText("err.txt");
    EXPECT_TRUE(WaitForSize(window, c.w, c.h));
    if (!identityChecked) {
      identityChecked = true;
      XClassHint hint{};
      ASSERT_TRUE(XGetClassHint(x_, window, &hint));
      EXPECT_STREQ(hint.res_class, morlo3::kDesktopId);
      EXPECT_STREQ(hint.res_name, morlo3::kDesktopId);
      XFree(hint.res_name);
      XFree(hint.res_class);
      // The desktop entry names the same class.
      const std::string entry =
          ReadText(fs::path(KESTREL_SOURCE_DIR) / "packaging" / (std::string(morlo3::kDesktopId) + ".desktop"));
      EXPECT_NE(entry.find(std::string("\nStartupWMClass=") + morlo3::kDesktopId + "\n"), std::string::npos) << entry;
      // The icon comes once the sprite sheet is loaded: the desktop's own
      // pictures, pixel for pixel, at each size they are drawn at.
      const Atom icon = XInternAtom(x_, "_NET_WM_ICON", False);
      std::vector<unsigned long> shown;
      for (int i = 0; i < 800 && shown.empty(); ++i) {
        Atom type;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(x_, window, icon, 0, LONG_MAX, False, XA_CARDINAL, &type, &format, &count, &after,
                               &data) == Success &&
            data && count > 2) {
          const auto* longs = reinterpret_cast<unsigned long*>(data);
          shown.assign(longs, longs + count);
        }
        if (data) XFree(data);
        if (shown.empty()) RealGame::Sleep(25);
      }
      ASSERT_GT(shown.size(), 2u) << "no _NET_WM_ICON";
      size_t at = 0;
      std::string sizes;
      while (at + 2 <= shown.size()) {
        const int w = int(shown[at]), h = int(shown[at + 1]);
        ASSERT_TRUE(w > 0 && h > 0 && at + 2 + size_t(w) * h <= shown.size()) << "a broken list at " << at;
        sizes += (sizes.empty() ? "" : " ") + std::to_string(w) + "x" + std::to_string(h);
        Picture drawn;
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        ASSERT_TRUE(ReadPng(
            fs::path(KESTREL_BINARY_DIR) / "icons/hicolor" / size / "apps" / (std::string(morlo3::kDesktopId) + ".png"),
            drawn))
            << "no desktop icon of " << size;
        int wrong = 0;
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            const uint8_t* p = drawn.At(x, y);
            const unsigned long want = 0xFF000000ul | p[0] << 16 | p[1] << 8 | p[2];
            wrong += (shown[at + 2 + size_t(y) * w + x] & 0xFFFFFFFFul) != want;
          }
        EXPECT_EQ(wrong, 0) << size << " differs from the desktop's icon";
        at += 2 + size_t(w) * h;
      }
      EXPECT_EQ(at, shown.size());
      EXPECT_EQ(sizes, "16x16 32x32 48x48 64x64 128x128 256x256");
    }
    game.Signal(SIGTERM);
    EXPECT_EQ(game.Wait(20), 128 + SIGTERM);
  }
}

// Dragged to four sizes, the window shows the frame the headless backend
// captures, at the largest whole scale with black bars around it (shrunk
// only below 320 x 200); the pointer, placed over a picture pixel, lands
// on it, and "Opções" pressed at its place opens the options page. F12
// saves what is shown, and Alt+Enter comes back to the dragged size.
TEST_F(GameWindow, AnySizeShowsTheHeadlessFrameAtAWholeScale) {
  // The same frames headless: the story skipped, the pointer at picture
  // (10, 10) over the settled menu (frame 500), "Opções" pressed (800),
  // its "Sair" (1100), and the pointer back (1400).
  {
    std::ofstream script("ref.input");
    script << "1 key 1 down\n1 mouse 20 20\n300 key 1 up\n"
           << "500 mouse 268 274\n502 button left down\n505 button left up\n"
           << "800 mouse 588 276\n802 button left down\n805 button left up\n"
           << "1100 mouse 20 20\n";
  }
  const std::vector<std::string> ref = HeadlessReference(1400);
  ASSERT_GE(ref.size(), 1400u);
  const std::string menu = ref[499], options = ref[799], back = ref[1099];
  ASSERT_EQ(ref[1399], menu) << "the settled menu is one picture";
  ASSERT_NE(options, menu);
  Picture frame;
  ASSERT_TRUE(ReadPng("ref/frame-000500.png", frame));
  ASSERT_EQ(frame.w, 320);

  ASSERT_TRUE(StartServer("1920x1200x24")) << "Xvfb could not be started";
  RealGame game(server_.Display(), Command());
  ASSERT_TRUE(game.Started());
  const unsigned long window = FindWindow(game);
  ASSERT_NE(window, 0u) << ReadText("err.txt");
  const std::string id = game.Window();
  FramePacedPlayer player(game);
  ASSERT_TRUE(WaitForSize(window, 960, 600)) << "1200 / 2 holds three times 200";
  game.KeyDown("Escape");
  game.MoveTo(10 * 3 + 1, 10 * 3 + 1);
  ASSERT_TRUE(WaitForFrame(player, menu, 2000)) << "the menu never settled: " << ReadText("err.txt");
  game.KeyUp("Escape");

  const Expected sizes[] = {
      {700, 500, 2, 30, 50, 640, 400},
      {1000, 700, 3, 20, 50, 960, 600},
      {1600, 1000, 5, 0, 0, 1600, 1000},
      {300, 200, 0, 0, 6, 300, 187},
  };
  int shots = 0;
  for (const Expected& e : sizes) {
    SCOPED_TRACE(std::to_string(e.w) + "x" + std::to_string(e.h));
    // At the screen's corner: the X server reads back only what is on it.
    game.Xdo("windowmove " + id + " 0 0");
    game.Xdo("windowsize " + id + " " + std::to_string(e.w) + " " + std::to_string(e.h));
    ASSERT_TRUE(WaitForSize(window, e.w, e.h));
    game.Xdo("mousemove --window " + id + " " + std::to_string(WindowPlace(e, 10, true)) + " " +
             std::to_string(WindowPlace(e, 10, false)));
    // The frame with the pointer drawn at (10, 10) is the reference's; it is
    // the one shown when the log says so before and after the screenshot.
    Picture shown;
    for (int tries = 0; tries < 5; ++tries) {
      ASSERT_TRUE(WaitForFrame(player, menu)) << "the pointer did not land on picture pixel (10, 10)";
      player.Wait(2);
      ASSERT_TRUE(kestrel::testing::XScreenshotOf(x_, window, shown.rgb, shown.w, shown.h));
      if (player.LastHash() == menu) break;
    }
    EXPECT_EQ(Compare(shown, frame, e), "");

    // F12: the picture as shown, without the bars, at least 640 x 400.
    game.Xdo("key F12");
    WaitUntil([] { return ReadText("out.txt").find('\n') != std::string::npos; }, 20);
    const std::string said = ReadText("out.txt");
    ASSERT_TRUE(said.starts_with("morlo3: screenshot saved to " + (scratch_.Path() / "pictures/morlo3-").string()))
        << said;
    ASSERT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    const fs::path saved = said.substr(said.find(" to ") + 4, said.size() - said.find(" to ") - 5);
    Picture png;
    ASSERT_TRUE(ReadPng(saved, png)) << saved;
    const int scale = std::max(e.scale, 2);
    EXPECT_EQ(Compare(png, frame, Expected{320 * scale, 200 * scale, scale, 0, 0, 320 * scale, 200 * scale}), "");
    if (e.scale) {
      // Which is the window's picture, pixel for pixel.
      Picture inner{e.pw, e.ph, {}};
      for (int y = 0; y < e.ph; ++y)
        inner.rgb.insert(inner.rgb.end(), shown.At(e.x, e.y + y), shown.At(e.x, e.y + y) + 3 * e.pw);
      EXPECT_EQ(png.rgb, inner.rgb);
    }
    ++shots;
    fs::remove(saved);
    std::ofstream("out.txt", std::ios::trunc).close();

    // "Opções" at its scaled place opens the options page; its "Sair" comes
    // back. Each frame matches the reference's, pointer and all.
    player.Click(WindowPlace(e, 134, true), WindowPlace(e, 137, false));
    EXPECT_TRUE(WaitForFrame(player, options)) << "not on the options page";
    player.Click(WindowPlace(e, 294, true), WindowPlace(e, 138, false));
    EXPECT_TRUE(WaitForFrame(player, back)) << "not back on the main page";
  }
  EXPECT_EQ(shots, 4);

  // Alt+Enter from a dragged window goes to the whole screen and back to
  // the size it was dragged to.
  game.Xdo("windowsize " + id + " 1000 700");
  ASSERT_TRUE(WaitForSize(window, 1000, 700));
  game.Xdo("windowfocus --sync " + id);
  game.Xdo("key alt+Return");
  EXPECT_TRUE(WaitForSize(window, 1920, 1200));
  game.Xdo("key alt+Return");
  EXPECT_TRUE(WaitForSize(window, 1000, 700));
  game.Signal(SIGTERM);
  EXPECT_EQ(game.Wait(20), 128 + SIGTERM);
  EXPECT_EQ(ReadText("err.txt"), "");
}

// --aspect 4:3 --scale 2 opens 640 x 480. Every column shows its picture
// column twice; each picture row shows whole, in order, in one or more rows
// of the window, and the rows between two are smooth mixes of the two, 2.4
// rows a picture row in all. A click on "Sair" at its 4:3 place quits.
TEST_F(GameWindow, FourThreeShowsEachPictureRowWholeAndSmoothBetween) {
  {
    std::ofstream script("ref.input");
    script << "1 key 1 down\n1 mouse 20 20\n300 key 1 up\n";
  }
  const std::vector<std::string> ref = HeadlessReference(500);
  ASSERT_GE(ref.size(), 500u);
  Picture frame;
  ASSERT_TRUE(ReadPng("ref/frame-000500.png", frame));

  ASSERT_TRUE(StartServer("1280x1024x24")) << "Xvfb could not be started";
  RealGame game(server_.Display(), Command("--aspect 4:3 --scale 2"));
  ASSERT_TRUE(game.Started());
  const unsigned long window = FindWindow(game);
  ASSERT_NE(window, 0u) << ReadText("err.txt");
  const std::string id = game.Window();
  FramePacedPlayer player(game);
  ASSERT_TRUE(WaitForSize(window, 640, 480));
  game.Xdo("windowmove " + id + " 0 0");
  game.Xdo("windowfocus --sync " + id);
  game.KeyDown("Escape");
  // The window row over the middle of picture row p: (p + 1/2) * 2.4.
  auto row = [](int p) { return (2 * p + 1) * 6 / 5; };
  game.Xdo("mousemove --window " + id + " 21 " + std::to_string(row(10)));
  ASSERT_TRUE(WaitForFrame(player, ref[499], 2000)) << "the menu never settled: " << ReadText("err.txt");
  game.KeyUp("Escape");
  Picture shown;
  for (int tries = 0; tries < 5; ++tries) {
    ASSERT_TRUE(WaitForFrame(player, ref[499]));
    player.Wait(2);
    ASSERT_TRUE(kestrel::testing::XScreenshotOf(x_, window, shown.rgb, shown.w, shown.h));
    if (player.LastHash() == ref[499]) break;
  }
  ASSERT_EQ(shown.w, 640);
  ASSERT_EQ(shown.h, 480);
  // Window row y shows picture rows near y / 2.4: one of them whole, or a
  // mix of two neighbours, channel by channel between them.
  std::vector<int> whole(200, 0);
  int mixes = 0;
  for (int y = 0; y < 480; ++y) {
    const int near = y * 200 / 480;
    auto is = [&](int p) {
      if (p < 0 || p >= 200) return false;
      for (int x = 0; x < 640; ++x)
        if (std::memcmp(shown.At(x, y), frame.At(x / 2, p), 3) != 0) return false;
      return true;
    };
    bool found = false;
    for (int p = near - 1; p <= near + 1 && !found; ++p)
      if (is(p)) ++whole[size_t(p)], found = true;
    for (int p = std::max(near - 1, 0); p < std::min(near + 1, 199) && !found; ++p) {
      bool between = true;
      for (int x = 0; x < 640 && between; ++x)
        for (int c = 0; c < 3; ++c) {
          const int a = frame.At(x / 2, p)[c], b = frame.At(x / 2, p + 1)[c], v = shown.At(x, y)[c];
          between = between && v >= std::min(a, b) && v <= std::max(a, b);
        }
      if (between) ++mixes, found = true;
    }
    EXPECT_TRUE(found) << "window row " << y << " is neither a picture row nor a mix of two";
  }
  for (int p = 0; p < 200; ++p) EXPECT_GE(whole[size_t(p)], 1) << "picture row " << p << " shows nowhere whole";
  EXPECT_GT(mixes, 0) << "no row is smoothed";

  // "Sair" on the main page is at picture (264, 137); the press quits.
  game.Xdo("mousemove --window " + id + " " + std::to_string(264 * 2 + 1) + " " + std::to_string(row(137)));
  player.Wait(2);
  game.Xdo("mousedown 1");
  EXPECT_EQ(game.Wait(30), 0) << "Sair did not quit";
  game.Xdo("mouseup 1");
  EXPECT_EQ(ReadText("err.txt"), "");
}

// Alt+Enter from a game started on the whole screen and from one started in
// a window, after a drag, and a chosen scale too large for the screen: the
// window's size and place after each step. The window comes back centred,
// and never larger than the screen.
TEST_F(GameWindow, EachWindowModeStepGivesASizeAndPlaceThatFitTheScreen) {
  struct Step {
    const char* xdo;  // WINDOW stands for the window's id
    int w, h, x, y;
  };
  const struct {
    const char* screen;
    const char* answer;
    const char* args;
    std::vector<Step> steps;
    const char* said;
  } cases[] = {
      {"2560x1440x24",
       "yes",
       "",
       {{"", 2560, 1440, 0, 0}, {"key alt+Return", 960, 600, 800, 420}, {"key alt+Return", 2560, 1440, 0, 0}},
       ""},
      {"2560x1440x24",
       "no",
       "",
       {{"", 960, 600, 800, 420},
        {"windowsize WINDOW 1000 700", 1000, 700, 800, 420},
        {"key alt+Return", 2560, 1440, 0, 0},
        {"key alt+Return", 1000, 700, 780, 370}},
       ""},
      {"1280x1024x24",
       "no",
       "--scale 16",
       {{"", 1280, 800, 0, 112}},
       "Scale 16 does not fit the screen's usable 1280 x 1024; the window opens at scale 4.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.screen) + ", full screen " + c.answer + " " + c.args);
    ASSERT_TRUE(StartServer(c.screen)) << "Xvfb could not be started";
    fs::remove("err.txt");
    RealGame game(server_.Display(), GameCommand(scratch_,
                                                 "ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy KESTREL_ANSWER=" +
                                                     std::string(c.answer),
                                                 c.args));
    ASSERT_TRUE(game.Started());
    const unsigned long window = FindWindow(game);
    ASSERT_NE(window, 0u) << ReadText("err.txt");
    for (const Step& step : c.steps) {
      SCOPED_TRACE(*step.xdo ? step.xdo : "the start");
      std::string xdo = step.xdo;
      if (const size_t at = xdo.find("WINDOW"); at != std::string::npos) xdo.replace(at, 6, game.Window());
      if (!xdo.empty()) {
        game.Xdo("windowfocus --sync " + game.Window());
        game.Xdo(xdo);
      }
      int w = 0, h = 0;
      EXPECT_TRUE(WaitForPlace(window, step.w, step.h, step.x, step.y)) << (Size(window, w, h), w) << "x" << h;
    }
    game.Signal(SIGTERM);
    EXPECT_EQ(game.Wait(20), 128 + SIGTERM);
    EXPECT_EQ(ReadText("err.txt"), c.said);
  }
}

}  // namespace
