// The picture buffer: a picture in the display's pixel format, held in an
// off-screen surface of its own, with copies, keyed copies, mirroring, text,
// direct pixel access and presentation.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/kestrel.h"
#include "kestrel/platform/surface.h"
#include "kestrel/platform/text.h"

namespace kestrel {

class TKPK;
class TMemoryStream;

class TBuffer64 {
 public:
  TBuffer64(TKestrel& context, int32_t width, int32_t height, bool videoMemory);
  virtual ~TBuffer64();
  TBuffer64(const TBuffer64&) = delete;
  TBuffer64& operator=(const TBuffer64&) = delete;

  // 0 when the buffer has (or already had) that size and memory kind, -1
  // when no surface could be made.
  int32_t SetSize(int32_t width, int32_t height, bool videoMemory);
  void MapSurface();
  void ReleaseSurface();
  void RestoreSurfaces();
  void Present(bool waitForVerticalBlank);
  void Clear(uint32_t color);
  void Draw(TBuffer64& dest, int32_t x, int32_t y);
  void DrawKeyed(TBuffer64& dest, int32_t x, int32_t y, uint32_t key);
  void DrawRect(TBuffer64& dest, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t destX, int32_t destY);
  void DrawRectKeyed(TBuffer64& dest, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t destX, int32_t destY,
                     uint32_t key);
  void Mirror();
  void SetFont(const std::string& name, int32_t height);
  void TextOut(int32_t x, int32_t y, const std::string& text, uint32_t color);

  // Direct pixel access through the row table.
  uint32_t GetPixel(int32_t x, int32_t y) const;
  void HLine(int32_t x1, int32_t x2, int32_t y, uint32_t color);
  void VLine(int32_t y1, int32_t y2, int32_t x, uint32_t color);
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color);
  // Halves the brightness of every pixel, as behind a pause.
  void Dim();

  // Gives the program's window an icon of `size` x `size` pixels: the colour
  // `backgroundRgb` (0xRRGGBB) with the rectangle (x1, y1)-(x2, y2) of this
  // buffer, corners included, keyed and in the middle.
  void MakeWindowIcon(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t key, uint32_t backgroundRgb,
                      int32_t size);

  // Image loading: fills the buffer from an archive entry or from a stream
  // holding a JPEG, BMP or PNG picture; the buffer takes the picture's size.
  void LoadKPKImage(TKPK& archive, const std::string& name, bool videoMemory);
  void LoadStreamImage(TMemoryStream& stream, bool videoMemory);

  [[noreturn]] void ReportError(const std::string& operation, const std::string& text);

  uint8_t* Pixels = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t HalfWidth = 0;
  int32_t HalfHeight = 0;
  int32_t MaxX = 0;
  int32_t MaxY = 0;
  int32_t Pitch = 0;
  uint8_t BytesPerPixel = 0;
  uint8_t BitsPerPixel = 0;
  // Writes through Pixels or Rows outside the engine's own routines must be
  // followed by Surface->PixelsChanged(), or keyed copies may show old pixels.
  std::vector<uint8_t*> Rows;
  WindowHandle Window = 0;
  uint32_t ContextDepth = 0;
  std::shared_ptr<platform::DirectDraw> DirectDraw;
  std::shared_ptr<platform::Surface> Primary;
  std::shared_ptr<platform::Surface> BackBuffer;
  std::shared_ptr<platform::Surface> Surface;
  bool Hardware = false;
  bool IsFullScreen = false;
  bool VideoMemory = false;
  std::shared_ptr<platform::FontFace> Font;

 private:
  platform::HResult CreateSurfaceOfSize(int32_t width, int32_t height, bool videoMemory);
  void Release();
};

}  // namespace kestrel
