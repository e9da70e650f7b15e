#include "kestrel/scratch.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "kestrel/platform/errors.h"
#include "kestrel/platform/settings.h"
#include "kestrel/platform/termination.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

std::string scratch;

// A library that ends the process itself (Xlib's handler of a fatal X
// error calls exit) still runs the exit handlers.
void RemoveScratchFolderAtExit() { RemoveScratchFolder(); }

}  // namespace

std::string MakeScratchFolder() {
  RemoveScratchFolder();
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = tmp && *tmp ? tmp : "/tmp";
  std::string templ = base + "/" + platform::CurrentSettings().programName + "-XXXXXX";
  if (!::mkdtemp(templ.data()))
    throw platform::FatalError("Cannot create a scratch folder in " + base + ": " + std::strerror(errno));
  scratch = templ;
  static const bool removedAtExit = std::atexit(RemoveScratchFolderAtExit) == 0;
  (void)removedAtExit;
  platform::AtAbruptEnd(RemoveScratchFolderAtExit);
  return scratch;
}

const std::string& ScratchFolder() { return scratch; }

void RemoveScratchFolder() {
  if (scratch.empty()) return;
  // Only the folder mkdtemp made for us, which no one else can replace.
  std::error_code ec;
  fs::remove_all(scratch, ec);
  scratch.clear();
}

bool RemoveScratchFile(const std::string& fileName) {
  if (scratch.empty() || fileName.empty() || fileName.find('/') != std::string::npos || fileName == "." ||
      fileName == "..")
    return false;
  std::error_code ec;
  return fs::remove(fs::path(scratch) / fileName, ec);
}

}  // namespace kestrel
