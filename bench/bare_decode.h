// The baselines the loading benchmarks compare with: libpng and libjpeg(-turbo)
// decoding a whole file to 8-bit RGB in memory, with nothing else around them.
#pragma once
#include <jpeglib.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace bench {

inline void PngToRgb(const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) std::abort();
  image.format = PNG_FORMAT_RGB;
  out.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr)) std::abort();
}

inline void JpegToRgb(const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
  jpeg_decompress_struct d{};
  jpeg_error_mgr err{};
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d);
  const size_t stride = size_t(d.output_width) * 3;
  out.resize(stride * d.output_height);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = out.data() + stride * d.output_scanline;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
}

}  // namespace bench
