#include "kestrel/kestrel.h"

#include <cstdio>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "kestrel/base/faults.h"
#include "kestrel/blit_retry.h"
#include "kestrel/colour.h"
#include "kestrel/error.h"
#include "kestrel/settings.h"

namespace kestrel {

using namespace platform;

TModeTable ModeTable;
bool HasMMX = false;

namespace {

bool unitStarted = false;

constexpr uint32_t kClassStyle = 0x23;  // CS_VREDRAW | CS_HREDRAW | CS_OWNDC
constexpr uint32_t kPopupStyle = 0x86000000;
constexpr uint32_t kAppWindow = 0x00040000;

// The windowed class quits through its own window's queue ...
intptr_t WindowedProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  Display& d = GetDisplay();
  switch (message) {
    case WM_SYSCOMMAND:
      // Neither the screen saver nor monitor power-saving starts while we run.
      if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
      break;
    case WM_CLOSE:
    case WM_DESTROY:
      // The window stays: the game shuts down on the quit message and
      // destroys it then.
      d.PostMessage(window, WM_QUIT, 0, 0);
      return 0;
  }
  return d.DefWindowProc(window, message, wParam, lParam);
}

// ... the full-screen class through the thread's.
intptr_t FullScreenProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  Display& d = GetDisplay();
  switch (message) {
    case WM_SYSCOMMAND:
      if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
      break;
    case WM_CLOSE:
    case WM_DESTROY: d.PostQuitMessage(0); return 0;
  }
  return d.DefWindowProc(window, message, wParam, lParam);
}

// The designed text, for the report and the log. Why, when the platform
// knows, goes first to standard error on a line of its own, in plain words.
std::string WindowErrorText(const Display& d) {
  if (const std::string why = d.WindowFailure(); !why.empty()) std::fprintf(stderr, "%s\n", why.c_str());
  return "Error creating window...";
}

// The depths a context draws at.
bool IsContextDepth(int32_t depth) { return depth == 15 || depth == 16 || depth == 24 || depth == 32; }

}  // namespace

bool ProcessorAbove486() {
#if defined(__x86_64__) || defined(__i386__)
  return true;  // every processor that runs this build is a Pentium or later
#else
  return false;
#endif
}

bool CpuIdAvailable() {
#if defined(__x86_64__) || defined(__i386__)
  return __get_cpuid_max(0, nullptr) != 0;
#else
  return false;
#endif
}

void InitEngineUnit() {
  if (unitStarted) return;
  unitStarted = true;
  HasMMX = false;
#if defined(__x86_64__) || defined(__i386__)
  if (ProcessorAbove486() && CpuIdAvailable()) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d)) HasMMX = (d >> 23) & 1;
  }
#endif
  ModeTable.Count = 0;
  ModeTable.Modes.clear();
  std::shared_ptr<platform::DirectDraw> dd;
  if (Failed(GetDisplay().DirectDrawCreate(dd))) return;
  dd->EnumDisplayModes(0x1, [](const ModeEntry& m) {
    ModeTable.Count += 1;
    ModeTable.Modes.push_back(
        TModeEntry{uint32_t(m.Width), uint32_t(m.Height), uint32_t(m.BitsPerPixel), uint32_t(m.RefreshRate)});
    return true;
  });
}

void ResetEngine() {
  unitStarted = false;
  ModeTable.Count = 0;
  ModeTable.Modes.clear();
  HasMMX = false;
  ScreenDepth = 0;
  HaltOnError = false;
  UseSettings({});
}

bool IsModeSupported(int32_t width, int32_t height, int32_t bitsPerPixel) {
  if (bitsPerPixel <= 8) return false;
  for (int32_t i = 0; i < ModeTable.Count && i < int32_t(ModeTable.Modes.size()); ++i) {
    const TModeEntry& m = ModeTable.Modes[size_t(i)];
    if (int64_t(m.Width) == width && int64_t(m.Height) == height && int64_t(m.BitsPerPixel) == bitsPerPixel)
      return true;
  }
  return false;
}

void WindowStylesFor(uint16_t selector, uint32_t& style, uint32_t& exStyle) {
  switch (selector) {
    case 1: style = 0x86000000, exStyle = 0x00040000; break;
    case 2: style = 0x06CF0000, exStyle = 0x00000180; break;
    case 16: style = 0x06C00000, exStyle = 0x00040100; break;
    case 256: style = 0x06C80000, exStyle = 0x00040100; break;
    case 4096: style = 0x06CA0000, exStyle = 0x00040100; break;
    default: style = 0x06CF0000, exStyle = 0x00040100; break;
  }
}

// ---- TKestrel ----

TKestrel::~TKestrel() {
  if (!released_) TKestrel::Release();
}

Display& TKestrel::Platform() const { return GetDisplay(); }

void TKestrel::SetScreenSize(int32_t width, int32_t height) {
  Width = width;
  Height = height;
  MaxX = width - 1;
  MaxY = height - 1;
  HalfWidth = width >> 1;
  HalfHeight = height >> 1;
}

void TKestrel::Release() {
  if (released_) return;
  released_ = true;
  ReleaseDirectDraw();
  Platform().ShowCursor(true);
}

void TKestrel::ReportErrorAs(const char* tag, const std::string& operation, const std::string& text) {
  Release();
  RaiseEngineError(ReportText(tag, operation, text));
}

void TKestrel::ReportError(const std::string& operation, const std::string& text) {
  ReportErrorAs("[TKestrel]", operation, text);
}

bool TKestrel::PumpMessage() {
  Display& d = Platform();
  Message msg;
  if (!d.PeekMessage(Handle, msg)) return true;
  if (msg.message == WM_QUIT) return false;
  d.DispatchMessage(msg);
  return true;
}

void TKestrel::SetFrameRate(int32_t framesPerSecond) { Platform().SetFrameRate(framesPerSecond); }

uint32_t TKestrel::MakeColor(uint8_t red, uint8_t green, uint8_t blue) const {
  return kestrel::MakeColor(red, green, blue);
}

void TKestrel::InitDirectDraw(bool fullScreen) {
  Display& d = Platform();
  HResult r = d.DirectDrawCreate(DirectDraw);
  if (Failed(r)) ReportError("DirectDrawCreate", DirectDrawErrorText(r));
  if (fullScreen) {
    r = DirectDraw->SetCooperativeLevel(Handle, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE);
    if (Failed(r)) ReportError("SetCooperativeLevel", DirectDrawErrorText(r));
    r = DirectDraw->SetDisplayMode(Width, Height, BitsPerPixel);
    if (Failed(r)) ReportError("SetDisplayMode", DirectDrawErrorText(r));
    SurfaceRequest req;
    req.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    req.backBufferCount = 1;
    req.caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    r = DirectDraw->CreateSurface(req, Primary);
    if (Failed(r)) ReportError("CreateSurface", DirectDrawErrorText(r));
    r = Primary->GetAttachedSurface(DDSCAPS_BACKBUFFER, BackBuffer);
    if (Failed(r)) ReportError("GetAttachedSurface", DirectDrawErrorText(r));
  } else {
    r = DirectDraw->SetCooperativeLevel(Handle, DDSCL_NORMAL);
    if (Failed(r)) ReportError("SetCooperativeLevel", DirectDrawErrorText(r));
    SurfaceRequest req;
    req.flags = DDSD_CAPS;
    req.caps = DDSCAPS_PRIMARYSURFACE;
    r = DirectDraw->CreateSurface(req, Primary);
    if (Failed(r)) ReportError("CreateSurface", DirectDrawErrorText(r));
    SurfaceRequest back;
    back.flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    back.width = Width;
    back.height = Height;
    back.caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    r = DirectDraw->CreateSurface(back, BackBuffer);
    if (Failed(r)) ReportError("CreateSurface", DirectDrawErrorText(r));
  }
  r = DirectDraw->CreateClipper(0, Clipper);
  if (Failed(r)) ReportError("CreateClipper", DirectDrawErrorText(r));
  r = Clipper->SetHWnd(0, Handle);
  if (Failed(r)) ReportError("SetHWnd", DirectDrawErrorText(r));
  r = Primary->SetClipper(Clipper);
  if (Failed(r)) ReportError("SetClipper", DirectDrawErrorText(r));
  Clipper.reset();  // the primary surface keeps its own reference

  if (HResult f = CheckFault("GetPixelFormat")) ReportError("GetPixelFormat", DirectDrawErrorText(f));
  const PixelFormat pf = d.FormatOfDepth(Primary->Depth());
  BitsPerPixel = uint8_t(pf.rgbBitCount & 0xFF);
  if (pf.greenMask == 0x3E0) BitsPerPixel = 15;
  ScreenDepth = BitsPerPixel;

  r = DirectDraw->GetCaps(HALCaps, HELCaps);
  if (Failed(r)) ReportError("GetCaps", DirectDrawErrorText(r));
  Hardware = (HALCaps & DDCAPS_NOHARDWARE) != DDCAPS_NOHARDWARE;
}

void TKestrel::ReleaseDirectDraw() {
  ModeTable.Modes.clear();
  ModeTable.Count = 0;
  BackBuffer.reset();
  Primary.reset();
  if (DirectDraw) {
    DirectDraw->RestoreDisplayMode();
    DirectDraw->SetCooperativeLevel(Handle, DDSCL_NORMAL);
    DirectDraw.reset();
  }
}

void TKestrel::FinishCreate() {
  ClearPrimary(0);
  ClearBackBuffer(0);
  // From here on a full-screen context ends the program quietly on a report.
  HaltOnError = IsFullScreen;
}

void TKestrel::RestoreSurfaces() {
  if (Primary) Primary->Restore();
  if (!IsFullScreen && BackBuffer) BackBuffer->Restore();
}

void TKestrel::ClearBackBuffer(uint32_t color) {
  if (!BackBuffer) return;
  BltFx fx;
  fx.fillColor = color;
  RunBlit(
      *BackBuffer, [&] { return BackBuffer->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx); },
      [this] { RestoreSurfaces(); });
}

void TKestrel::ClearPrimary(uint32_t color) {
  if (!Primary) return;
  Display& d = Platform();
  Rect r = d.GetClientRect(Handle);
  const Point origin = d.ClientToScreen(Handle, Point{0, 0});
  r.left += origin.x, r.right += origin.x, r.top += origin.y, r.bottom += origin.y;
  BltFx fx;
  fx.fillColor = color;
  RunBlit(
      *Primary, [&] { return Primary->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx); },
      [this] { RestoreSurfaces(); });
}

// ---- TSelfExKestrel ----

TSelfExKestrel::TSelfExKestrel(int32_t width, int32_t height, const char* caption, uint16_t windowStyle) {
  InitEngineUnit();
  Display& d = Platform();
  ReleaseDirectDraw();
  Caption = caption;
  // The error path's message box carries the context's own caption.
  SetErrorCaption(caption ? caption : "");
  if (!d.GetClassInfo("TSelfExKestrel") && !d.RegisterClass("TSelfExKestrel", WindowedProc))
    ReportError("RegisterClass", "Error registering window class...");
  uint32_t style = 0, exStyle = 0;
  WindowStylesFor(windowStyle, style, exStyle);
  Rect outer{0, 0, width, height};
  d.AdjustWindowRectEx(outer, style, exStyle);
  const Point screen = d.ScreenSize();
  // The client size, not the outer size, is centred; the halving is unsigned,
  // so a window larger than the screen lands far outside it.
  const int32_t x = int32_t(uint32_t(screen.x - width) / 2);
  const int32_t y = int32_t(uint32_t(screen.y - height) / 2);
  Handle =
      d.CreateWindowEx(exStyle, "TSelfExKestrel", caption ? caption : "", style, x, y, outer.Width(), outer.Height());
  if (Handle == 0) ReportError("CreateWindowEx", WindowErrorText(d));
  d.ShowWindow(Handle);
  SetScreenSize(width, height);
  IsFullScreen = false;
  InitDirectDraw(false);
  if (!IsContextDepth(ScreenDepth)) ReportError("Create", "Desktop color depth not supported (only 15,16,24,32bit)");
  BitsPerPixel = ScreenDepth;
  FinishCreate();
}

TSelfExKestrel::~TSelfExKestrel() { TSelfExKestrel::Release(); }

void TSelfExKestrel::Release() {
  if (released_) return;
  Display& d = Platform();
  IsFullScreen = false;
  if (Handle) d.DestroyWindow(Handle);
  d.UnregisterClass("TSelfExKestrel");
  TKestrel::Release();
}

void TSelfExKestrel::ReportError(const std::string& operation, const std::string& text) {
  ReportErrorAs("[TSelfExKestrel]", operation, text);
}

// ---- TSelfFullKestrel ----

TSelfFullKestrel::TSelfFullKestrel(int32_t width, int32_t height, int32_t bitsPerPixel, const char* caption) {
  InitEngineUnit();
  Display& d = Platform();
  if (!IsModeSupported(width, height, bitsPerPixel)) {
    // Nothing exists yet, so there is nothing to release.
    released_ = true;
    RaiseEngineError(ReportText("[TSelfFullKestrel]", "Create", "Selected display mode not supported..."));
  }
  ReleaseDirectDraw();
  Caption = caption;
  // The error path's message box carries the context's own caption.
  SetErrorCaption(caption ? caption : "");
  if (!d.RegisterClass("TSelfFullKestrel", FullScreenProc))
    ReportError("RegisterClass", "Error registering window class...");
  const Point screen = d.ScreenSize();
  Handle =
      d.CreateWindowEx(kAppWindow, "TSelfFullKestrel", caption ? caption : "", kPopupStyle, 0, 0, screen.x, screen.y);
  if (Handle == 0) ReportError("CreateWindowEx", WindowErrorText(d));
  d.ShowWindow(Handle);
  SetScreenSize(width, height);
  if (!IsContextDepth(bitsPerPixel)) ReportError("Create", "Desktop color depth not supported (only 15,16,24,32bit)");
  BitsPerPixel = uint8_t(bitsPerPixel);
  IsFullScreen = true;
  InitDirectDraw(true);
  d.ShowCursor(false);
  FinishCreate();
}

TSelfFullKestrel::~TSelfFullKestrel() { TSelfFullKestrel::Release(); }

void TSelfFullKestrel::Release() {
  if (released_) return;
  Display& d = Platform();
  ReleaseDirectDraw();
  d.ChangeDisplaySettings();
  d.ShowCursor(true);
  IsFullScreen = false;
  if (Handle) d.DestroyWindow(Handle);
  d.UnregisterClass("TSelfFullKestrel");
  TKestrel::Release();
}

void TSelfFullKestrel::ReportError(const std::string& operation, const std::string& text) {
  ReportErrorAs("[TSelfFullKestrel]", operation, text);
}

}  // namespace kestrel
