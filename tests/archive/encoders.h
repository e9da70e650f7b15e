// Picture and archive writers for the archive and loading tests and the load
// benchmark: PNG and JPEG through libpng and libjpeg, BMP by hand, and KPK
// records by hand so that malformed ones can be made too. Each encoder also
// gives the 8-bit colours a correct loader must end up with.
#pragma once
#include <jpeglib.h>
#include <png.h>
#include <stdio.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace testpics {

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 255;
};

struct Picture {
  int w = 0, h = 0;
  std::vector<Rgba> px;
  Picture() = default;
  Picture(int width, int height) : w(width), h(height), px(size_t(width) * size_t(height)) {}
  Rgba& At(int x, int y) { return px[size_t(y) * size_t(w) + size_t(x)]; }
  const Rgba& At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

// What the buffer must hold: 8-bit colours, row after row.
struct Expected {
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
};

// Colours the game compares against (key, mask colours) and some that lose
// low bits at 15 and 16 bits.
inline const Rgba kPalette[16] = {{232, 252, 252, 255}, {0, 0, 0, 255},     {255, 255, 255, 255}, {255, 0, 0, 255},
                                  {0, 255, 0, 255},     {0, 0, 255, 255},   {1, 2, 3, 255},       {7, 3, 250, 255},
                                  {128, 64, 32, 255},   {33, 99, 201, 255}, {200, 180, 5, 255},   {12, 240, 130, 255},
                                  {90, 90, 90, 255},    {254, 1, 127, 255}, {66, 6, 166, 255},    {10, 20, 30, 255}};

// A deterministic picture with every channel value mixed across it.
inline Picture Pattern(int w, int h, bool withAlpha = false) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Rgba& c = p.At(x, y);
      c.r = uint8_t(x * 37 + y * 11);
      c.g = uint8_t(x * 5 + y * 53 + 17);
      c.b = uint8_t((x ^ y) * 29 + 101);
      c.a = withAlpha ? uint8_t((x * 7 + y * 13) % 4 == 0 ? 0 : (x * 7 + y * 13) * 9) : 255;
      if ((x + y) % 9 == 0) c = kPalette[0];  // some key-coloured pixels
    }
  return p;
}

inline uint8_t Flatten(uint8_t c, uint8_t a) { return uint8_t((unsigned(c) * a + 127) / 255); }

inline Expected FromPicture(const Picture& p, bool flatten) {
  Expected e{p.w, p.h, {}};
  for (const Rgba& c : p.px) {
    uint8_t a = flatten ? c.a : 255;
    e.rgb.push_back(Flatten(c.r, a));
    e.rgb.push_back(Flatten(c.g, a));
    e.rgb.push_back(Flatten(c.b, a));
  }
  return e;
}

// ------------------------------------------------------------------ PNG --

struct PngSpec {
  int colourType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlace = false;
  bool trns = false;  // palette: some entries see-through; RGB/gray: one key colour
};

namespace detail {
inline void PngWriteFn(png_structp png, png_bytep data, size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
inline void PngFlushFn(png_structp) {}
// Kept free of C++ objects so the error jump skips no destructor.
inline int PngWrite(png_structp png, png_infop info, std::vector<uint8_t>* out, uint32_t w, uint32_t h,
                    const PngSpec* spec, png_colorp palette, int paletteSize, png_bytep trnsAlpha, int trnsCount,
                    png_color_16p trnsColour, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return 1;
  png_set_write_fn(png, out, PngWriteFn, PngFlushFn);
  png_set_IHDR(png, info, w, h, spec->bitDepth, spec->colourType,
               spec->interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (spec->colourType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, paletteSize);
  if (trnsCount > 0 || trnsColour) png_set_tRNS(png, info, trnsAlpha, trnsCount, trnsColour);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  return 0;
}
inline void PutSample(std::vector<uint8_t>& row, int x, int depth, unsigned v) {
  if (depth == 16) {
    row[size_t(2 * x)] = uint8_t(v >> 8);
    row[size_t(2 * x + 1)] = uint8_t(v);
  } else if (depth == 8) {
    row[size_t(x)] = uint8_t(v);
  } else {
    int perByte = 8 / depth;
    int shift = 8 - depth * (x % perByte + 1);
    row[size_t(x / perByte)] |= uint8_t(v << shift);
  }
}
}  // namespace detail

// Encodes `src` in the variant `spec` describes. The picture's colours are first reduced to
// what the format can hold; `expected` gets the colours after the loader's
// expansion and flattening over black.
inline std::vector<uint8_t> EncodePng(const Picture& src, const PngSpec& spec, Expected* expected) {
  int w = src.w, h = src.h, d = spec.bitDepth;
  int samples = spec.colourType == PNG_COLOR_TYPE_RGB          ? 3
                : spec.colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                : spec.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                               : 1;
  size_t rowBytes = (size_t(w) * samples * d + 7) / 8;
  std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(h), std::vector<uint8_t>(rowBytes));
  Expected e{w, h, {}};
  std::vector<png_color> palette;
  std::vector<uint8_t> trnsAlpha;
  png_color_16 key{};
  bool useKey = false;
  unsigned maxLevel = (1u << d) - 1;
  if (spec.colourType == PNG_COLOR_TYPE_PALETTE) {
    int n = std::min(1 << d, 16);
    for (int i = 0; i < n; ++i) {
      palette.push_back({kPalette[i].r, kPalette[i].g, kPalette[i].b});
      if (spec.trns) trnsAlpha.push_back(uint8_t(i == 1 ? 0 : i == 2 ? 128 : 255 - i));
    }
  }
  if (spec.trns && spec.colourType == PNG_COLOR_TYPE_RGB) {
    useKey = true;
    key.red = key.green = key.blue = 0;
    key.red = uint16_t(d == 16 ? 232 * 257 : 232);
    key.green = key.blue = uint16_t(d == 16 ? 252 * 257 : 252);
  }
  if (spec.trns && spec.colourType == PNG_COLOR_TYPE_GRAY) {
    useKey = true;
    key.gray = uint16_t(maxLevel / 3);
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Rgba c = src.At(x, y);
      uint8_t er = 0, eg = 0, eb = 0;
      auto& row = rows[size_t(y)];
      switch (spec.colourType) {
        case PNG_COLOR_TYPE_PALETTE: {
          int n = int(palette.size());
          int i = (x * 3 + y * 5) % n;
          detail::PutSample(row, x, d, unsigned(i));
          uint8_t a = spec.trns ? trnsAlpha[size_t(i)] : 255;
          er = Flatten(palette[size_t(i)].red, a);
          eg = Flatten(palette[size_t(i)].green, a);
          eb = Flatten(palette[size_t(i)].blue, a);
          break;
        }
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_GRAY_ALPHA: {
          unsigned level = d == 16 ? c.r * 257u : unsigned(c.r) >> (8 - d);
          uint8_t v = uint8_t(d == 16 ? c.r : level * 255 / maxLevel);
          uint8_t a = 255;
          if (spec.colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            detail::PutSample(row, 2 * x, d, level);
            detail::PutSample(row, 2 * x + 1, d, d == 16 ? c.a * 257u : c.a);
            a = c.a;
          } else {
            detail::PutSample(row, x, d, level);
            if (useKey && level == key.gray) a = 0;
          }
          er = eg = eb = Flatten(v, a);
          break;
        }
        default: {
          unsigned m = d == 16 ? 257 : 1;
          detail::PutSample(row, samples * x, d, c.r * m);
          detail::PutSample(row, samples * x + 1, d, c.g * m);
          detail::PutSample(row, samples * x + 2, d, c.b * m);
          uint8_t a = 255;
          if (samples == 4) {
            detail::PutSample(row, samples * x + 3, d, c.a * m);
            a = c.a;
          } else if (useKey && c.r * m == key.red && c.g * m == key.green && c.b * m == key.blue) {
            a = 0;
          }
          er = Flatten(c.r, a);
          eg = Flatten(c.g, a);
          eb = Flatten(c.b, a);
        }
      }
      e.rgb.push_back(er);
      e.rgb.push_back(eg);
      e.rgb.push_back(eb);
    }
  }
  std::vector<png_bytep> rowPtrs;
  for (auto& r : rows) rowPtrs.push_back(r.data());
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  int rc = detail::PngWrite(png, info, &out, uint32_t(w), uint32_t(h), &spec, palette.data(), int(palette.size()),
                            trnsAlpha.empty() ? nullptr : trnsAlpha.data(), int(trnsAlpha.size()),
                            useKey ? &key : nullptr, rowPtrs.data());
  png_destroy_write_struct(&png, &info);
  if (rc != 0) throw std::runtime_error("test PNG encoder failed");
  if (expected) *expected = std::move(e);
  return out;
}

// 8-bit RGB PNG of the picture (alpha ignored).
inline std::vector<uint8_t> EncodePngRgb(const Picture& src) { return EncodePng(src, {}, nullptr); }

// ----------------------------------------------------------------- JPEG --

struct JpegSpec {
  bool progressive = false;
  bool grayscale = false;
  int quality = 90;
};

inline std::vector<uint8_t> EncodeJpeg(const Picture& src, const JpegSpec& spec) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = JDIMENSION(src.w);
  c.image_height = JDIMENSION(src.h);
  c.input_components = spec.grayscale ? 1 : 3;
  c.in_color_space = spec.grayscale ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, spec.quality, TRUE);
  if (spec.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(size_t(src.w) * 3);
  while (c.next_scanline < c.image_height) {
    int y = int(c.next_scanline);
    for (int x = 0; x < src.w; ++x) {
      const Rgba& p = src.At(x, y);
      if (spec.grayscale) {
        row[size_t(x)] = p.g;
      } else {
        row[size_t(3 * x)] = p.r;
        row[size_t(3 * x + 1)] = p.g;
        row[size_t(3 * x + 2)] = p.b;
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> out(mem, mem + size);
  jpeg_destroy_compress(&c);
  free(mem);
  return out;
}

// Decodes a JPEG to 8-bit RGB with libjpeg directly: the reference for what
// the engine's loader must give (JPEG is lossy, so the source is not).
inline Expected DecodeJpegReference(const std::vector<uint8_t>& data) {
  jpeg_decompress_struct d{};
  jpeg_error_mgr err{};
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d);
  Expected e{int(d.output_width), int(d.output_height), {}};
  e.rgb.resize(size_t(e.w) * size_t(e.h) * 3);
  while (d.output_scanline < d.output_height) {
    JSAMPROW r = e.rgb.data() + size_t(d.output_scanline) * size_t(e.w) * 3;
    jpeg_read_scanlines(&d, &r, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return e;
}

// ------------------------------------------------------------------ BMP --

struct BmpSpec {
  int bitCount = 24;    // 1, 4, 8, 16, 24, 32
  int compression = 0;  // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields
  bool topDown = false;
  int headerSize = 40;  // 12 (core), 40, 108, 124
  bool rgb565 = false;  // 16-bit with bit fields 5-6-5
};

namespace detail {
inline void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}
inline uint8_t Scale(unsigned v, unsigned max) { return uint8_t((v * 255 + max / 2) / max); }

// Runs of equal indices, absolute mode for mixed stretches, per row.
inline void RleRow(std::vector<uint8_t>& out, const std::vector<uint8_t>& idx, bool four) {
  size_t n = idx.size(), i = 0;
  while (i < n) {
    size_t run = 1;
    while (i + run < n && run < 255 && idx[i + run] == idx[i]) ++run;
    if (run >= 3 || n - i < 3) {
      out.push_back(uint8_t(run));
      out.push_back(four ? uint8_t(idx[i] << 4 | idx[i]) : idx[i]);
      i += run;
      continue;
    }
    size_t lit = 0;
    while (i + lit < n && lit < 255) {
      if (i + lit + 2 < n && idx[i + lit] == idx[i + lit + 1] && idx[i + lit] == idx[i + lit + 2]) break;
      ++lit;
    }
    if (lit < 3) lit = std::min<size_t>(3, n - i);
    out.push_back(0);
    out.push_back(uint8_t(lit));
    size_t bytes = 0;
    for (size_t k = 0; k < lit; k += four ? 2 : 1, ++bytes) {
      if (four) {
        uint8_t hi = idx[i + k], lo = k + 1 < lit ? idx[i + k + 1] : 0;
        out.push_back(uint8_t(hi << 4 | lo));
      } else {
        out.push_back(idx[i + k]);
      }
    }
    if (bytes & 1) out.push_back(0);
    i += lit;
  }
  out.push_back(0);
  out.push_back(0);
}
}  // namespace detail

inline std::vector<uint8_t> EncodeBmp(const Picture& src, const BmpSpec& spec, Expected* expected) {
  int w = src.w, h = src.h, bc = spec.bitCount;
  bool core = spec.headerSize == 12;
  Expected e{w, h, std::vector<uint8_t>(size_t(w) * size_t(h) * 3)};
  int paletteSize = bc <= 8 ? std::min(1 << bc, 16) : 0;
  // Indices and colours, top row first.
  std::vector<std::vector<uint8_t>> idx(static_cast<size_t>(h), std::vector<uint8_t>(static_cast<size_t>(w)));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Rgba c = src.At(x, y);
      uint8_t* o = &e.rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
      if (paletteSize) {
        // Runs of equal indices so RLE has something to squeeze.
        uint8_t i = uint8_t(((x / 3) + y * 2) % paletteSize);
        idx[size_t(y)][size_t(x)] = i;
        o[0] = kPalette[i].r, o[1] = kPalette[i].g, o[2] = kPalette[i].b;
      } else if (bc == 16) {
        unsigned gm = spec.rgb565 ? 63 : 31;
        unsigned r5 = c.r >> 3, g = spec.rgb565 ? c.g >> 2 : c.g >> 3, b5 = c.b >> 3;
        o[0] = detail::Scale(r5, 31), o[1] = detail::Scale(g, gm), o[2] = detail::Scale(b5, 31);
      } else {
        o[0] = c.r, o[1] = c.g, o[2] = c.b;
      }
    }
  std::vector<uint8_t> pixels;
  if (spec.compression == 1 || spec.compression == 2) {
    for (int r = h - 1; r >= 0; --r) detail::RleRow(pixels, idx[size_t(r)], spec.compression == 2);
    pixels.push_back(0);
    pixels.push_back(1);
  } else {
    size_t stride = ((size_t(w) * bc + 31) / 32) * 4;
    for (int r = 0; r < h; ++r) {
      int y = spec.topDown ? r : h - 1 - r;
      std::vector<uint8_t> row(stride);
      for (int x = 0; x < w; ++x) {
        Rgba c = src.At(x, y);
        switch (bc) {
          case 1: row[size_t(x / 8)] |= uint8_t(idx[size_t(y)][size_t(x)] << (7 - x % 8)); break;
          case 4: row[size_t(x / 2)] |= uint8_t(idx[size_t(y)][size_t(x)] << (x % 2 ? 0 : 4)); break;
          case 8: row[size_t(x)] = idx[size_t(y)][size_t(x)]; break;
          case 16: {
            uint16_t v = spec.rgb565 ? uint16_t((c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3)
                                     : uint16_t((c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3);
            row[size_t(2 * x)] = uint8_t(v), row[size_t(2 * x + 1)] = uint8_t(v >> 8);
            break;
          }
          case 24: row[size_t(3 * x)] = c.b, row[size_t(3 * x + 1)] = c.g, row[size_t(3 * x + 2)] = c.r; break;
          case 32:
            row[size_t(4 * x)] = c.b, row[size_t(4 * x + 1)] = c.g, row[size_t(4 * x + 2)] = c.r;
            row[size_t(4 * x + 3)] = 0x5A;  // alpha or junk: must be ignored
            break;
        }
      }
      pixels.insert(pixels.end(), row.begin(), row.end());
    }
  }
  std::vector<uint8_t> dib;
  bool masksInHeader = spec.headerSize >= 52;
  bool fields = spec.compression == 3;
  uint32_t masks[3] = {0, 0, 0};
  if (fields && bc == 16)
    masks[0] = spec.rgb565 ? 0xF800 : 0x7C00, masks[1] = spec.rgb565 ? 0x07E0 : 0x03E0, masks[2] = 0x1F;
  if (fields && bc == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  if (core) {
    detail::Put32(dib, 12);
    detail::Put16(dib, uint32_t(w));
    detail::Put16(dib, uint32_t(h));
    detail::Put16(dib, 1);
    detail::Put16(dib, uint32_t(bc));
  } else {
    detail::Put32(dib, uint32_t(spec.headerSize));
    detail::Put32(dib, uint32_t(w));
    detail::Put32(dib, uint32_t(spec.topDown ? -h : h));
    detail::Put16(dib, 1);
    detail::Put16(dib, uint32_t(bc));
    detail::Put32(dib, uint32_t(spec.compression));
    detail::Put32(dib, uint32_t(pixels.size()));
    detail::Put32(dib, 2835);
    detail::Put32(dib, 2835);
    detail::Put32(dib, uint32_t(paletteSize));
    detail::Put32(dib, 0);
    if (masksInHeader) {
      for (uint32_t m : masks) detail::Put32(dib, m);
      while (dib.size() < size_t(spec.headerSize)) dib.push_back(0);
    } else if (fields) {
      for (uint32_t m : masks) detail::Put32(dib, m);
    }
  }
  for (int i = 0; i < paletteSize; ++i) {
    dib.push_back(kPalette[i].b);
    dib.push_back(kPalette[i].g);
    dib.push_back(kPalette[i].r);
    if (!core) dib.push_back(0);
  }
  std::vector<uint8_t> out = {'B', 'M'};
  detail::Put32(out, uint32_t(14 + dib.size() + pixels.size()));
  detail::Put32(out, 0);
  detail::Put32(out, uint32_t(14 + dib.size()));
  out.insert(out.end(), dib.begin(), dib.end());
  out.insert(out.end(), pixels.begin(), pixels.end());
  if (expected) *expected = std::move(e);
  return out;
}

// ------------------------------------------------------------------ KPK --

inline std::vector<uint8_t> Zlib(const std::vector<uint8_t>& data, int level = 9) {
  uLongf size = compressBound(uLong(data.size()));
  std::vector<uint8_t> out(size);
  if (compress2(out.data(), &size, data.data(), uLong(data.size()), level) != Z_OK)
    throw std::runtime_error("compress2 failed");
  out.resize(size);
  return out;
}

// One record as it lies in the file; every field may be made wrong on purpose.
struct Record {
  std::string name;
  int32_t unpacked = 0;
  std::vector<uint8_t> packed;
  int32_t nameLength = -1;  // -1: the name's length
  int32_t packedSize = -1;  // -1: the packed bytes' length
};

inline Record Entry(const std::string& name, const std::vector<uint8_t>& content) {
  return Record{name, int32_t(content.size()), Zlib(content)};
}

inline void PutInt(std::vector<uint8_t>& out, int32_t v) { detail::Put32(out, uint32_t(v)); }

inline std::vector<uint8_t> Archive(const std::vector<Record>& records, std::optional<int32_t> count = std::nullopt) {
  std::vector<uint8_t> out;
  PutInt(out, count.value_or(int32_t(records.size())));
  for (const Record& r : records) {
    PutInt(out, r.nameLength == -1 ? int32_t(r.name.size()) : r.nameLength);
    out.insert(out.end(), r.name.begin(), r.name.end());
    PutInt(out, r.unpacked);
    PutInt(out, r.packedSize == -1 ? int32_t(r.packed.size()) : r.packedSize);
    out.insert(out.end(), r.packed.begin(), r.packed.end());
  }
  return out;
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace testpics
