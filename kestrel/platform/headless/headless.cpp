#include "kestrel/platform/headless/headless.h"
#include "kestrel/platform/input.h"

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "kestrel/base/picture_hash.h"
#include "kestrel/platform/environment.h"
#include "kestrel/platform/errors.h"
#include "kestrel/platform/sound.h"

namespace kestrel::platform {

namespace {

// Writes all of `size` bytes. A log read through a pipe can make the write
// wait; a signal that comes meanwhile does not cost the line, and the game
// sees the signal at its next message pump.
bool WriteWhole(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
  }
  return true;
}

// Writes 8-bit RGB rows as a PNG; false when the file cannot be written.
bool WriteRgbPng(const std::string& path, const std::vector<uint8_t>& rgb, int32_t width, int32_t height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = uint32_t(width);
  image.height = uint32_t(height);
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), width * 3, nullptr) != 0;
}

}  // namespace

HeadlessOptions HeadlessOptions::FromEnvironment() {
  CheckEnvironment();
  HeadlessOptions o;
  if (auto d = EnvChoice("KESTREL_DEPTH", {"15", "16", "24", "32"})) o.desktopDepth = std::stoi(*d);
  o.answer = AnswerFromEnvironment();
  o.maxFrames =
      EnvWholeNumber("KESTREL_MAX_FRAMES", 0, INT64_MAX / 2, "a whole number of frames, 0 or more").value_or(-1);
  o.inputScript = EnvValue("KESTREL_INPUT").value_or("");
  o.frameLog = EnvValue("KESTREL_FRAMELOG").value_or("");
  o.captureDir = EnvValue("KESTREL_CAPTURE").value_or("");
  o.captureEvery =
      int(EnvWholeNumber("KESTREL_CAPTURE_EVERY", 1, INT32_MAX, "a whole number of frames, 1 or more").value_or(1));
  return o;
}

HeadlessDisplay::HeadlessDisplay(HeadlessOptions options) : options_(std::move(options)) {
  // The file settings are checked here, before the first frame, so that a
  // run that cannot keep its log or its pictures stops at once instead of
  // warning on every frame.
  if (!options_.inputScript.empty()) QueueEvents(LoadInputScript(options_.inputScript));
  if (!options_.captureDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(options_.captureDir, ec);
    if (!std::filesystem::is_directory(options_.captureDir))
      EnvUnusable("KESTREL_CAPTURE", options_.captureDir,
                  ec ? "cannot make the folder (" + ec.message() + ")" : std::string("it is not a folder"));
    if (::access(options_.captureDir.c_str(), W_OK | X_OK) != 0)
      EnvUnusable("KESTREL_CAPTURE", options_.captureDir,
                  std::string("cannot write into it (") + std::strerror(errno) + ")");
  }
  // Last, so that a refused setting above leaves no empty log behind.
  if (!options_.frameLog.empty()) {
    std::error_code ec;
    if (std::filesystem::is_directory(options_.frameLog, ec))
      EnvUnusable("KESTREL_FRAMELOG", options_.frameLog, "it is a folder; name a file to write");
    frameLog_ = std::fopen(options_.frameLog.c_str(), "w");
    if (!frameLog_)
      EnvUnusable("KESTREL_FRAMELOG", options_.frameLog, std::string("cannot write it (") + std::strerror(errno) + ")");
  }
}

HeadlessDisplay::~HeadlessDisplay() {
  if (frameLog_) std::fclose(frameLog_);
}

std::vector<ModeEntry> HeadlessDisplay::DisplayModes() const {
  if (!options_.offerModes) return {};
  if (!options_.modes.empty()) return options_.modes;
  std::vector<ModeEntry> modes;
  for (int bits : {15, 16, 24, 32}) modes.push_back({320, 200, bits, 60});
  modes.push_back({options_.screenWidth, options_.screenHeight, options_.desktopDepth, 60});
  return modes;
}

HResult HeadlessDisplay::OpenWindow(WindowHandle, const std::string&, int32_t, int32_t, bool) {
  windowOpen_ = true;
  closeSent_ = false;
  ApplyDueEvents();
  return DD_OK;
}

void HeadlessDisplay::CloseWindow(WindowHandle) { windowOpen_ = false; }

HResult HeadlessDisplay::ChangeMode(int32_t, int32_t, int32_t) {
  modeChanged_ = true;
  return DD_OK;
}

void HeadlessDisplay::RestoreMode() { modeChanged_ = false; }

void HeadlessDisplay::ShowFrame(const Surface& picture, const Rect& area) {
  lastWidth_ = area.Width();
  lastHeight_ = area.Height();
  rawDepth_ = picture.Depth();
  const size_t rowBytes = size_t(lastWidth_) * size_t(picture.BytesPerPixel());
  rawFrame_.resize(rowBytes * size_t(lastHeight_));
  for (int32_t y = 0; y < lastHeight_; ++y)
    std::memcpy(rawFrame_.data() + size_t(y) * rowBytes,
                picture.Pixels() + size_t(area.top + y) * size_t(picture.Pitch()) +
                    size_t(area.left) * size_t(picture.BytesPerPixel()),
                rowBytes);
  rgbValid_ = hashValid_ = false;
}

const std::vector<uint8_t>& HeadlessDisplay::LastFrame() const {
  if (!rgbValid_) {
    const int bpp = BytesPerPixelOfDepth(rawDepth_);
    const size_t pixels = bpp ? rawFrame_.size() / size_t(bpp) : 0;
    lastFrame_.resize(pixels * 3);
    for (size_t i = 0; i < pixels; ++i) {
      uint32_t p = 0;
      for (int b = 0; b < bpp; ++b) p |= uint32_t(rawFrame_[i * size_t(bpp) + size_t(b)]) << (8 * b);
      PixelToRgb(p, rawDepth_, lastFrame_[i * 3], lastFrame_[i * 3 + 1], lastFrame_[i * 3 + 2]);
    }
    rgbValid_ = true;
  }
  return lastFrame_;
}

uint64_t HeadlessDisplay::LastFrameHash() const {
  if (!hashValid_) {
    lastHash_ = HashPicture(rawFrame_.data(), size_t(lastWidth_) * size_t(BytesPerPixelOfDepth(rawDepth_)), rawDepth_,
                            lastWidth_, lastHeight_);
    hashValid_ = true;
  }
  return lastHash_;
}

void HeadlessDisplay::WaitForVerticalBlank() { ++vblankWaits_; }

void HeadlessDisplay::PollEvents() { ApplyDueEvents(); }

bool HeadlessDisplay::AskYesNo(const std::string& caption, const std::string& text) {
  questions_.push_back(caption + ": " + text);
  return options_.answer == 1;
}

void HeadlessDisplay::ShowErrorMessage(const std::string& caption, const std::string& text) {
  errors_.push_back(caption + ": " + text);
}

void HeadlessDisplay::QueueEvents(std::vector<ScriptEvent> events) {
  TakeScriptBindings(events, scriptBindings_);
  for (ScriptEvent& e : events) {
    // Keep the queue ordered by frame; events of one frame keep their order.
    auto at = events_.end();
    while (at != events_.begin() && std::prev(at)->frame > e.frame) --at;
    events_.insert(at, e);
  }
}

void HeadlessDisplay::PressKey(uint8_t code, bool down) {
  input_.keys[code] = down ? 0x80 : 0;
  if (down) input_.keyPressedAt[code] = framesPresented_ + 1;
}

void HeadlessDisplay::ApplyDueEvents() {
  while (!events_.empty() && events_.front().frame <= framesPresented_) {
    const ScriptEvent e = events_.front();
    events_.pop_front();
    switch (e.type) {
      case ScriptEvent::Type::Key: PressKey(uint8_t(e.code), e.down); break;
      case ScriptEvent::Type::Mouse: input_.mouse = Point{e.x, e.y}; break;
      case ScriptEvent::Type::Button:
        input_.buttonEvents.push_back({e.code, e.down});
        if (e.down) input_.buttonPressedAt[size_t(e.code)] = framesPresented_ + 1;
        break;
      case ScriptEvent::Type::Close: RequestClose(); break;
      // Every device is lost once, as when the window loses the focus; a
      // recording lists the keys that were let go with it.
      case ScriptEvent::Type::FocusLost: LoseHeadlessDevices(); break;
      case ScriptEvent::Type::Bind: break;
    }
  }
}

void HeadlessDisplay::AfterFrame() {
  const uint64_t frame = framesPresented_;
  if (frameLog_) {
    char line[48];
    const int n = std::snprintf(line, sizeof line, "%llu %016llx\n", static_cast<unsigned long long>(frame),
                                static_cast<unsigned long long>(LastFrameHash()));
    if (!WriteWhole(fileno(frameLog_), line, size_t(n)))
      throw std::runtime_error("Cannot write file " + options_.frameLog);
  }
  if (!options_.captureDir.empty() && frame % uint64_t(options_.captureEvery) == 0) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06llu.png", static_cast<unsigned long long>(frame));
    // A picture that cannot be written (a full disk) ends the run: a capture
    // with holes in it is no record of the run.
    if (!WriteRgbPng(options_.captureDir + name, LastFrame(), lastWidth_, lastHeight_))
      throw std::runtime_error("Cannot write file " + options_.captureDir + name);
  }
  if (options_.maxFrames >= 0 && int64_t(frame) >= options_.maxFrames && !closeSent_) {
    closeSent_ = true;
    RequestClose();
  }
  ApplyDueEvents();
}

std::unique_ptr<InputBackend> HeadlessDisplay::CreateInputBackend() { return CreateHeadlessInput(); }

std::unique_ptr<SoundBackend> HeadlessDisplay::CreateSoundBackend() { return CreateHeadlessSoundBackend(); }

std::unique_ptr<Display> CreateHeadlessDisplayFromEnvironment() {
  return std::make_unique<HeadlessDisplay>(HeadlessOptions::FromEnvironment());
}

}  // namespace kestrel::platform
