#include "kestrel/data_files.h"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "kestrel/error.h"
#include "kestrel/kpk.h"
#include "kestrel/platform/environment.h"
#include "kestrel/platform/settings.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

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

std::string SettingsFolder(const std::string& name) {
  // Only an absolute XDG_CONFIG_HOME counts, as the XDG rules say.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return std::string(config) + "/" + name;
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return std::string(home) + "/.config/" + name;
  return "";
}

std::vector<std::string> DataFolders(const std::string& installedFolder) {
  std::error_code ec;
  std::vector<std::string> folders;
  const fs::path here = fs::current_path(ec);
  folders.push_back(ec ? "." : here.string());
  if (const std::string exe = ExecutableFolder(); !exe.empty()) {
    folders.push_back(exe);
    folders.push_back(
        (fs::path(exe) / ".." / "share" / platform::CurrentSettings().programName).lexically_normal().string());
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

}  // namespace kestrel
