#include "kestrel/program.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "kestrel/error.h"
#include "kestrel/kpk.h"
#include "kestrel/platform/display.h"
#include "kestrel/platform/environment.h"
#include "kestrel/platform/input.h"
#include "kestrel/platform/sound.h"
#include "kestrel/platform/termination.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

std::string programName = "kestrel";
std::string scratch;

// A library that ends the process itself (Xlib's handler of a fatal X
// error calls exit) still runs the exit handlers.
void RemoveScratchFolderAtExit() { RemoveScratchFolder(); }

std::string ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  path[n] = '\0';
  return fs::path(path).parent_path().string();
}

// A folder of an installation, as built into the program. A test of a copied
// or unpacked game names a folder of its own in KESTREL_TEST_ROOT, which then
// stands for "/", so that the machine's own installation is never found.
std::string InstalledFolder(const std::string& folder) {
  const std::optional<std::string> root = platform::EnvValue("KESTREL_TEST_ROOT");
  std::error_code ec;
  const fs::path path = root ? fs::absolute(*root, ec) / fs::path(folder).relative_path() : fs::path(folder);
  return path.lexically_normal().string();
}

}  // namespace

void StartProgram(const std::string& name) {
  programName = name;
  platform::GetWindowSettings().shotName = name;
  SetErrorLogFallback(name);
  platform::CatchTerminationSignals();
}

void SetWindowClass(const std::string& id) { platform::GetWindowSettings().className = id; }

void SetWindowScale(int scale) { platform::GetWindowSettings().scale = scale > 0 ? scale : 0; }

std::string SettingsFolder(const std::string& name) {
  // Only an absolute XDG_CONFIG_HOME counts, as the XDG rules say.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return std::string(config) + "/" + name;
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return std::string(home) + "/.config/" + name;
  return "";
}

void SetWindowAspect(bool fourThree) {
  platform::GetWindowSettings().aspect = fourThree ? platform::Aspect::FourThree : platform::Aspect::Square;
}

void SetStartupAnswer(int answer) { platform::GetWindowSettings().answer = answer == 0 || answer == 1 ? answer : -1; }

void SetSoundLevels(int effects, int ambience) {
  platform::GetSoundLevels() = {std::clamp(effects, 0, 100), std::clamp(ambience, 0, 100)};
}

uint8_t KeyCodeOfName(const std::string& name) { return platform::DikFromKeyName(name); }
std::string KeyNameOfCode(uint8_t code) { return platform::KeyNameOfDik(code); }
uint32_t PadButtonOfName(const std::string& name) { return platform::PadBitFromName(name); }
std::string PadButtonNameOf(uint32_t bit) { return platform::PadNameOfBit(bit); }

void BindAction(Action action, const std::vector<uint8_t>& keys, uint32_t padButtons) {
  platform::Bindings& b = platform::ProgramBindings();
  if (!keys.empty()) b.keys[size_t(action)] = keys;
  b.pad[size_t(action)] = padButtons;
}

void ResetPlayerSettings() {
  platform::GetWindowSettings().aspect = platform::Aspect::Square;
  platform::GetWindowSettings().answer = -1;
  platform::GetSoundLevels() = {};
  platform::ProgramBindings() = platform::Bindings::Defaults();
}

bool AskYesNo(const std::string& caption, const std::string& text) {
  // The player's settings answer only where the environment does not.
  const int preset = platform::GetWindowSettings().answer;
  if (preset >= 0 && platform::AnswerFromEnvironment() < 0) return preset == 1;
  const bool yes = platform::GetDisplay().AskYesNo(caption, text);
  // A signal while the question was open: nothing has been made yet.
  if (platform::TerminationSignal() != 0) throw ProgramExit(FinalExitCode(0));
  return yes;
}

std::string MakeScratchFolder() {
  RemoveScratchFolder();
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = tmp && *tmp ? tmp : "/tmp";
  std::string templ = base + "/" + programName + "-XXXXXX";
  if (!::mkdtemp(templ.data()))
    throw FatalError("Cannot create a scratch folder in " + base + ": " + std::strerror(errno));
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

std::vector<std::string> DataFolders(const std::string& installedFolder) {
  std::error_code ec;
  std::vector<std::string> folders;
  const fs::path here = fs::current_path(ec);
  folders.push_back(ec ? "." : here.string());
  if (const std::string exe = ExecutableFolder(); !exe.empty()) {
    folders.push_back(exe);
    folders.push_back((fs::path(exe) / ".." / "share" / programName).lexically_normal().string());
  }
  if (!installedFolder.empty()) folders.push_back(InstalledFolder(installedFolder));
  // A folder met twice (the game run from its own folder) is searched once.
  std::vector<std::string> once;
  for (std::string& f : folders) {
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    if (std::find(once.begin(), once.end(), f) == once.end()) once.push_back(f);
  }
  return once;
}

std::string FindDataFile(const std::string& file, const std::string& installedFolder) {
  std::error_code ec;
  // A name in the current directory wins even when it is no file, so that
  // opening it says what is wrong with it.
  if (fs::exists(fs::symlink_status(file, ec))) return file;
  const std::vector<std::string> folders = DataFolders(installedFolder);
  for (size_t i = 1; i < folders.size(); ++i) {
    const fs::path p = fs::path(folders[i]) / file;
    if (fs::exists(p, ec)) return p.string();
  }
  return file;
}

std::vector<std::string> LocaleFolders(const std::string& installedFolder) {
  std::vector<std::string> folders;
  if (const std::string exe = ExecutableFolder(); !exe.empty()) {
    folders.push_back((fs::path(exe) / "locale").lexically_normal().string());
    folders.push_back((fs::path(exe) / ".." / "share" / "locale").lexically_normal().string());
  }
  if (!installedFolder.empty()) {
    const std::string f = InstalledFolder(installedFolder);
    if (std::find(folders.begin(), folders.end(), f) == folders.end()) folders.push_back(f);
  }
  return folders;
}

std::string FindCatalogue(const std::string& language, const std::string& domain, const std::string& installedFolder) {
  std::error_code ec;
  for (const std::string& folder : LocaleFolders(installedFolder)) {
    const fs::path p = fs::path(folder) / language / "LC_MESSAGES" / (domain + ".mo");
    if (fs::is_regular_file(p, ec)) return p.string();
  }
  return "";
}

std::unique_ptr<TKPK> OpenDataArchive(const std::string& file, const std::string& installedFolder,
                                      const std::string& advice) {
  const std::string path = FindDataFile(file, installedFolder);
  std::error_code ec;
  const bool foundNowhere = path == file && !fs::exists(fs::symlink_status(file, ec));
  try {
    return std::make_unique<TKPK>(path);
  } catch (const FatalError& e) {
    if (!foundNowhere) throw;
    std::string text = std::string(e.what()) + "\n" + file + " was looked for in these folders, in this order:";
    const std::vector<std::string> folders = DataFolders(installedFolder);
    for (size_t i = 0; i < folders.size(); ++i) {
      text += "\n  " + folders[i];
      if (i == 0) text += " (the current folder)";
    }
    if (!advice.empty()) text += "\n" + advice;
    throw FatalError(text);
  }
}

int FinalExitCode(int code) {
  RemoveScratchFolder();
  if (const int signal = platform::TerminationSignal(); signal != 0 && code == 0) return 128 + signal;
  return code;
}

}  // namespace kestrel
