#include "kestrel/base/screenshot.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace kestrel {

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

// The pictures folder user-dirs.dirs names: a line XDG_PICTURES_DIR="..."
// whose value is an absolute path or one under "$HOME/".
std::string UserDirsPictures(const std::string& home) {
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') config = home.empty() ? "" : home + "/.config";
  if (config.empty()) return "";
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line, found;
  const std::string key = "XDG_PICTURES_DIR=";
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
    value = value.substr(1, value.size() - 2);
    if (value.compare(0, 6, "$HOME/") == 0 && !home.empty()) found = home + value.substr(5);
    else if (!value.empty() && value[0] == '/') found = value;
  }
  return found;
}

}  // namespace

std::string ScreenshotFolder() {
  const std::string home = Env("HOME");
  std::string found = ".";
  for (const std::string& folder :
       {Env("XDG_PICTURES_DIR"), UserDirsPictures(home), home.empty() ? std::string() : home + "/Pictures"}) {
    if (IsFolder(folder)) {
      found = folder;
      break;
    }
  }
  // The line that says where names a place the player can find from
  // anywhere, not one relative to where the game was started.
  std::error_code ec;
  const fs::path absolute = fs::absolute(found, ec).lexically_normal();
  if (ec) return found;
  std::string path = absolute.string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string ScreenshotName(const std::string& name, const std::tm& when) {
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &when);
  return name + "-" + stamp + ".png";
}

std::string WritePng(const std::string& path, const uint8_t* xrgb, int32_t pitch, int32_t width, int32_t height) {
  if (!xrgb || width <= 0 || height <= 0) return "there is no picture";
  // "x": a file already there is the player's, not ours to replace.
  FILE* f = std::fopen(path.c_str(), "wbx");
  if (!f) return std::strerror(errno);
  std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = xrgb + size_t(y) * size_t(pitch);
    uint8_t* out = &rgb[size_t(y) * size_t(width) * 3];
    for (int32_t x = 0; x < width; ++x, out += 3) {
      uint32_t p;
      std::memcpy(&p, in + 4 * size_t(x), 4);
      out[0] = uint8_t(p >> 16);
      out[1] = uint8_t(p >> 8);
      out[2] = uint8_t(p);
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = uint32_t(width);
  image.height = uint32_t(height);
  image.format = PNG_FORMAT_RGB;
  errno = 0;
  std::string why;
  if (!png_image_write_to_stdio(&image, f, 0, rgb.data(), width * 3, nullptr))
    why = errno ? std::strerror(errno) : image.message;
  // A full disk may only show when the last block is flushed.
  if (std::fflush(f) != 0 && why.empty()) why = std::strerror(errno);
  if (std::fclose(f) != 0 && why.empty()) why = std::strerror(errno);
  if (!why.empty()) std::remove(path.c_str());
  return why;
}

std::string SaveScreenshot(const std::string& name, const uint8_t* xrgb, int32_t pitch, int32_t width, int32_t height) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::string folder = ScreenshotFolder();
  const std::string file = ScreenshotName(name, local);
  std::string path = folder + "/" + file, why;
  for (int n = 2; n < 100; ++n) {
    why = WritePng(path, xrgb, pitch, width, height);
    if (why.empty() || why != std::strerror(EEXIST)) break;
    path = folder + "/" + file.substr(0, file.size() - 4) + "-" + std::to_string(n) + ".png";
  }
  if (!why.empty()) {
    std::fprintf(stderr, "%s: cannot save a screenshot to %s: %s\n", name.c_str(), path.c_str(), why.c_str());
    return "";
  }
  std::printf("%s: screenshot saved to %s\n", name.c_str(), path.c_str());
  std::fflush(stdout);
  return path;
}

}  // namespace kestrel
