#include <fstream>

#include "../support/headless_fixture.h"

namespace kestrel::testing {
namespace {

using platform::DDERR_SURFACELOST;
using platform::DDERR_WASSTILLDRAWING;

TEST_F(HeadlessTest, BlitsRetryWhileDrawingAndDropTheCopyOnALostSurface) {
  Install();
  TSelfExKestrel ctx(640, 400, "x", 256);
  TBuffer64 src(ctx, 4, 4, false), dst(ctx, 4, 4, false);
  const uint32_t red = MakeColor(200, 0, 0);
  src.Clear(red);
  const uint64_t blits = CallCount("BltFast"), waits = CallCount("GetBltStatus");
  InjectFault("BltFast", DDERR_WASSTILLDRAWING, 2);
  InjectFault("GetBltStatus", DDERR_WASSTILLDRAWING, 3);
  src.Draw(dst, 0, 0);
  EXPECT_EQ(CallCount("BltFast") - blits, 3u);
  EXPECT_EQ(CallCount("GetBltStatus") - waits, 4u);
  EXPECT_EQ(dst.GetPixel(3, 3), red);

  // A lost destination: the copy is dropped and the source's surfaces restored.
  dst.Clear(0);
  dst.Surface->Lose();
  const uint64_t restores = CallCount("Restore");
  src.Draw(dst, 0, 0);
  EXPECT_GT(CallCount("Restore"), restores);
  EXPECT_EQ(dst.GetPixel(0, 0), 0u);
  // Restoring the source does not bring the destination back; its owner does.
  dst.RestoreSurfaces();
  src.Draw(dst, 0, 0);
  EXPECT_EQ(dst.GetPixel(0, 0), red);
  // A system-memory surface keeps its pixels through the loss.
  src.Surface->Lose();
  src.RestoreSurfaces();
  EXPECT_EQ(src.GetPixel(2, 2), red);
}

TEST_F(HeadlessTest, PresentShowsTheBufferAndSkipsAFrameWithALostPrimary) {
  for (bool full : {false, true}) {
    auto& d = Install();
    std::unique_ptr<TKestrel> ctx;
    if (full) ctx = std::make_unique<TSelfFullKestrel>(320, 200, 16, "x");
    else ctx = std::make_unique<TSelfExKestrel>(640, 400, "x", 256);
    TBuffer64 screen(*ctx, 320, 200, false);
    screen.Clear(MakeColor(0, 0, 255));
    screen.HLine(0, 0, 0, MakeColor(255, 255, 255));
    screen.Present(true);
    ASSERT_EQ(d.FramesPresented(), 1u);
    ASSERT_EQ(d.LastFrameWidth(), 320);
    EXPECT_EQ(d.LastFrame()[0], 255);
    EXPECT_EQ(d.LastFrame()[5], 255);  // pixel 1 is blue
    EXPECT_EQ(d.LastFrame()[3], 0);
    EXPECT_EQ(d.VerticalBlankWaits(), 1u);
    screen.Present(false);
    EXPECT_EQ(d.VerticalBlankWaits(), 1u);

    (full ? *ctx->BackBuffer : *ctx->Primary).Lose();
    screen.Present(true);
    EXPECT_EQ(d.FramesPresented(), 2u) << "a lost surface shows nothing";
    screen.Present(true);
    EXPECT_EQ(d.FramesPresented(), 3u) << "and the next frame shows again";
  }
}

TEST_F(HeadlessTest, BufferReportsCarryTheirCalls) {
  Install();
  TSelfExKestrel ctx(640, 400, "x", 256);
  InjectFault("CreateSurface", platform::DDERR_OUTOFMEMORY, 2);
  EXPECT_EQ(ExpectReport([&] { TBuffer64 b(ctx, 8, 8, false); }),
            "[TBuffer64]CreateSurface -> DirectDraw does not have enough memory to perform the operation.");
  // One refusal falls back to system memory without a report.
  InjectFault("CreateSurface", platform::DDERR_OUTOFMEMORY, 1);
  {
    TBuffer64 b(ctx, 8, 8, true);
    EXPECT_FALSE(b.VideoMemory);
  }
  // A busy surface is locked again until it answers.
  InjectFault("Lock", platform::DDERR_SURFACEBUSY, 3);
  {
    TBuffer64 b(ctx, 8, 8, false);
    EXPECT_EQ(b.Width, 8);
  }
  InjectFault("Lock", platform::DDERR_SURFACELOST, 1);
  EXPECT_EQ(ExpectReport([&] { TBuffer64 b(ctx, 8, 8, false); }),
            std::string("[TBuffer64]Lock -> ") + DirectDrawErrorText(DDERR_SURFACELOST));
  InjectFault("Unlock", 0x88760248, 1);
  EXPECT_EQ(ExpectReport([&] { TBuffer64 b(ctx, 8, 8, false); }),
            "[TBuffer64]UnLock -> The surface is not locked, so it can not be unlocked.");
  TBuffer64 b(ctx, 8, 8, false);
  InjectFault("ReleaseDC", platform::DDERR_GENERIC, 1);
  EXPECT_EQ(ExpectReport([&] { b.TextOut(0, 0, "", 0); }),
            "[TBuffer64]ReleaseDC -> There is an undefined error condition.");
  // An empty text still takes and gives back the device context.
  TBuffer64 c(ctx, 8, 8, false);
  const uint64_t gets = CallCount("GetDC"), releases = CallCount("ReleaseDC");
  c.TextOut(0, 0, "", MakeColor(255, 255, 255));
  EXPECT_EQ(CallCount("GetDC"), gets + 1);
  EXPECT_EQ(CallCount("ReleaseDC"), releases + 1);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(c.GetPixel(x, y), 0u);
}

TEST(InputScript, ParsesEveryEventAndNamesTheBadLine) {
  auto events = platform::ParseInputScript(
      "# a comment\n0 key 29 down\n\n3 mouse -5 120\n3 button right up\n7 close\r\nbind pause 57 28\n");
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].code, 29);
  EXPECT_TRUE(events[0].down);
  EXPECT_EQ(events[1].x, -5);
  EXPECT_EQ(events[2].code, 1);
  EXPECT_FALSE(events[2].down);
  EXPECT_EQ(events[3].type, platform::ScriptEvent::Type::Close);
  // The keys an action was bound to where it was recorded, one event a key.
  for (size_t i : {4, 5}) {
    EXPECT_EQ(events[i].type, platform::ScriptEvent::Type::Bind);
    EXPECT_EQ(events[i].action, platform::Action::Pause);
  }
  EXPECT_EQ(events[4].code, 57);
  EXPECT_EQ(events[5].code, 28);
  for (const char* bad : {"x key 1 down", "1 key 256 down", "1 key 1 sideways", "1 jump", "1 mouse 4", "1 button left",
                          "-1 close", "1 close now", "bind fire", "bind walk 57", "bind fire 256", "bind fire 57 x",
                          "bind fire -1", "1 bind fire 57"}) {
    try {
      platform::ParseInputScript(std::string("0 close\n") + bad + "\n");
      ADD_FAILURE() << bad;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
    }
  }
}

TEST_F(HeadlessTest, ScriptedInputFrameBoundLogAndCapture) {
  platform::HeadlessOptions o;
  o.maxFrames = 3;
  o.frameLog = (scratch_.Path() / "frames.log").string();
  o.captureDir = (scratch_.Path() / "cap").string();
  o.captureEvery = 2;
  auto& d = Install(o);
  d.QueueEvents(platform::ParseInputScript("1 key 200 down\n2 mouse 10 20\n2 button left down\n"));
  TSelfExKestrel ctx(640, 400, "x", 256);
  TBuffer64 screen(ctx, 320, 200, false);
  int frames = 0;
  while (ctx.PumpMessage()) {
    if (frames == 1) EXPECT_EQ(d.Input().keys[200], 0x80);
    screen.Clear(MakeColor(uint8_t(frames * 40), 0, 0));
    screen.Present(true);
    ++frames;
    ASSERT_LT(frames, 100);
  }
  // The close request arrives after frame 3; the quit message it leads to is
  // taken one frame later.
  EXPECT_EQ(frames, 4);
  EXPECT_EQ(d.Input().mouse.x, 10);
  EXPECT_EQ(d.Input().buttonEvents.size(), 1u);
  std::ifstream log(o.frameLog);
  std::string line;
  int lines = 0;
  uint64_t first = 0;
  while (std::getline(log, line)) {
    ++lines;
    EXPECT_EQ(line.rfind(std::to_string(lines) + " ", 0), 0u) << line;
    if (lines == 1) first = std::stoull(line.substr(2), nullptr, 16);
  }
  EXPECT_EQ(lines, 4);
  EXPECT_NE(first, 0u);
  EXPECT_TRUE(std::filesystem::exists(scratch_.Path() / "cap" / "frame-000002.png"));
  EXPECT_FALSE(std::filesystem::exists(scratch_.Path() / "cap" / "frame-000001.png"));
}

}  // namespace
}  // namespace kestrel::testing
