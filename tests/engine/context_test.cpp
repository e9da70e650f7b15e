#include "../support/headless_fixture.h"

namespace kestrel::testing {
namespace {

using platform::DDERR_OUTOFMEMORY;

constexpr const char* kNoMemory = "DirectDraw does not have enough memory to perform the operation.";

TEST_F(HeadlessTest, WindowedContextHasTheExactClientAreaAndDepth) {
  auto& d = InstallDepth(16);
  TSelfExKestrel ctx(640, 400, "Morlo v3.0 [win32]", 256);
  const auto client = d.GetClientRect(ctx.Handle);
  EXPECT_EQ(client.Width(), 640);
  EXPECT_EQ(client.Height(), 400);
  EXPECT_EQ(ctx.BitsPerPixel, 16);
  EXPECT_EQ(ScreenDepth, 16);
  EXPECT_FALSE(ctx.IsFullScreen);
  EXPECT_FALSE(HaltOnError);
  EXPECT_EQ(ctx.HalfWidth, 320);
  EXPECT_EQ(ctx.MaxY, 399);
  EXPECT_TRUE(d.WindowOpen());
  // A second windowed context reuses the registered class.
  TSelfExKestrel second(320, 200, "second", 2);
  EXPECT_NE(second.Handle, 0u);
}

TEST_F(HeadlessTest, FullScreenTakesTheModeAndHidesThePointer) {
  platform::HeadlessOptions o;
  o.sixteenBitIs555 = true;  // the driver offers 16 bits only as 5-5-5
  auto& d = Install(o);
  {
    TSelfFullKestrel ctx(320, 200, 16, "Morlo v3.0 [win32]");
    EXPECT_EQ(ctx.BitsPerPixel, 15);
    EXPECT_EQ(ScreenDepth, 15);
    EXPECT_TRUE(HaltOnError);
    EXPECT_TRUE(d.ModeChanged());
    EXPECT_FALSE(d.CursorVisible());
    EXPECT_EQ(d.GetClientRect(ctx.Handle).Width(), 320);
    // Building it emptied the mode table, so a second one is refused.
    EXPECT_EQ(ExpectReport([] { TSelfFullKestrel again(320, 200, 16, "x"); }),
              "[TSelfFullKestrel]Create -> Selected display mode not supported...");
  }
  EXPECT_FALSE(d.ModeChanged());
  EXPECT_TRUE(d.CursorVisible());
  EXPECT_TRUE(HaltOnError);  // keeps its value after the context is gone
}

TEST_F(HeadlessTest, MissingModesAreRefusedBeforeAnythingExists) {
  platform::HeadlessOptions o;
  o.offerModes = false;
  auto& d = Install(o);
  EXPECT_EQ(ExpectReport([] { TSelfFullKestrel ctx(320, 200, 16, "x"); }),
            "[TSelfFullKestrel]Create -> Selected display mode not supported...");
  EXPECT_EQ(d.MainWindow(), 0u);
  EXPECT_FALSE(HaltOnError);  // the error took the windowed path
  Install();
  EXPECT_EQ(ExpectReport([] { TSelfFullKestrel ctx(320, 200, 8, "x"); }),
            "[TSelfFullKestrel]Create -> Selected display mode not supported...");
}

TEST_F(HeadlessTest, AnEightBitDesktopIsRefusedAfterTheWindowExists) {
  auto& d = InstallDepth(8);
  EXPECT_EQ(ExpectReport([] { TSelfExKestrel ctx(640, 400, "x", 256); }),
            "[TSelfExKestrel]Create -> Desktop color depth not supported (only 15,16,24,32bit)");
  // The report released the window before ending the program.
  EXPECT_EQ(d.MainWindow(), 0u);
  EXPECT_FALSE(d.WindowOpen());
}

TEST_F(HeadlessTest, EveryDisplaySetUpFailureIsReportedWithItsCall) {
  const char* windowed[] = {"DirectDrawCreate", "SetCooperativeLevel", "CreateSurface",  "CreateClipper",
                            "SetHWnd",          "SetClipper",          "GetPixelFormat", "GetCaps"};
  for (const char* call : windowed) {
    auto& d = Install();
    InjectFault(call, DDERR_OUTOFMEMORY);
    EXPECT_EQ(ExpectReport([] { TSelfExKestrel ctx(640, 400, "x", 256); }),
              std::string("[TKestrel]") + call + " -> " + kNoMemory);
    EXPECT_EQ(d.MainWindow(), 0u) << call;
  }
  for (const char* call : {"SetDisplayMode", "GetAttachedSurface"}) {
    Install();
    InjectFault(call, 0x88760078);
    EXPECT_EQ(ExpectReport([] { TSelfFullKestrel ctx(320, 200, 16, "x"); }),
              std::string("[TKestrel]") + call + " -> DirectDraw does not support the requested mode.");
  }
  Install();
  InjectFault("RegisterClass", DDERR_OUTOFMEMORY);
  EXPECT_EQ(ExpectReport([] { TSelfExKestrel ctx(640, 400, "x", 256); }),
            "[TSelfExKestrel]RegisterClass -> Error registering window class...");
  Install();
  InjectFault("CreateWindowEx", DDERR_OUTOFMEMORY);
  EXPECT_EQ(ExpectReport([] { TSelfFullKestrel ctx(320, 200, 16, "x"); }),
            "[TSelfFullKestrel]CreateWindowEx -> Error creating window...");
}

TEST_F(HeadlessTest, ClosingTheWindowMakesExactlyOnePumpFalse) {
  for (bool full : {false, true}) {
    auto& d = Install();
    std::unique_ptr<TKestrel> ctx;
    if (full) ctx = std::make_unique<TSelfFullKestrel>(320, 200, 16, "x");
    else ctx = std::make_unique<TSelfExKestrel>(640, 400, "x", 256);
    EXPECT_TRUE(ctx->PumpMessage());  // nothing pending
    d.PostMessage(ctx->Handle, platform::WM_SYSCOMMAND, platform::SC_SCREENSAVE);
    EXPECT_TRUE(ctx->PumpMessage());
    EXPECT_TRUE(ctx->PumpMessage());
    d.RequestClose();
    d.RequestClose();  // a second click while the first is pending
    int falses = 0;
    for (int i = 0; i < 10; ++i) falses += ctx->PumpMessage() ? 0 : 1;
    EXPECT_EQ(falses, 1) << (full ? "full screen" : "window");
    // The window is not destroyed by closing it: that is the game's shutdown.
    EXPECT_TRUE(d.IsWindow(ctx->Handle));
  }
}

TEST_F(HeadlessTest, ReportsRewriteTheLogAndSurviveAnUnwritableDirectory) {
  Install();
  TSelfExKestrel ctx(640, 400, "x", 256);
  ExpectReport([&] { TBuffer64 b(ctx, 0, 1, false); });
  InjectFault("GetDC", 0x88760249);
  TBuffer64 b(ctx, 4, 4, false);
  EXPECT_EQ(ExpectReport([&] { b.TextOut(0, 0, "x", 0); }), "[TBuffer64]GetDC -> Windows can not create any more DCs.");
  // A log that cannot be written (here a directory stands in its way, which
  // stops root as well) does not stop the report.
  std::filesystem::remove(scratch_.Path() / kErrorLogName);
  std::filesystem::create_directory(scratch_.Path() / kErrorLogName);
  try {
    RaiseEngineError("[TBuffer64]Lock -> x");
    FAIL();
  } catch (const EngineError& e) {
    EXPECT_STREQ(e.what(), "[TBuffer64]Lock -> x");
  }
  EXPECT_TRUE(std::filesystem::is_directory(scratch_.Path() / kErrorLogName));
}

TEST_F(HeadlessTest, FullScreenReportsEndQuietlyAndGiveTheDesktopBack) {
  auto& d = Install();
  TSelfFullKestrel ctx(320, 200, 16, "x");
  try {
    TBuffer64 b(ctx, -1, 1, false);
    FAIL();
  } catch (const EngineError& e) {
    EXPECT_TRUE(e.Quiet());
    EXPECT_FALSE(d.ModeChanged());
    EXPECT_EQ(HandleTopLevelError(e), 1);
    EXPECT_TRUE(d.ErrorMessages().empty());
  }
  try {
    RaiseEngineError("[TBuffer64]x -> y");
  } catch (const EngineError& e) {
    HaltOnError = false;
    EXPECT_EQ(HandleTopLevelError(EngineError(e.what(), false)), 1);
    ASSERT_EQ(d.ErrorMessages().size(), 1u);
    EXPECT_NE(d.ErrorMessages()[0].find("[TBuffer64]x -> y"), std::string::npos);
  }
}

TEST(DirectDrawText, TellingRowsAndUnknownCodes) {
  EXPECT_STREQ(DirectDrawErrorText(0x887601C2),
               "Access to this surface is being refused because the surface memory is gone. The "
               "DirectDrawSurface object representing this surface should have Restore called on it.");
  EXPECT_STREQ(DirectDrawErrorText(0x8876024E), "The display is currently in an unsupported mode");
  EXPECT_STREQ(DirectDrawErrorText(0x88760233),
               "A hardware-only DirectDraw object creation was attempted but the driver did not support any hardware.");
  EXPECT_STREQ(DirectDrawErrorText(0x12345678), "Unrecognized Error");
  EXPECT_STREQ(DirectDrawErrorText(0x88760001), "Unrecognized Error");
}

}  // namespace
}  // namespace kestrel::testing
