#include "morlo3/settings/file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "kestrel/data_files.h"
#include "morlo3/game_state.h"

namespace morlo3 {

namespace {

// The bracketed sections, as a sentence lists them.
std::string SectionsText() {
  std::vector<std::string> words;
  for (const std::string& s : SettingsSections()) words.push_back("[" + s + "]");
  return JoinWords(words);
}

// The lines inih passed over without a word: blanks, comments and section
// headings are fine; anything else is not a setting.
void CheckPassedLines(FileReading& r) {
  const std::vector<std::string> sections = SettingsSections();
  for (size_t i = 0; i < r.lines.size(); ++i) {
    const int at = int(i) + 1;
    if (r.understood.count(at)) continue;
    const std::string text = Trim(r.lines[i]);
    if (text.empty() || text[0] == '#' || text[0] == ';') continue;
    const size_t close = text.find(']');
    if (text[0] == '[' && close != std::string::npos) {
      const std::string name = text.substr(1, close - 1);
      if (std::find(sections.begin(), sections.end(), name) == sections.end())
        r.Problem(at, "[" + name + "] is no section: use " + SectionsText());
      continue;
    }
    if (text[0] == '[') r.Problem(at, "\"" + text + "\" is no section heading: write " + SectionsText());
    else r.Problem(at, "\"" + text + "\" is not a setting: write name = value, or a [section] heading");
  }
}

// A key or a button bound to two actions: the later line keeps its old
// value, until no two share one.
void UndoDoubleBindings(FileReading& r) {
  PlayerSettings& s = *r.settings;
  const std::vector<Setting>& table = SettingsTable();
  size_t wrong = 0, other = 0;
  std::string shared;
  while (FindDoubleBinding(s, wrong, other, shared)) {
    const Setting& w = table[wrong];
    PlayerSettings::Source& from = s.sources[wrong];
    // Only a line of the file can be undone here (the defaults share none).
    if (from.line == 0) return;
    const std::string kind = w.kind == SettingKind::Keys ? "key" : "button";
    r.Problem(from.line, w.name + std::string(" = ") + TextIn(w, s.record) + ": " + shared + " is already the " + kind +
                             " of " + table[other].name + "; " + w.name + " takes " + kind +
                             "s no other action has, so it stays " + DefaultText(w));
    SetValueIn(w, ValueIn(w, kestrel::Settings{}), s.record);
    from = {};
  }
}

}  // namespace

void FileReading::Pair(const std::string& section, const std::string& name, std::string value) {
  understood.insert(line);
  // A comment after the value: " # ..." (inih takes " ; ..." itself).
  for (size_t at = value.find('#'); at != std::string::npos; at = value.find('#', at + 1))
    if (at > 0 && (value[at - 1] == ' ' || value[at - 1] == '\t')) {
      value = Trim(value.substr(0, at));
      break;
    }
  const std::vector<std::string> sections = SettingsSections();
  if (section.empty()) {
    Problem(line, name + " = " + value + " comes before any section: put it under " + SectionsText());
    return;
  }
  // The heading of an unknown section was reported on its own line.
  if (std::find(sections.begin(), sections.end(), section) == sections.end()) return;
  size_t index = 0;
  const Setting* setting = FindSetting(section, name, &index);
  if (!setting) {
    std::vector<std::string> names;
    for (const Setting& s : SettingsTable())
      if (section == s.section) names.push_back(s.name);
    Problem(line, "[" + section + "] " + name + " is no setting: [" + section + "] has " + JoinWords(names, " and "));
    return;
  }
  SettingValue checked;
  std::string reason;
  if (!CheckSettingValue(*setting, value, checked, reason)) {
    Problem(line, name + " = " + value + ": " + (reason.empty() ? "" : reason + "; ") + name + " takes " +
                      AcceptedText(*setting) + ", so it stays " + TextIn(*setting, settings->record));
    return;
  }
  SetValueIn(*setting, checked, settings->record);
  settings->sources[index] = {line, false};
}

void ReadSettingsFile(const std::string& path, bool mustExist, PlayerSettings& settings,
                      std::vector<std::string>& problems) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  auto unreadable = [&](const std::string& why) {
    problems.push_back("cannot read the settings file " + path + ": " + why + "; every setting keeps its default");
  };
  if (!fs::exists(status)) {
    if (mustExist) unreadable(std::strerror(ENOENT));
    return;
  }
  // A folder or a pipe in its place is no file of settings; a pipe would
  // also keep the game waiting.
  if (fs::is_directory(status)) return unreadable("it is a folder");
  if (!fs::is_regular_file(status)) return unreadable("it is not a plain file");
  std::ifstream in(path, std::ios::binary);
  if (!in) return unreadable(std::strerror(errno));
  FileReading r;
  r.path = path;
  r.settings = &settings;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    r.lines.push_back(line);
  }
  if (in.bad()) return unreadable("it could not be read to its end");
  if (const std::string refused = ParseSettingsLines(r); !refused.empty()) return unreadable(refused);
  CheckPassedLines(r);
  UndoDoubleBindings(r);
  std::stable_sort(r.problems.begin(), r.problems.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& p : r.problems) problems.push_back(std::move(p.second));
}

std::string DefaultSettingsFile() {
  const std::string folder = kestrel::SettingsFolder(kProgramName);
  return folder.empty() ? "" : folder + "/" + kProgramName + ".ini";
}

}  // namespace morlo3
