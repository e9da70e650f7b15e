// Shared set-up of the archive and loading tests: files in a scratch
// directory, an engine context at a chosen depth, pixel comparisons, and the
// seed corpus for the fuzz targets.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/base/faults.h"
#include "kestrel/buffer64.h"
#include "kestrel/colour.h"
#include "kestrel/error.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/display.h"
#include "kestrel/platform/headless/headless.h"
#include "tests/archive/encoders.h"

namespace archive_test {

namespace fs = std::filesystem;

inline fs::path ScratchDir() {
  fs::path dir = fs::temp_directory_path() / ("kestrel_archive_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir;
}

inline std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  fs::path p = ScratchDir() / name;
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return p.string();
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// With KESTREL_SEED_DIR set, the inputs the tests make are kept as the fuzz
// targets' starting corpus.
inline void SaveSeed(const std::string& kind, const std::string& name, const std::vector<uint8_t>& bytes) {
  const char* dir = std::getenv("KESTREL_SEED_DIR");
  if (!dir || !*dir) return;
  fs::path d = fs::path(dir) / kind;
  fs::create_directories(d);
  std::ofstream(d / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A headless display at `depth` with a 640 x 400 window context on it, run in
// this process's scratch directory so that the error log of one test program
// never meets another's when the tests run side by side.
class Engine {
 public:
  explicit Engine(int depth) : oldDir_(fs::current_path()) {
    fs::current_path(ScratchDir());
    kestrel::platform::ResetPlatform();
    kestrel::ResetEngine();
    kestrel::ClearFaults();
    kestrel::platform::HeadlessOptions opts;
    opts.desktopDepth = depth;
    kestrel::platform::InstallDisplay(std::make_unique<kestrel::platform::HeadlessDisplay>(opts));
    context = std::make_unique<kestrel::TSelfExKestrel>(640, 400, "test", 256);
  }
  ~Engine() {
    context.reset();
    kestrel::ClearFaults();
    kestrel::platform::ResetPlatform();
    kestrel::ResetEngine();
    fs::current_path(oldDir_);
  }
  std::unique_ptr<kestrel::TBuffer64> NewBuffer(int32_t w = 1, int32_t h = 1) {
    return std::make_unique<kestrel::TBuffer64>(*context, w, h, false);
  }
  fs::path oldDir_;
  std::unique_ptr<kestrel::TSelfExKestrel> context;
};

// The pixel as stored, by the buffer's pixel size.
inline uint32_t Stored(const kestrel::TBuffer64& b, int32_t x, int32_t y) {
  const uint8_t* p = b.Rows[size_t(y)] + size_t(x) * b.BytesPerPixel;
  switch (b.BitsPerPixel) {
    case 16: return uint32_t(p[0]) | uint32_t(p[1]) << 8;
    case 24: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    default: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
}

// Every pixel must be exactly MakeColor of the expected colour.
inline ::testing::AssertionResult HoldsPicture(const kestrel::TBuffer64& b, const testpics::Expected& e) {
  if (b.Width != e.w || b.Height != e.h)
    return ::testing::AssertionFailure() << "size " << b.Width << "x" << b.Height << ", expected " << e.w << "x" << e.h;
  for (int y = 0; y < e.h; ++y)
    for (int x = 0; x < e.w; ++x) {
      const uint8_t* c = &e.rgb[(size_t(y) * size_t(e.w) + size_t(x)) * 3];
      uint32_t want = kestrel::MakeColor(c[0], c[1], c[2]);
      uint32_t got = Stored(b, x, y);
      if (got != want)
        return ::testing::AssertionFailure()
               << "pixel (" << x << "," << y << ") is 0x" << std::hex << got << ", MakeColor(" << std::dec << int(c[0])
               << "," << int(c[1]) << "," << int(c[2]) << ") is 0x" << std::hex << want;
    }
  return ::testing::AssertionSuccess();
}

inline std::string ErrorLog() {
  std::string s;
  for (uint8_t c : ReadFile(kestrel::kErrorLogName)) s += char(c);
  return s;
}

}  // namespace archive_test
