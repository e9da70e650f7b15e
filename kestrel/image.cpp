// Picture loading: PNG, JPEG and BMP files from the archive or a memory
// stream, converted pixel for pixel into the buffer's format.
//
// libpng and libjpeg report errors by longjmp. Every jump lands in a small
// C-style function (the "Png*" and "Jpeg*" steps below) that holds no object
// with a destructor, and only libpng/libjpeg frames and our plain callbacks
// lie between the library call and the jump target. The C++ caller turns the
// step's failure into an exception afterwards.
#include <png.h>
#include <stdio.h>  // jpeglib.h needs FILE declared first

#include <jpeglib.h>
// After jpeglib.h: which messages exist depends on its configuration.
#include <jerror.h>

#include <algorithm>
#include <array>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <tmmintrin.h>
#define KESTREL_SSSE3_ROWS 1
#endif

#include "kestrel/base/faults.h"
#include "kestrel/buffer64.h"
#include "kestrel/colour.h"
#include "kestrel/error.h"
#include "kestrel/kpk.h"
#include "kestrel/platform/text.h"

namespace kestrel {
namespace {

// 16 million pixels, four times the game's largest picture. A header
// claiming more is refused before anything of that size is allocated or
// decoded: a few bytes of RLE or deflate can claim any size at all.
constexpr int64_t kMaxPicturePixels = int64_t(1) << 24;
// Each progressive scan walks the whole picture again, so a file with
// thousands of tiny scans would take minutes. Real encoders use about ten.
constexpr int kMaxJpegScans = 500;

enum class Format { Unknown, Jpeg, Bmp, Png };

Format DetectFormat(const uint8_t* sig, size_t n) {
  static const uint8_t kJpeg[2] = {0xFF, 0xD8};
  static const uint8_t kBmp[2] = {0x42, 0x4D};
  static const uint8_t kPng[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  if (n >= 2 && std::memcmp(sig, kJpeg, 2) == 0) return Format::Jpeg;
  if (n >= 2 && std::memcmp(sig, kBmp, 2) == 0) return Format::Bmp;
  if (n >= 8 && std::memcmp(sig, kPng, 8) == 0) return Format::Png;
  return Format::Unknown;
}

// Writes decoded rows into the buffer. Each colour becomes exactly what
// MakeColor gives for it: the packing is the OR of one table entry per
// channel, and the tables are filled by MakeColor itself. Where the tables
// turn out to be the plain shifts of a known layout, rows of 4-byte pixels
// are packed by those shifts in blocks the compiler can vectorise.
class PictureWriter {
 public:
  explicit PictureWriter(TBuffer64& buffer) : buffer_(buffer) {
    for (int v = 0; v < 256; ++v) {
      red_[v] = MakeColor(uint8_t(v), 0, 0);
      green_[v] = MakeColor(0, uint8_t(v), 0);
      blue_[v] = MakeColor(0, 0, uint8_t(v));
    }
    if (std::endian::native == std::endian::little) {
      if (TablesAre(Shift565)) fast_ = Fast::Rgb565;
      else if (TablesAre(Shift555)) fast_ = Fast::Rgb555;
      else if (TablesAre(Shift888)) fast_ = Fast::Rgb888;
    }
  }

  // False stops the copy (the surface's context could not be had) while the
  // picture is still decoded in full.
  void SetEnabled(bool enabled) { enabled_ = enabled; }

  uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) const { return red_[r] | green_[g] | blue_[b]; }

  void PutRgbRow(int32_t y, const uint8_t* rgb) {
    if (!enabled_) return;
    uint8_t* dst = buffer_.Rows[size_t(y)];
#ifdef KESTREL_SSSE3_ROWS
    // The large sheets are RGB PNGs; a byte shuffle packs them several times
    // faster than the tables. The tail of each row goes by the tables.
    if (HaveSsse3()) {
      int32_t done = 0;
      if (buffer_.BytesPerPixel == 4 && fast_ == Fast::Rgb888) done = RgbTo888(dst, rgb, buffer_.Width);
      else if (buffer_.BytesPerPixel == 2 && fast_ == Fast::Rgb565) done = RgbTo16<false>(dst, rgb, buffer_.Width);
      else if (buffer_.BytesPerPixel == 2 && fast_ == Fast::Rgb555) done = RgbTo16<true>(dst, rgb, buffer_.Width);
      const int32_t w = buffer_.Width, bpp = buffer_.BytesPerPixel;
      for (int32_t x = done; x < w; ++x) StoreAny(dst + bpp * x, Pack(rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2]), bpp);
      return;
    }
#endif
    PutTableRow(dst, rgb, 3);
  }

  // Red, green, blue and one byte that is not looked at.
  void PutRgbxRow(int32_t y, const uint8_t* rgbx) {
    if (!enabled_) return;
    uint8_t* dst = buffer_.Rows[size_t(y)];
    int32_t w = buffer_.Width;
    if (buffer_.BytesPerPixel == 2 && fast_ == Fast::Rgb565) return PackBlocks<uint16_t>(dst, rgbx, w, Shift565);
    if (buffer_.BytesPerPixel == 2 && fast_ == Fast::Rgb555) return PackBlocks<uint16_t>(dst, rgbx, w, Shift555);
    if (buffer_.BytesPerPixel == 4 && fast_ == Fast::Rgb888) return PackBlocks<uint32_t>(dst, rgbx, w, Shift888);
    PutTableRow(dst, rgbx, 4);
  }

  // PNG transparency is flattened over black: the buffer has no alpha and a
  // freshly made surface is black, so this is what a plain copy would show.
  void PutRgbaRow(int32_t y, const uint8_t* rgba) {
    if (!enabled_) return;
    uint8_t* dst = buffer_.Rows[size_t(y)];
    int32_t w = buffer_.Width;
    int bpp = buffer_.BytesPerPixel;
    for (int32_t x = 0; x < w; ++x, rgba += 4) {
      unsigned a = rgba[3];
      uint32_t c = Pack(Flatten(rgba[0], a), Flatten(rgba[1], a), Flatten(rgba[2], a));
      StoreAny(dst + bpp * x, c, bpp);
    }
  }

  // Packed colours already made with Pack.
  void PutPackedRow(int32_t y, const uint32_t* colours) {
    if (!enabled_) return;
    uint8_t* dst = buffer_.Rows[size_t(y)];
    int bpp = buffer_.BytesPerPixel;
    for (int32_t x = 0; x < buffer_.Width; ++x) StoreAny(dst + bpp * x, colours[x], bpp);
  }

  static uint8_t Flatten(unsigned c, unsigned a) { return uint8_t((c * a + 127) / 255); }

 private:
  static void Store16(uint8_t* p, uint32_t c) {
    uint16_t v = uint16_t(c);
    std::memcpy(p, &v, 2);
  }
  static void Store24(uint8_t* p, uint32_t c) {
    p[0] = uint8_t(c);
    p[1] = uint8_t(c >> 8);
    p[2] = uint8_t(c >> 16);
  }
  static void Store32(uint8_t* p, uint32_t c) { std::memcpy(p, &c, 4); }
  static void StoreAny(uint8_t* p, uint32_t c, int bpp) {
    if (bpp == 2) Store16(p, c);
    else if (bpp == 3) Store24(p, c);
    else Store32(p, c);
  }

  void PutTableRow(uint8_t* dst, const uint8_t* src, int step) {
    int32_t w = buffer_.Width;
    switch (buffer_.BytesPerPixel) {
      case 2:
        for (int32_t x = 0; x < w; ++x, src += step) Store16(dst + 2 * x, Pack(src[0], src[1], src[2]));
        break;
      case 3:
        for (int32_t x = 0; x < w; ++x, src += step) Store24(dst + 3 * x, Pack(src[0], src[1], src[2]));
        break;
      case 4:
        for (int32_t x = 0; x < w; ++x, src += step) Store32(dst + 4 * x, Pack(src[0], src[1], src[2]));
        break;
    }
  }

  // The layouts, from a little-endian word holding red, green, blue, x.
  static uint32_t Shift565(uint32_t v) { return ((v & 0xF8) << 8) | ((v >> 5) & 0x7E0) | ((v >> 19) & 0x1F); }
  static uint32_t Shift555(uint32_t v) { return ((v & 0xF8) << 7) | ((v >> 6) & 0x3E0) | ((v >> 19) & 0x1F); }
  static uint32_t Shift888(uint32_t v) { return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF); }

  template <typename F>
  bool TablesAre(F shift) const {
    for (uint32_t v = 0; v < 256; ++v)
      if (red_[v] != shift(v) || green_[v] != shift(v << 8) || blue_[v] != shift(v << 16)) return false;
    return true;
  }

#ifdef KESTREL_SSSE3_ROWS
  static bool HaveSsse3() {
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
  }

  // Four pixels from each 16-byte load (which reads one pixel and a byte
  // past them, so it stops two pixels short of the row's end). Returns the
  // pixels done.
  __attribute__((target("ssse3"))) static int32_t RgbTo888(uint8_t* dst, const uint8_t* rgb, int32_t w) {
    const __m128i toBgrx = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    int32_t x = 0;
    for (; x + 6 <= w; x += 4) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + 3 * x));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_shuffle_epi8(v, toBgrx));
    }
    return x;
  }

  // Eight pixels from two loads: each channel lands in its own 16-bit lane,
  // red in the high byte, green and blue in the low one, and is cut to its
  // field by shifts and masks.
  template <bool Is555>
  __attribute__((target("ssse3"))) static int32_t RgbTo16(uint8_t* dst, const uint8_t* rgb, int32_t w) {
    const __m128i redLo = _mm_setr_epi8(-1, 0, -1, 3, -1, 6, -1, 9, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i redHi = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, 0, -1, 3, -1, 6, -1, 9);
    const __m128i greenLo = _mm_setr_epi8(1, -1, 4, -1, 7, -1, 10, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i greenHi = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 1, -1, 4, -1, 7, -1, 10, -1);
    const __m128i blueLo = _mm_setr_epi8(2, -1, 5, -1, 8, -1, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i blueHi = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 2, -1, 5, -1, 8, -1, 11, -1);
    int32_t x = 0;
    for (; x + 10 <= w; x += 8) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + 3 * x));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + 3 * x + 12));
      const __m128i r = _mm_or_si128(_mm_shuffle_epi8(a, redLo), _mm_shuffle_epi8(b, redHi));
      const __m128i g = _mm_or_si128(_mm_shuffle_epi8(a, greenLo), _mm_shuffle_epi8(b, greenHi));
      const __m128i bl = _mm_or_si128(_mm_shuffle_epi8(a, blueLo), _mm_shuffle_epi8(b, blueHi));
      __m128i out;
      if constexpr (Is555) {
        out = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(r, 1), _mm_set1_epi16(0x7C00)),
                           _mm_and_si128(_mm_slli_epi16(g, 2), _mm_set1_epi16(0x03E0)));
      } else {
        out = _mm_or_si128(_mm_and_si128(r, _mm_set1_epi16(int16_t(0xF800))),
                           _mm_and_si128(_mm_slli_epi16(g, 3), _mm_set1_epi16(0x07E0)));
      }
      out = _mm_or_si128(out, _mm_srli_epi16(bl, 3));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * x), out);
    }
    return x;
  }
#endif

  // Fixed blocks of eight, so the inner loop vectorises without a cost guess.
  template <typename Out, typename F>
  static void PackBlocks(uint8_t* dst, const uint8_t* rgbx, int32_t w, F shift) {
    int32_t x = 0;
    for (; x + 8 <= w; x += 8) {
      uint32_t in[8];
      Out out[8];
      std::memcpy(in, rgbx + 4 * x, sizeof in);
      for (int k = 0; k < 8; ++k) out[k] = Out(shift(in[k]));
      std::memcpy(dst + sizeof(Out) * x, out, sizeof out);
    }
    for (; x < w; ++x) {
      uint32_t v;
      std::memcpy(&v, rgbx + 4 * x, 4);
      Out o = Out(shift(v));
      std::memcpy(dst + sizeof(Out) * x, &o, sizeof o);
    }
  }

  enum class Fast { None, Rgb565, Rgb555, Rgb888 };
  TBuffer64& buffer_;
  bool enabled_ = true;
  Fast fast_ = Fast::None;
  uint32_t red_[256], green_[256], blue_[256];
};

// Refuses sizes no surface should be made for, before anything is allocated.
void CheckPictureSize(TBuffer64& buffer, int64_t width, int64_t height) {
  if (width < 0 || height < 0 || width > INT32_MAX || height > INT32_MAX || width * height > kMaxPicturePixels)
    buffer.ReportError("CreateSurface", "Error creating surface...");
}

// Gives the buffer the picture's size, then holds the surface's device
// context over the copy. Without a context the copy is skipped with no
// report and the buffer keeps what it had (black after a re-creation).
class CopyTarget {
 public:
  CopyTarget(TBuffer64& buffer, int64_t width, int64_t height, bool videoMemory) {
    CheckPictureSize(buffer, width, height);
    if (buffer.SetSize(int32_t(width), int32_t(height), videoMemory) == -1)
      buffer.ReportError("CreateSurface", "Error creating surface...");
    buffer.RestoreSurfaces();
    surface_ = buffer.Surface;
    if (!surface_ || platform::Failed(surface_->GetDC(dc_))) {
      dc_ = nullptr;
      return;
    }
    // Our buffer holds its pixels itself, so the copy is a loop over rows. It
    // keeps the original's reports for the steps that stand for it.
    if (platform::Failed(CheckFault("CreateCompatibleDC")))
      Fail(buffer, "CreateCompatibleDC", "Error creating a compatible device context...");
    if (platform::Failed(CheckFault("SelectObject")))
      Fail(buffer, "SelectObject", "Error retrieving device context handle...");
    bool layoutOk = buffer.Width == width && buffer.Height == height && buffer.Rows.size() >= size_t(height) &&
                    (buffer.BytesPerPixel == 2 || buffer.BytesPerPixel == 3 || buffer.BytesPerPixel == 4) &&
                    buffer.Pitch >= buffer.Width * buffer.BytesPerPixel;
    if (!layoutOk || platform::Failed(CheckFault("StretchBlt")))
      Fail(buffer, "StretchBlt", "Error blitting bitmap to surface image...");
  }
  ~CopyTarget() { ReleaseContext(); }
  CopyTarget(const CopyTarget&) = delete;
  CopyTarget& operator=(const CopyTarget&) = delete;

  bool Enabled() const { return dc_ != nullptr; }

 private:
  void ReleaseContext() {
    if (dc_) surface_->ReleaseDC(dc_);
    dc_ = nullptr;
  }
  // A report releases the buffer's surface; give the context back first.
  [[noreturn]] void Fail(TBuffer64& buffer, const char* operation, const char* text) {
    ReleaseContext();
    buffer.ReportError(operation, text);
  }

  std::shared_ptr<platform::Surface> surface_;
  platform::DeviceContext* dc_ = nullptr;
};

// ---------------------------------------------------------------- PNG --

struct PngStep {
  png_structp png = nullptr;
  png_infop info = nullptr;
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  uint32_t width = 0, height = 0;
  int channels = 0;
  int passes = 1;
  char message[256] = {0};
};

void PngErrorFn(png_structp png, png_const_charp text) {
  auto* step = static_cast<PngStep*>(png_get_error_ptr(png));
  std::snprintf(step->message, sizeof step->message, "%s", text ? text : "PNG error");
  png_longjmp(png, 1);
}

void PngWarningFn(png_structp, png_const_charp) {}

void PngReadFn(png_structp png, png_bytep out, size_t count) {
  auto* step = static_cast<PngStep*>(png_get_io_ptr(png));
  if (count > step->size - step->pos) png_error(png, "Read past the end of the PNG data");
  std::memcpy(out, step->data + step->pos, count);
  step->pos += count;
}

// Reads the header and sets the transforms to 8-bit RGB or RGBA. 0 on success.
int PngReadHeader(PngStep* s) {
  if (setjmp(png_jmpbuf(s->png))) return 1;
  png_set_read_fn(s->png, s, PngReadFn);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  // Mutated inputs rarely keep their checksums right; let the fuzzer past
  // them into the image data.
  png_set_crc_action(s->png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
  png_set_option(s->png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
  png_read_info(s->png, s->info);
  int colourType = png_get_color_type(s->png, s->info);
  int bitDepth = png_get_bit_depth(s->png, s->info);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s->png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(s->png);
  if (png_get_valid(s->png, s->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(s->png);
  if (bitDepth == 16) png_set_scale_16(s->png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(s->png);
  s->passes = png_set_interlace_handling(s->png);
  png_read_update_info(s->png, s->info);
  s->width = png_get_image_width(s->png, s->info);
  s->height = png_get_image_height(s->png, s->info);
  s->channels = png_get_channels(s->png, s->info);
  return 0;
}

int PngReadRow(PngStep* s, png_bytep row) {
  if (setjmp(png_jmpbuf(s->png))) return 1;
  png_read_row(s->png, row, nullptr);
  return 0;
}

int PngReadImage(PngStep* s, png_bytepp rows) {
  if (setjmp(png_jmpbuf(s->png))) return 1;
  png_read_image(s->png, rows);
  return 0;
}

class PngReader {
 public:
  PngReader(const uint8_t* data, size_t size) {
    step_.data = data;
    step_.size = size;
    step_.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &step_, PngErrorFn, PngWarningFn);
    if (!step_.png) throw FatalError("PNG: out of memory");
    step_.info = png_create_info_struct(step_.png);
    if (!step_.info) {
      png_destroy_read_struct(&step_.png, nullptr, nullptr);
      throw FatalError("PNG: out of memory");
    }
  }
  ~PngReader() { png_destroy_read_struct(&step_.png, &step_.info, nullptr); }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  PngStep& Step() { return step_; }
  [[noreturn]] void Fail() { throw FatalError(step_.message); }

 private:
  PngStep step_;
};

void LoadPng(TBuffer64& buffer, const uint8_t* data, size_t size, bool videoMemory) {
  // libpng refuses a zero-sized header outright; the original decoder came
  // back with an empty picture, which has a report of its own. One zero side
  // is as empty as two.
  auto zero = [](const uint8_t* p) { return std::all_of(p, p + 4, [](uint8_t b) { return b == 0; }); };
  if (size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0 && (zero(data + 16) || zero(data + 20)))
    buffer.ReportError("LoadStreamImage", "Error loading PNG from Stream...");

  PngReader reader(data, size);
  PngStep& s = reader.Step();
  if (PngReadHeader(&s) != 0) reader.Fail();
  CopyTarget target(buffer, s.width, s.height, videoMemory);
  PictureWriter writer(buffer);
  writer.SetEnabled(target.Enabled());
  size_t rowBytes = size_t(s.width) * size_t(s.channels);
  auto put = [&](int32_t y, const uint8_t* row) {
    if (s.channels == 4) writer.PutRgbaRow(y, row);
    else writer.PutRgbRow(y, row);
  };
  if (s.passes == 1) {
    std::vector<uint8_t> row(rowBytes);
    for (uint32_t y = 0; y < s.height; ++y) {
      if (PngReadRow(&s, row.data()) != 0) reader.Fail();
      put(int32_t(y), row.data());
    }
  } else {
    // The passes of an interlaced picture fill each row several times over.
    std::vector<uint8_t> image(rowBytes * s.height);
    std::vector<png_bytep> rows(s.height);
    for (uint32_t y = 0; y < s.height; ++y) rows[y] = image.data() + rowBytes * y;
    if (PngReadImage(&s, rows.data()) != 0) reader.Fail();
    for (uint32_t y = 0; y < s.height; ++y) put(int32_t(y), rows[y]);
  }
}

// --------------------------------------------------------------- JPEG --

struct JpegStep {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  jpeg_progress_mgr progress;
  jmp_buf jump;
  bool created = false;
  char message[JMSG_LENGTH_MAX] = {0};
};

void JpegErrorExit(j_common_ptr cinfo) {
  auto* step = reinterpret_cast<JpegStep*>(cinfo->client_data);
  (*cinfo->err->format_message)(cinfo, step->message);
  longjmp(step->jump, 1);
}

// Warnings that mean the data is damaged stop decoding like errors: left to
// itself the library pads a cut or corrupt picture with grey and goes on.
// Other warnings (an unknown JFIF revision, say) and trace messages pass.
bool IsDamageWarning(int code) {
  switch (code) {
    case JWRN_JPEG_EOF:         // "Premature end of JPEG file"
    case JWRN_HIT_MARKER:       // "Corrupt JPEG data: premature end of data segment"
    case JWRN_EXTRANEOUS_DATA:  // "Corrupt JPEG data: N extraneous bytes before marker"
    case JWRN_HUFF_BAD_CODE:    // "Corrupt JPEG data: bad Huffman code"
    case JWRN_MUST_RESYNC:      // "Corrupt JPEG data: found marker ... instead of RST"
    case JWRN_NOT_SEQUENTIAL:   // "Invalid SOS parameters for sequential JPEG"
#if JPEG_LIB_VERSION >= 70 || defined(D_ARITH_CODING_SUPPORTED)
    case JWRN_ARITH_BAD_CODE:  // "Corrupt JPEG data: bad arithmetic code"
#endif
      return true;
    default: return false;
  }
}

void JpegEmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0 || !IsDamageWarning(cinfo->err->msg_code)) return;
  auto* step = reinterpret_cast<JpegStep*>(cinfo->client_data);
  (*cinfo->err->format_message)(cinfo, step->message);
  longjmp(step->jump, 1);
}

void JpegProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxJpegScans) {
    auto* step = reinterpret_cast<JpegStep*>(cinfo->client_data);
    std::snprintf(step->message, sizeof step->message, "JPEG has more than %d scans", kMaxJpegScans);
    longjmp(step->jump, 1);
  }
}

int JpegReadHeader(JpegStep* s, const uint8_t* data, size_t size) {
  if (setjmp(s->jump)) return 1;
  jpeg_create_decompress(&s->cinfo);
  s->created = true;
  s->cinfo.client_data = s;
  s->cinfo.progress = &s->progress;
  jpeg_mem_src(&s->cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&s->cinfo, TRUE);
  return 0;
}

int JpegStart(JpegStep* s) {
  if (setjmp(s->jump)) return 1;
  // Four bytes a pixel: libjpeg-turbo converts to it as fast as to RGB, and
  // whole words pack faster.
  s->cinfo.out_color_space = JCS_EXT_RGBX;
  s->cinfo.scale_num = 1;
  s->cinfo.scale_denom = 1;
  jpeg_start_decompress(&s->cinfo);
  return 0;
}

int JpegReadRows(JpegStep* s, JSAMPARRAY rows, JDIMENSION count, JDIMENSION* got) {
  if (setjmp(s->jump)) return 1;
  *got = jpeg_read_scanlines(&s->cinfo, rows, count);
  return 0;
}

class JpegReader {
 public:
  JpegReader() {
    step_.cinfo.err = jpeg_std_error(&step_.err);
    step_.err.error_exit = JpegErrorExit;
    step_.err.emit_message = JpegEmitMessage;
    step_.progress.progress_monitor = JpegProgress;
    step_.cinfo.client_data = &step_;
  }
  ~JpegReader() {
    if (step_.created) jpeg_destroy_decompress(&step_.cinfo);
  }
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;
  JpegStep& Step() { return step_; }
  [[noreturn]] void Fail() { throw FatalError(step_.message); }

 private:
  JpegStep step_{};
};

void LoadJpeg(TBuffer64& buffer, const uint8_t* data, size_t size, bool videoMemory) {
  JpegReader reader;
  JpegStep& s = reader.Step();
  if (JpegReadHeader(&s, data, size) != 0) {
    // The library refuses an empty frame; the original decoder came back
    // with an empty picture, which has a report of its own. One zero side
    // is as empty as two.
    if (s.err.msg_code == JERR_EMPTY_IMAGE && (s.cinfo.image_width == 0 || s.cinfo.image_height == 0))
      buffer.ReportError("LoadStreamImage", "Error loading JPEG from Stream...");
    reader.Fail();
  }
  // Checked before the decompressor starts: a progressive picture allocates
  // its whole coefficient store there.
  CheckPictureSize(buffer, s.cinfo.image_width, s.cinfo.image_height);
  if (JpegStart(&s) != 0) reader.Fail();
  CopyTarget target(buffer, s.cinfo.output_width, s.cinfo.output_height, videoMemory);
  PictureWriter writer(buffer);
  writer.SetEnabled(target.Enabled());

  JDIMENSION batch = JDIMENSION(std::max(1, s.cinfo.rec_outbuf_height));
  size_t rowBytes = size_t(s.cinfo.output_width) * 4;
  std::vector<uint8_t> block(rowBytes * batch);
  std::vector<JSAMPROW> rows(batch);
  for (JDIMENSION i = 0; i < batch; ++i) rows[i] = block.data() + rowBytes * i;
  while (s.cinfo.output_scanline < s.cinfo.output_height) {
    JDIMENSION first = s.cinfo.output_scanline;
    JDIMENSION got = 0;
    if (JpegReadRows(&s, rows.data(), batch, &got) != 0) reader.Fail();
    if (got == 0) throw FatalError("JPEG: no scanlines decoded");
    for (JDIMENSION i = 0; i < got; ++i) writer.PutRgbxRow(int32_t(first + i), rows[i]);
  }
  // The rest of the file (trailing markers) is not needed.
}

// ---------------------------------------------------------------- BMP --

// A Windows bitmap reader of our own: core and info headers up to version
// 5, 1/4/8-bit palettes, RLE4 and RLE8, 16- and 32-bit with or without bit
// masks, 24-bit, bottom-up and top-down. Alpha is ignored, as the system's
// bitmap copy ignored it.
class BmpReader {
 public:
  BmpReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  void Load(TBuffer64& buffer, bool videoMemory) {
    ReadHeaders();
    if (width_ < 0) Fail("negative width");
    int64_t rows = topDown_ ? -height_ : height_;
    CheckPictureSize(buffer, width_, rows);
    if (compression_ == kRgb || compression_ == kBitFields || compression_ == kAlphaBitFields) {
      int64_t stride = ((width_ * bitCount_ + 31) / 32) * 4;
      // The last row's padding is often left off by writers; do without it.
      int64_t needed = rows > 0 ? stride * (rows - 1) + (width_ * bitCount_ + 7) / 8 : 0;
      if (int64_t(offBits_) > int64_t(size_) || needed > int64_t(size_) - int64_t(offBits_))
        Fail("pixel data cut short");
    } else if (offBits_ >= size_) {
      Fail("pixel data missing");
    }
    CopyTarget target(buffer, width_, rows, videoMemory);
    PictureWriter writer(buffer);
    writer.SetEnabled(target.Enabled());
    for (const auto& c : paletteRgb_) palette_.push_back(writer.Pack(c[0], c[1], c[2]));
    std::vector<uint32_t> line(static_cast<size_t>(width_));
    if (compression_ == kRle8 || compression_ == kRle4) DecodeRle(writer, int32_t(rows), line);
    else DecodePlain(writer, int32_t(rows), line);
  }

 private:
  static constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

  [[noreturn]] static void Fail(const char* why) { throw FatalError(std::string("Invalid BMP file: ") + why); }
  uint32_t U16(size_t at) const {
    if (at + 2 > size_) Fail("header cut short");
    return uint32_t(data_[at]) | uint32_t(data_[at + 1]) << 8;
  }
  uint32_t U32(size_t at) const {
    if (at + 4 > size_) Fail("header cut short");
    return uint32_t(data_[at]) | uint32_t(data_[at + 1]) << 8 | uint32_t(data_[at + 2]) << 16 |
           uint32_t(data_[at + 3]) << 24;
  }

  void ReadHeaders() {
    offBits_ = U32(10);
    uint32_t headerSize = U32(14);
    size_t paletteAt = 14 + size_t(headerSize);
    int entryBytes = 4;
    if (headerSize == 12) {
      // The old core header: 16-bit unsigned sizes, 3-byte palette entries.
      width_ = U16(18);
      height_ = U16(20);
      bitCount_ = U16(24);
      entryBytes = 3;
    } else if (headerSize >= 16 && headerSize <= 1024) {
      width_ = int32_t(U32(18));
      int32_t h = int32_t(U32(22));
      if (h == INT32_MIN) Fail("bad height");
      height_ = h;
      bitCount_ = U16(28);
      if (headerSize >= 20) compression_ = U32(30);
      // OS/2 2.x headers use 3 and 4 for Huffman and RLE24, which we lack.
      if ((headerSize == 16 || headerSize == 64) && compression_ >= 3) Fail("unsupported compression");
      if (headerSize >= 36) coloursUsed_ = U32(46);
    } else {
      Fail("unknown header size");
    }
    topDown_ = height_ < 0;

    bool rle = compression_ == kRle8 || compression_ == kRle4;
    if (compression_ == kRle8 && bitCount_ != 8) Fail("RLE8 needs 8 bits per pixel");
    if (compression_ == kRle4 && bitCount_ != 4) Fail("RLE4 needs 4 bits per pixel");
    if (rle && topDown_) Fail("compressed bitmaps cannot be top-down");

    if (compression_ == kBitFields || compression_ == kAlphaBitFields) {
      if (bitCount_ != 16 && bitCount_ != 32) Fail("bit masks need 16 or 32 bits per pixel");
      // Version 2 and later headers hold the masks; the plain info header
      // is followed by them.
      size_t at = headerSize >= 52 ? 54 : paletteAt;
      masks_[0] = U32(at);
      masks_[1] = U32(at + 4);
      masks_[2] = U32(at + 8);
      if (headerSize < 52) paletteAt += compression_ == kAlphaBitFields ? 16 : 12;
    } else if (compression_ == kRgb) {
      if (bitCount_ == 16) masks_[0] = 0x7C00, masks_[1] = 0x03E0, masks_[2] = 0x001F;
      else if (bitCount_ == 32) masks_[0] = 0xFF0000, masks_[1] = 0xFF00, masks_[2] = 0xFF;
      else if (bitCount_ != 1 && bitCount_ != 4 && bitCount_ != 8 && bitCount_ != 24)
        Fail("unsupported bits per pixel");
    } else if (!rle) {
      Fail("unsupported compression");
    }

    if (bitCount_ <= 8) {
      uint32_t most = 1u << bitCount_;
      uint32_t count = coloursUsed_ == 0 ? most : std::min(coloursUsed_, most);
      for (uint32_t i = 0; i < count; ++i) {
        size_t at = paletteAt + size_t(i) * entryBytes;
        if (at + 3 > size_) Fail("palette cut short");
        paletteRgb_.push_back({data_[at + 2], data_[at + 1], data_[at]});
      }
    }
    for (int i = 0; i < 3; ++i) {
      uint32_t m = masks_[i];
      shifts_[i] = m ? __builtin_ctz(m) : 0;
      maxima_[i] = m >> shifts_[i];
    }
  }

  uint8_t Channel(uint32_t pixel, int i) const {
    if (maxima_[i] == 0) return 0;
    uint64_t v = (pixel & masks_[i]) >> shifts_[i];
    return uint8_t((v * 255 + maxima_[i] / 2) / maxima_[i]);
  }

  uint32_t PaletteColour(uint32_t index) const { return index < palette_.size() ? palette_[index] : 0; }

  void DecodePlain(PictureWriter& writer, int32_t rows, std::vector<uint32_t>& line) {
    size_t stride = size_t(((int64_t(width_) * bitCount_ + 31) / 32) * 4);
    bool standard32 = bitCount_ == 32 && masks_[0] == 0xFF0000 && masks_[1] == 0xFF00 && masks_[2] == 0xFF;
    std::vector<uint32_t> table16;
    if (bitCount_ == 16) {
      // Every 16-bit value once, instead of a division per pixel.
      table16.resize(65536);
      for (uint32_t v = 0; v < 65536; ++v) table16[v] = writer.Pack(Channel(v, 0), Channel(v, 1), Channel(v, 2));
    }
    for (int32_t r = 0; r < rows; ++r) {
      const uint8_t* src = data_ + offBits_ + stride * size_t(r);
      int32_t y = topDown_ ? r : rows - 1 - r;
      for (int32_t x = 0; x < width_; ++x) {
        uint32_t c = 0;
        switch (bitCount_) {
          case 1: c = PaletteColour((src[x >> 3] >> (7 - (x & 7))) & 1); break;
          case 4: c = PaletteColour((src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15); break;
          case 8: c = PaletteColour(src[x]); break;
          case 16: c = table16[uint32_t(src[2 * x]) | uint32_t(src[2 * x + 1]) << 8]; break;
          case 24: c = writer.Pack(src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
          case 32: {
            const uint8_t* p = src + 4 * x;
            if (standard32) {
              c = writer.Pack(p[2], p[1], p[0]);
            } else {
              uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
              c = writer.Pack(Channel(v, 0), Channel(v, 1), Channel(v, 2));
            }
            break;
          }
        }
        line[size_t(x)] = c;
      }
      writer.PutPackedRow(y, line.data());
    }
  }

  // Run-length data, bottom-up. Pixels the runs never reach stay black, as
  // on a fresh surface.
  void DecodeRle(PictureWriter& writer, int32_t rows, std::vector<uint32_t>& line) {
    std::vector<uint16_t> index(size_t(width_) * size_t(rows), kUnset);
    size_t at = offBits_;
    int64_t x = 0, y = 0;  // y counts rows from the bottom
    auto put = [&](uint32_t v) {
      if (x < width_ && y < rows) index[size_t(y) * size_t(width_) + size_t(x)] = uint16_t(v);
      ++x;
    };
    bool four = compression_ == kRle4;
    while (at + 2 <= size_ && y < rows) {
      uint8_t n = data_[at], v = data_[at + 1];
      at += 2;
      if (n > 0) {
        for (int i = 0; i < n; ++i) put(four ? ((i & 1) ? v & 15 : v >> 4) : v);
      } else if (v == 0) {
        x = 0;
        ++y;
      } else if (v == 1) {
        break;
      } else if (v == 2) {
        if (at + 2 > size_) break;
        x += data_[at];
        y += data_[at + 1];
        at += 2;
      } else {
        size_t bytes = four ? (size_t(v) + 1) / 2 : v;
        if (at + bytes > size_) Fail("run cut short");
        for (int i = 0; i < v; ++i)
          put(four ? ((i & 1) ? data_[at + i / 2] & 15 : data_[at + i / 2] >> 4) : data_[at + i]);
        at += (bytes + 1) & ~size_t(1);
      }
    }
    for (int32_t r = 0; r < rows; ++r) {
      const uint16_t* src = index.data() + size_t(r) * size_t(width_);
      for (int32_t i = 0; i < width_; ++i) line[size_t(i)] = src[i] == kUnset ? 0 : PaletteColour(src[i]);
      writer.PutPackedRow(rows - 1 - r, line.data());
    }
  }

  static constexpr uint16_t kUnset = 0xFFFF;
  const uint8_t* data_;
  size_t size_;
  uint32_t offBits_ = 0;
  int64_t width_ = 0, height_ = 0;
  uint32_t bitCount_ = 0, compression_ = kRgb, coloursUsed_ = 0;
  bool topDown_ = false;
  uint32_t masks_[3] = {0, 0, 0};
  int shifts_[3] = {0, 0, 0};
  uint32_t maxima_[3] = {0, 0, 0};
  std::vector<std::array<uint8_t, 3>> paletteRgb_;
  std::vector<uint32_t> palette_;
};

// Puts the stream back where the picture started, whatever happens.
class PositionGuard {
 public:
  PositionGuard(TMemoryStream& stream, size_t position) : stream_(stream), position_(position) {}
  ~PositionGuard() { stream_.SetPosition(position_); }
  PositionGuard(const PositionGuard&) = delete;
  PositionGuard& operator=(const PositionGuard&) = delete;

 private:
  TMemoryStream& stream_;
  size_t position_;
};

}  // namespace

void TBuffer64::LoadKPKImage(TKPK& archive, const std::string& name, bool videoMemory) {
  TMemoryStream stream;
  if (!archive.LoadToStream(name, &stream)) ReportError("LoadKPKImage", "Error loading " + name + "...");
  stream.SetPosition(0);
  try {
    LoadStreamImage(stream, videoMemory);
  } catch (const FatalError& e) {
    // The decoder's message alone does not say which picture was damaged.
    throw FatalError(std::string(e.what()) + ", in entry " + name + " of " + archive.Path());
  }
}

void TBuffer64::LoadStreamImage(TMemoryStream& stream, bool videoMemory) {
  size_t start = stream.Position();
  PositionGuard guard(stream, start);
  uint8_t sig[8];
  size_t got = stream.Read(sig, sizeof sig);
  stream.SetPosition(start);
  const uint8_t* data = start < stream.Size() ? stream.Memory() + start : nullptr;
  size_t size = start < stream.Size() ? stream.Size() - start : 0;
  switch (DetectFormat(sig, got)) {
    case Format::Jpeg: LoadJpeg(*this, data, size, videoMemory); break;
    case Format::Bmp: BmpReader(data, size).Load(*this, videoMemory); break;
    case Format::Png: LoadPng(*this, data, size, videoMemory); break;
    case Format::Unknown: ReportError("LoadStreamImage", "Stream Image format not supported...");
  }
}

}  // namespace kestrel
