// Screenshots: where they go, what they are called, and writing one as a PNG.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>

namespace kestrel {

// The folder screenshots go to: $XDG_PICTURES_DIR, else the pictures folder
// that user-dirs.dirs names, else ~/Pictures, else the current folder, as an
// absolute path. A folder that does not exist is passed over.
std::string ScreenshotFolder();

// "<name>-YYYYMMDD-HHMMSS.png" for the local time `when`.
std::string ScreenshotName(const std::string& name, const std::tm& when);

// Writes `width` x `height` X-R-G-B pixels (`pitch` bytes a row) as an RGB
// PNG to a new file at `path`; an existing file is never overwritten. ""
// when written, else why not; a failed write leaves no file behind.
std::string WritePng(const std::string& path, const uint8_t* xrgb, int32_t pitch, int32_t width, int32_t height);

// Saves a screenshot under its name now in ScreenshotFolder() (a second one
// in the same second gets "-2", "-3", ...). Says where on standard output,
// or why not on standard error, in one line; the path, or "" on failure.
std::string SaveScreenshot(const std::string& name, const uint8_t* xrgb, int32_t pitch, int32_t width, int32_t height);

}  // namespace kestrel
