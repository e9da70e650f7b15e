#include "tools/datagen/encode.h"

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace datagen {
namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp) {}

// libpng reports by longjmp through its own C frames, so C++ exceptions must
// not cross them: the message is kept and thrown after setjmp returns.
thread_local char png_message[256];

void PngError(png_structp png, png_const_charp message) {
  std::snprintf(png_message, sizeof png_message, "png: %s", message);
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

struct PngReader {
  const std::vector<uint8_t>* bytes;
  size_t at = 0;
};

void PngRead(png_structp png, png_bytep data, png_size_t length) {
  auto* in = static_cast<PngReader*>(png_get_io_ptr(png));
  if (in->at + length > in->bytes->size()) png_error(png, "file is cut short");
  std::memcpy(data, in->bytes->data() + in->at, length);
  in->at += length;
}

// libjpeg reports through longjmp; the message is kept so it can be thrown
// once we are back in C++ frames.
struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void JpegExit(j_common_ptr info) {
  auto* err = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

}  // namespace

std::vector<uint8_t> EncodePng(const Image& image) {
  auto* out = new std::vector<uint8_t>();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) throw std::runtime_error("png: out of memory");
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    delete out;
    throw std::runtime_error(png_message);
  }
  png_set_write_fn(png, out, PngWrite, PngFlush);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) png_write_row(png, image.rgb.data() + size_t(y) * image.width * 3);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::vector<uint8_t> result = std::move(*out);
  delete out;
  return result;
}

Image DecodePng(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) throw std::runtime_error("png: not a PNG file");
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) throw std::runtime_error("png: out of memory");
  png_infop info = png_create_info_struct(png);
  PngReader reader{&bytes};
  auto* image = new Image();
  // Set after setjmp, so it must live in memory for the error path to see it.
  png_bytep* volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    delete image;
    delete[] rows;
    throw std::runtime_error(png_message);
  }
  png_set_read_fn(png, &reader, PngRead);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_read_update_info(png, info);
  *image = Image(int(png_get_image_width(png, info)), int(png_get_image_height(png, info)));
  rows = new png_bytep[size_t(image->height)];
  for (int y = 0; y < image->height; ++y) rows[y] = image->rgb.data() + size_t(y) * image->width * 3;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  delete[] rows;
  Image result = std::move(*image);
  delete image;
  return result;
}

std::vector<uint8_t> EncodeJpeg(const Image& image, int quality) {
  jpeg_compress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegExit;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    throw std::runtime_error(std::string("jpeg: ") + err.message);
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(image.width);
  cinfo.image_height = JDIMENSION(image.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  // Full-resolution chroma: the pictures hold thin coloured lines and text.
  for (int c = 0; c < cinfo.num_components; ++c)
    cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  cinfo.dct_method = JDCT_ISLOW;
  cinfo.optimize_coding = TRUE;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.rgb.data() + size_t(cinfo.next_scanline) * image.width * 3);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

Image DecodeJpeg(const std::vector<uint8_t>& bytes) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegExit;
  // Kept outside the jump's reach: nothing with a destructor lives between
  // setjmp and the calls that may jump.
  Image* image = new Image();
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    delete image;
    throw std::runtime_error(std::string("jpeg: ") + err.message);
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  cinfo.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&cinfo);
  *image = Image(int(cinfo.output_width), int(cinfo.output_height));
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image->rgb.data() + size_t(cinfo.output_scanline) * image->width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  Image result = std::move(*image);
  delete image;
  return result;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

}  // namespace datagen
