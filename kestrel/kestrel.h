// The engine context: the program's window, the DirectDraw objects through
// which pictures reach the screen, and the message step every loop calls.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/platform/display.h"

namespace kestrel {

using platform::WindowHandle;

struct TModeEntry {
  uint32_t Width = 0, Height = 0, BitsPerPixel = 0, RefreshRate = 0;
};

struct TModeTable {
  int32_t Count = 0;
  std::vector<TModeEntry> Modes;
};

// The display modes the driver offers, gathered when the engine starts.
extern TModeTable ModeTable;
// Whether the processor has the 64-bit multimedia extension (wide fills).
extern bool HasMMX;

// Engine start-up: the processor probe, then the mode table. Runs once; the
// display's first use runs it, and tests may run it again after ResetEngine.
void InitEngineUnit();
// Drops the mode table and resets the unit-wide state and the player's
// settings (tests).
void ResetEngine();

bool IsModeSupported(int32_t width, int32_t height, int32_t bitsPerPixel);
bool ProcessorAbove486();
bool CpuIdAvailable();

class TKestrel {
 public:
  virtual ~TKestrel();
  TKestrel(const TKestrel&) = delete;
  TKestrel& operator=(const TKestrel&) = delete;

  // Handles at most one pending message; false once the quit message is taken.
  bool PumpMessage();
  uint32_t MakeColor(uint8_t red, uint8_t green, uint8_t blue) const;
  // Sets how many frames a second presentation waits for (60 unless set).
  // Only a real screen waits; the headless display never does.
  void SetFrameRate(int32_t framesPerSecond);

  void InitDirectDraw(bool fullScreen);
  void ReleaseDirectDraw();
  void RestoreSurfaces();
  void ClearBackBuffer(uint32_t color);
  void ClearPrimary(uint32_t color);

  WindowHandle Handle = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t HalfWidth = 0;
  int32_t HalfHeight = 0;
  int32_t MaxX = 0;
  int32_t MaxY = 0;
  uint8_t BitsPerPixel = 0;
  std::shared_ptr<platform::DirectDraw> DirectDraw;
  std::shared_ptr<platform::Surface> Primary;
  std::shared_ptr<platform::Surface> BackBuffer;
  std::shared_ptr<platform::Clipper> Clipper;
  uint32_t HALCaps = 0;  // the capability word of the driver's record
  uint32_t HELCaps = 0;
  bool Hardware = false;
  bool IsFullScreen = false;

 protected:
  TKestrel() = default;
  // Releases everything the context holds; safe to call more than once.
  virtual void Release();
  // Releases the context and raises the report under this class's tag.
  [[noreturn]] void ReportError(const std::string& operation, const std::string& text);
  [[noreturn]] void ReportErrorAs(const char* tag, const std::string& operation, const std::string& text);
  platform::Display& Platform() const;
  // Width and Height with the values derived from them.
  void SetScreenSize(int32_t width, int32_t height);
  // The last steps of either window's constructor: both surfaces cleared to
  // black, and how a later report ends the program.
  void FinishCreate();
  bool released_ = false;
};

class TSelfExKestrel : public TKestrel {
 public:
  // A windowed context whose client area is `width` x `height`.
  TSelfExKestrel(int32_t width, int32_t height, const char* caption, uint16_t windowStyle);
  ~TSelfExKestrel() override;

  const char* Caption = nullptr;

 protected:
  void Release() override;
  [[noreturn]] void ReportError(const std::string& operation, const std::string& text);
};

class TSelfFullKestrel : public TKestrel {
 public:
  // A full-screen context in the display mode width x height x bitsPerPixel.
  TSelfFullKestrel(int32_t width, int32_t height, int32_t bitsPerPixel, const char* caption);
  ~TSelfFullKestrel() override;

  const char* Caption = nullptr;

 protected:
  void Release() override;
  [[noreturn]] void ReportError(const std::string& operation, const std::string& text);
};

// Window styles chosen by the windowed constructor's selector.
void WindowStylesFor(uint16_t selector, uint32_t& style, uint32_t& exStyle);

}  // namespace kestrel
