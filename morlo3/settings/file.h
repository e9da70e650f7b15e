// Reading a settings file: one line at a time against the table, each bad
// line a problem of its own, and a setting of a bad line keeps its value.
#pragma once
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "morlo3/settings/table.h"

namespace morlo3 {

// Reads a settings file over `settings`. Every bad line is one entry of
// `problems`, in the order of the lines, naming the file, the line, the key
// and what it takes; that setting keeps the value it had. A file that
// cannot be read is one entry, and nothing changes. A missing file is no
// problem unless `mustExist`.
void ReadSettingsFile(const std::string& path, bool mustExist, PlayerSettings& settings,
                      std::vector<std::string>& problems);

// The player's own settings file: $XDG_CONFIG_HOME/morlo3/morlo3.ini, else
// ~/.config/morlo3/morlo3.ini; "" when neither can be named.
std::string DefaultSettingsFile();

// ---- between the reader and the parser of the lines ----
// A file's lines as they are read: the number of the line being read, what
// was made of each, and the problems by line.
struct FileReading {
  std::string path;
  std::vector<std::string> lines;
  size_t next = 0;
  int line = 0;  // 1-based, the line being read
  std::set<int> understood;
  PlayerSettings* settings = nullptr;
  std::vector<std::pair<int, std::string>> problems;

  void Problem(int at, const std::string& text) {
    problems.emplace_back(at, path + ":" + std::to_string(at) + ": " + text);
  }
  // One "name = value" of `section`, at the line being read.
  void Pair(const std::string& section, const std::string& name, std::string value);
};

// Reads the lines as "name = value" pairs under [section] headings, handing
// each to Pair; "", or why this build reads no settings file. The desktop
// reads them with inih (file_ini.cpp); the page reads none (file_none.cpp).
std::string ParseSettingsLines(FileReading& reading);

}  // namespace morlo3
