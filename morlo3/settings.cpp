#include "morlo3/settings.h"

#ifndef MORLO3_NO_SETTINGS_FILE
#include <ini.h>
#endif

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "morlo3/game_state.h"
#include "morlo3/language.h"

namespace morlo3 {

namespace {

using kestrel::Action;

constexpr int kMostScale = 16;
constexpr const char* kKeysTaken = "key names as SDL writes them (Space, Left Ctrl, W, Keypad 0), separated by commas";
constexpr const char* kButtonsTaken =
    "game controller button names as SDL writes them (a, b, x, y, back, start, leftshoulder, dpup), "
    "separated by commas";

// clang-format off
const std::vector<Setting> kTable = {
    {"game", "fullscreen", SettingKind::Choice, "ask", {"ask", "yes", "no"},
     "Ask the start-up question, or answer it: yes for the whole screen, no for a window."},
    {"game", "scale", SettingKind::Scale, "auto", {},
     "The window's first size, in multiples of the picture (of its 4:3 shape with aspect = 4:3); auto: as large "
     "as fits in half the screen. One too large for the screen is lowered to the largest that fits, with a line "
     "that says so."},
    {"game", "aspect", SettingKind::Choice, "square", {"square", "4:3"},
     "Square pixels, or each pixel 1.2 times taller than wide, as the picture filled a 4:3 screen."},
    {"game", "language", SettingKind::Choice, "pt", {kLanguages.begin(), kLanguages.end()},
     "The language of the game's texts and painted words: pt, Portuguese, the game as it was made; en, English."},
    {"sound", "effects", SettingKind::Level, "100", {},
     "The level of every sound effect, from 0 (silent) to 100."},
    {"sound", "ambience", SettingKind::Level, "100", {},
     "The level of the wind, from 0 (silent) to 100."},
    {"keys", "left", SettingKind::Keys, "Left", {}, "Walk left; also moves through the menu.", Action::Left},
    {"keys", "right", SettingKind::Keys, "Right", {}, "Walk right; also moves through the menu.", Action::Right},
    {"keys", "jump", SettingKind::Keys, "Up", {}, "Jump; also moves through the menu.", Action::Jump},
    {"keys", "fire", SettingKind::Keys, "Left Ctrl", {}, "Fire; also chooses in the menu.", Action::Fire},
    {"keys", "pause", SettingKind::Keys, "P, Pause", {}, "Pause the game and resume it.", Action::Pause},
    {"keys", "back", SettingKind::Keys, "Escape", {},
     "Give up the game, skip the story, go back in the menu.", Action::Back},
    {"pad", "jump", SettingKind::Buttons, "a", {}, "Jump (the d-pad and the left stick walk).", Action::Jump},
    {"pad", "fire", SettingKind::Buttons, "x, b", {}, "Fire.", Action::Fire},
    {"pad", "pause", SettingKind::Buttons, "start", {}, "Pause the game and resume it.", Action::Pause},
    {"pad", "back", SettingKind::Buttons, "back", {}, "Give up the game and go back to the menu.", Action::Back},
};
// clang-format on

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

// "a, b or c" (or "and").
std::string JoinWords(const std::vector<std::string>& words, const char* last = " or ") {
  std::string text;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? last : ", ";
    text += words[i];
  }
  return text;
}

// `text` in lines of at most 79 characters, each after `lead`.
std::string Wrap(const std::string& text, const std::string& lead) {
  std::string out, line = lead;
  std::istringstream words(text);
  for (std::string word; words >> word;) {
    if (line.size() > lead.size() && line.size() + 1 + word.size() > 79) {
      out += line + "\n";
      line = lead;
    }
    line += (line.size() > lead.size() ? " " : "") + word;
  }
  return out + line + "\n";
}

// A whole number written with digits only, or -1.
int WholeNumber(const std::string& s) {
  if (s.empty() || s.size() > 3) return -1;
  int n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

// The comma-separated names of a list, trimmed; an empty name stays in, so
// that "Space,,W" is refused.
std::vector<std::string> Names(const std::string& value) {
  std::vector<std::string> names;
  std::string name;
  std::istringstream in(value);
  while (std::getline(in, name, ',')) names.push_back(Trim(name));
  if (!value.empty() && value.back() == ',') names.push_back("");
  return names;
}

const Setting* Find(const std::string& section, const std::string& name, size_t* index = nullptr) {
  for (size_t i = 0; i < kTable.size(); ++i)
    if (section == kTable[i].section && name == kTable[i].name) {
      if (index) *index = i;
      return &kTable[i];
    }
  return nullptr;
}

// The bracketed sections, as a sentence lists them.
std::string SectionsText() {
  std::vector<std::string> words;
  for (const std::string& s : SettingsSections()) words.push_back("[" + s + "]");
  return JoinWords(words);
}

// Where two settings of one kind share a key or a button: the one set last
// (a flag after the file, a later line after an earlier one) is the one in
// the wrong. Returns its index, with the other's name and the key shared.
bool FindDoubleBinding(const PlayerSettings& s, size_t& wrong, size_t& other, std::string& shared) {
  for (size_t i = 0; i < kTable.size(); ++i) {
    const SettingKind kind = kTable[i].kind;
    if (kind != SettingKind::Keys && kind != SettingKind::Buttons) continue;
    const std::vector<uint32_t> mine = BoundCodes(kTable[i], s.values[i].text);
    for (size_t j = i + 1; j < kTable.size(); ++j) {
      if (kTable[j].kind != kind) continue;
      const std::vector<uint32_t> theirs = BoundCodes(kTable[j], s.values[j].text);
      for (uint32_t code : mine) {
        if (std::find(theirs.begin(), theirs.end(), code) == theirs.end()) continue;
        const PlayerSettings::Value &a = s.values[i], &b = s.values[j];
        const bool jLater = b.flag != a.flag ? b.flag : b.line >= a.line;
        wrong = jLater ? j : i;
        other = jLater ? i : j;
        shared = kind == SettingKind::Keys ? kestrel::KeyNameOfCode(uint8_t(code)) : kestrel::PadButtonNameOf(code);
        return true;
      }
    }
  }
  return false;
}

// ---- reading a settings file ----

// What inih needs to read our lines: the file's lines as we split them, the
// number of the line it is working on, and what it made of each.
struct FileReading {
  std::string path;
  std::vector<std::string> lines;
  size_t next = 0;
  int line = 0;  // 1-based, the line inih holds now
  std::set<int> understood;
  PlayerSettings* settings = nullptr;
  std::vector<std::pair<int, std::string>> problems;

  void Problem(int at, const std::string& text) {
    problems.emplace_back(at, path + ":" + std::to_string(at) + ": " + text);
  }
};

// inih's reader: one line at a time, so that the handler knows its number.
// Leading blanks go, so that an indented line is never read as the
// continuation of the one above; a line too long for inih's buffer is
// reported here and handed on empty.
char* ReadOneLine(char* buffer, int room, void* stream) {
  auto& r = *static_cast<FileReading*>(stream);
  if (r.next >= r.lines.size()) return nullptr;
  std::string text = r.lines[r.next++];
  r.line = int(r.next);
  const size_t first = text.find_first_not_of(" \t");
  text.erase(0, first == std::string::npos ? text.size() : first);
  if (text.size() + 2 > size_t(room)) {
    r.Problem(r.line, "the line is longer than " + std::to_string(room - 2) + " characters; it is left out");
    r.understood.insert(r.line);
    text.clear();
  }
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\n';
  buffer[text.size() + 1] = '\0';
  return buffer;
}

int OnPair(void* user, const char* sectionText, const char* nameText, const char* valueText) {
  auto& r = *static_cast<FileReading*>(user);
  r.understood.insert(r.line);
  const std::string section = sectionText, name = nameText;
  std::string value = valueText;
  // A comment after the value: " # ..." (inih takes " ; ..." itself).
  for (size_t at = value.find('#'); at != std::string::npos; at = value.find('#', at + 1))
    if (at > 0 && (value[at - 1] == ' ' || value[at - 1] == '\t')) {
      value = Trim(value.substr(0, at));
      break;
    }
  const std::vector<std::string> sections = SettingsSections();
  if (section.empty()) {
    r.Problem(r.line, name + " = " + value + " comes before any section: put it under " + SectionsText());
    return 1;
  }
  // The heading of an unknown section was reported on its own line.
  if (std::find(sections.begin(), sections.end(), section) == sections.end()) return 1;
  size_t index = 0;
  const Setting* setting = Find(section, name, &index);
  if (!setting) {
    std::vector<std::string> names;
    for (const Setting& s : kTable)
      if (section == s.section) names.push_back(s.name);
    r.Problem(r.line,
              "[" + section + "] " + name + " is no setting: [" + section + "] has " + JoinWords(names, " and "));
    return 1;
  }
  std::string canonical, reason;
  PlayerSettings::Value& v = r.settings->values[index];
  if (!CheckSettingValue(*setting, value, canonical, reason)) {
    r.Problem(r.line, name + " = " + value + ": " + (reason.empty() ? "" : reason + "; ") + name + " takes " +
                          AcceptedText(*setting) + ", so it stays " + v.text);
    return 1;
  }
  v = {canonical, r.line, false};
  return 1;
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
  size_t wrong = 0, other = 0;
  std::string shared;
  while (FindDoubleBinding(s, wrong, other, shared)) {
    const Setting& w = kTable[wrong];
    PlayerSettings::Value& v = s.values[wrong];
    // Only a line of the file can be undone here (the defaults share none).
    if (v.line == 0) return;
    const std::string kind = w.kind == SettingKind::Keys ? "key" : "button";
    r.Problem(v.line, w.name + std::string(" = ") + v.text + ": " + shared + " is already the " + kind + " of " +
                          kTable[other].name + "; " + w.name + " takes " + kind +
                          "s no other action has, so it stays " + w.defaultValue);
    v = {w.defaultValue, 0, false};
  }
}

}  // namespace

const std::vector<Setting>& SettingsTable() { return kTable; }

std::vector<std::string> SettingsSections() {
  std::vector<std::string> sections;
  for (const Setting& s : kTable)
    if (std::find(sections.begin(), sections.end(), s.section) == sections.end()) sections.push_back(s.section);
  return sections;
}

std::string FlagOf(const Setting& s) {
  const std::string section = s.section;
  if (section == "keys") return std::string("--key-") + s.name;
  if (section == "pad") return std::string("--pad-") + s.name;
  return std::string("--") + s.name;
}

std::string AcceptedText(const Setting& s) {
  switch (s.kind) {
    case SettingKind::Choice: return JoinWords(std::vector<std::string>(s.choices.begin(), s.choices.end()));
    case SettingKind::Scale: return "auto or a whole number from 1 to " + std::to_string(kMostScale);
    case SettingKind::Level: return "a whole number from 0 to 100";
    case SettingKind::Keys: return kKeysTaken;
    case SettingKind::Buttons: return kButtonsTaken;
  }
  return "";
}

std::string SynopsisOf(const Setting& s) {
  switch (s.kind) {
    case SettingKind::Choice: {
      std::string text;
      for (const char* c : s.choices) text += (text.empty() ? "" : " | ") + std::string(c);
      return text;
    }
    case SettingKind::Scale: return "auto | 1.." + std::to_string(kMostScale);
    case SettingKind::Level: return "0..100";
    case SettingKind::Keys: return "key names, separated by commas";
    case SettingKind::Buttons: return "button names, separated by commas";
  }
  return "";
}

bool CheckSettingValue(const Setting& s, const std::string& value, std::string& canonical, std::string& reason) {
  reason.clear();
  switch (s.kind) {
    case SettingKind::Choice:
      for (const char* c : s.choices)
        if (Lower(value) == c) {
          canonical = c;
          return true;
        }
      return false;
    case SettingKind::Scale: {
      if (Lower(value) == "auto") {
        canonical = "auto";
        return true;
      }
      const int n = WholeNumber(value);
      if (n < 1 || n > kMostScale) return false;
      canonical = std::to_string(n);
      return true;
    }
    case SettingKind::Level: {
      const int n = WholeNumber(value);
      if (n < 0 || n > 100) return false;
      canonical = std::to_string(n);
      return true;
    }
    case SettingKind::Keys:
    case SettingKind::Buttons: {
      const bool keys = s.kind == SettingKind::Keys;
      std::vector<std::string> names;
      std::vector<uint32_t> codes;
      for (const std::string& name : Names(value)) {
        if (name.empty()) {
          reason = keys ? "a key name is missing" : "a button name is missing";
          return false;
        }
        const uint32_t code = keys ? kestrel::KeyCodeOfName(name) : kestrel::PadButtonOfName(name);
        if (code == 0) {
          reason = (keys ? "no key the game reads is called \"" : "no button is called \"") + name + "\"";
          return false;
        }
        if (std::find(codes.begin(), codes.end(), code) != codes.end()) continue;
        codes.push_back(code);
        names.push_back(keys ? kestrel::KeyNameOfCode(uint8_t(code)) : kestrel::PadButtonNameOf(code));
      }
      if (names.empty()) {
        reason = keys ? "no key is given" : "no button is given";
        return false;
      }
      canonical.clear();
      for (const std::string& n : names) canonical += (canonical.empty() ? "" : ", ") + n;
      return true;
    }
  }
  return false;
}

std::vector<uint32_t> BoundCodes(const Setting& s, const std::string& canonical) {
  std::vector<uint32_t> codes;
  if (s.kind != SettingKind::Keys && s.kind != SettingKind::Buttons) return codes;
  for (const std::string& name : Names(canonical)) {
    const uint32_t code = s.kind == SettingKind::Keys ? kestrel::KeyCodeOfName(name) : kestrel::PadButtonOfName(name);
    if (code != 0) codes.push_back(code);
  }
  return codes;
}

PlayerSettings::PlayerSettings() {
  for (const Setting& s : kTable) values.push_back({s.defaultValue, 0, false});
}

const std::string& PlayerSettings::Get(const std::string& section, const std::string& name) const {
  size_t index = 0;
  static const std::string none;
  return Find(section, name, &index) ? values[index].text : none;
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
#ifndef MORLO3_NO_SETTINGS_FILE
  ini_parse_stream(ReadOneLine, &r, OnPair, &r);
#else
  // The page: a player has no way to put a file where it looks, and the page
  // carries no reader of the file's format.
  (void)ReadOneLine, (void)OnPair;
  return unreadable("the page reads no settings file");
#endif
  CheckPassedLines(r);
  UndoDoubleBindings(r);
  std::stable_sort(r.problems.begin(), r.problems.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& p : r.problems) problems.push_back(std::move(p.second));
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine out;
  CLI::App app;
  app.set_help_flag();
  app.allow_extras();
  bool help = false, version = false, printConfig = false, fullScreen = false, window = false;
  // A flag's value may be missing or empty: the table says what it wants.
  auto option = [&](const std::string& flag, std::string& into) {
    return app.add_option(flag, into)->expected(0, 1)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  };
  app.add_flag("--help", help);
  app.add_flag("--version", version);
  app.add_flag("--print-config", printConfig);
  app.add_flag("--fullscreen", fullScreen);
  app.add_flag("--window", window);
  CLI::Option* config = option("--config", out.configFile);
  std::vector<std::string> given(kTable.size());
  std::vector<CLI::Option*> options(kTable.size(), nullptr);
  for (size_t i = 0; i < kTable.size(); ++i)
    if (std::string(kTable[i].name) != "fullscreen") options[i] = option(FlagOf(kTable[i]), given[i]);
  try {
    // CLI11 takes its arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    out.ask = CommandLine::Ask::Bad;
    out.error = e.what();
    return out;
  }
  auto bad = [&](const std::string& error) {
    out.ask = CommandLine::Ask::Bad;
    out.error = error;
    return out;
  };
  if (!app.remaining().empty()) return bad("unexpected argument '" + app.remaining().front() + "'");
  const int alone = int(help) + int(version) + int(printConfig);
  if (alone > 0 && args.size() > 1) {
    const char* which = help ? "--help" : version ? "--version" : "--print-config";
    return bad(std::string(which) + " takes no other argument");
  }
  if (help) out.ask = CommandLine::Ask::Help;
  if (version) out.ask = CommandLine::Ask::Version;
  if (printConfig) out.ask = CommandLine::Ask::PrintConfig;
  if (alone > 0) return out;
  if (config->count() > 0 && out.configFile.empty()) return bad("--config wants the name of a settings file");
  if (fullScreen && window) return bad("--fullscreen and --window cannot both be given");
  for (size_t i = 0; i < kTable.size(); ++i) {
    const bool isFullScreen = std::string(kTable[i].name) == "fullscreen";
    if (isFullScreen) {
      if (fullScreen || window) out.flags.emplace_back(i, fullScreen ? "yes" : "no");
      continue;
    }
    if (options[i]->count() == 0) continue;
    std::string canonical, reason;
    if (!CheckSettingValue(kTable[i], given[i], canonical, reason))
      return bad(FlagOf(kTable[i]) + " wants " + AcceptedText(kTable[i]) + (reason.empty() ? "" : ": " + reason));
    out.flags.emplace_back(i, canonical);
  }
  return out;
}

std::string DefaultSettingsFile() {
  const std::string folder = kestrel::SettingsFolder(kProgramName);
  return folder.empty() ? "" : folder + "/" + kProgramName + ".ini";
}

PlayerSettings SettingsForRun(const CommandLine& commandLine, std::vector<std::string>& problems, std::string& error) {
  PlayerSettings settings;
  const bool named = !commandLine.configFile.empty();
  const std::string path = named ? commandLine.configFile : DefaultSettingsFile();
  if (!path.empty()) ReadSettingsFile(path, named, settings, problems);
  for (const auto& [index, value] : commandLine.flags) settings.values[index] = {value, 0, true};
  // The file has no key bound twice now; a flag that binds one again is
  // the flag's fault.
  size_t wrong = 0, other = 0;
  std::string shared;
  if (FindDoubleBinding(settings, wrong, other, shared)) {
    const Setting& w = kTable[wrong];
    error = FlagOf(w) + " wants " + (w.kind == SettingKind::Keys ? "keys" : "buttons") +
            " no other action has: " + shared + " is already " + kTable[other].name + "'s";
  }
  return settings;
}

std::string HelpText() {
  std::string text =
      "usage: morlo3 [--config FILE] [SETTING...]\n"
      "       morlo3 --help | --version | --print-config\n"
      "Morlo v3.0, a side-view action game. It reads data.kpk from the current\n"
      "folder, else from beside the program, else from its installed data\n"
      "folder, and writes KRL_ERR.txt in the current folder when something goes\n"
      "wrong. The KESTREL_* environment variables in morlo3(6) choose the\n"
      "backend and answer the start-up question.\n"
      "\n"
      "The player's settings are read from $XDG_CONFIG_HOME/morlo3/morlo3.ini\n"
      "(else ~/.config/morlo3/morlo3.ini), or from the file --config names; the\n"
      "game never writes it. Each setting is also a flag, which wins over the\n"
      "file. --print-config prints a settings file with every setting.\n";
  std::string section;
  for (const Setting& s : kTable) {
    if (section != s.section) {
      section = s.section;
      text += "[" + section + "]\n";
    }
    std::string flags = FlagOf(s);
    if (std::string(s.name) == "fullscreen") flags = "--fullscreen | --window";
    else if (s.kind == SettingKind::Choice) flags += " " + std::string(s.choices.size() == 1 ? s.choices[0] : "WORD");
    else if (s.kind == SettingKind::Keys) flags += " KEYS";
    else if (s.kind == SettingKind::Buttons) flags += " BUTTONS";
    else flags += " N";
    text += "  " + flags + std::string(flags.size() < 25 ? 25 - flags.size() : 1, ' ') + s.name + " = " +
            SynopsisOf(s) + " (default " + s.defaultValue + ")\n";
    text += Wrap(s.help, "        ");
  }
  text += Wrap("KEYS are " + std::string(kKeysTaken) + "; BUTTONS are " + kButtonsTaken + ".", "");
  text += "Alt+Enter switches to the whole screen and back; F12 saves a screenshot.\n";
  return text;
}

std::string PrintConfigText() {
  std::string text = Wrap(
      "Settings of Morlo v3.0. The game reads this file and never writes it. Every setting here is at its default; "
      "a setting left out keeps its default, and a flag on the command line wins over the file. Keys are " +
          std::string(kKeysTaken) + "; buttons are " + kButtonsTaken + ".",
      "# ");
  std::string section;
  for (const Setting& s : kTable) {
    if (section != s.section) {
      section = s.section;
      text += "\n[" + section + "]\n";
    }
    text +=
        Wrap(std::string(s.help) + " " + s.name + " = " + SynopsisOf(s), "# ") + s.name + " = " + s.defaultValue + "\n";
  }
  return text;
}

void ApplySettings(const PlayerSettings& settings) {
  const std::string& answer = settings.Get("game", "fullscreen");
  kestrel::SetStartupAnswer(answer == "yes" ? 1 : answer == "no" ? 0 : -1);
  const std::string& scale = settings.Get("game", "scale");
  kestrel::SetWindowScale(scale == "auto" ? 0 : std::stoi(scale));
  kestrel::SetWindowAspect(settings.Get("game", "aspect") == "4:3");
  SetLanguage(settings.Get("game", "language"));
  kestrel::SetSoundLevels(std::stoi(settings.Get("sound", "effects")), std::stoi(settings.Get("sound", "ambience")));
  for (size_t i = 0; i < kTable.size(); ++i) {
    const Setting& s = kTable[i];
    if (s.kind != SettingKind::Keys) continue;
    std::vector<uint8_t> keys;
    for (uint32_t code : BoundCodes(s, settings.values[i].text)) keys.push_back(uint8_t(code));
    // Left and right have no buttons of their own: the d-pad and the stick.
    uint32_t buttons = 0;
    size_t pad = 0;
    if (Find("pad", s.name, &pad))
      for (uint32_t bit : BoundCodes(kTable[pad], settings.values[pad].text)) buttons |= bit;
    kestrel::BindAction(s.action, keys, buttons);
  }
}

}  // namespace morlo3
