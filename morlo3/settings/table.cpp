#include "morlo3/settings/table.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "morlo3/language.h"

namespace morlo3 {

using kestrel::Settings;

const char* const kKeysTaken = "key names as SDL writes them (Space, Left Ctrl, W, Keypad 0), separated by commas";
const char* const kButtonsTaken =
    "game controller button names as SDL writes them (a, b, x, y, back, start, leftshoulder, dpup), "
    "separated by commas";

namespace {

constexpr int kMostScale = 16;

int LanguageIndex(const Settings& s) {
  for (size_t i = 0; i < kLanguages.size(); ++i)
    if (s.language == kLanguages[i]) return int(i);
  return 0;
}

std::vector<Setting> MakeTable() {
  // clang-format off
  std::vector<Setting> table = {
      {"game", "fullscreen", SettingKind::Choice, {"ask", "yes", "no"},
       "Ask the start-up question, or answer it: yes for the whole screen, no for a window.", {},
       [](const Settings& s) { return int(s.fullScreen); },
       [](Settings& s, int v) { s.fullScreen = kestrel::StartupAnswer(v); }},
      {"game", "scale", SettingKind::Scale, {},
       "The window's first size, in multiples of the picture (of its 4:3 shape with aspect = 4:3); auto: as large "
       "as fits in half the screen. One too large for the screen is lowered to the largest that fits, with a line "
       "that says so.", {},
       [](const Settings& s) { return s.scale; }, [](Settings& s, int v) { s.scale = v; }},
      {"game", "aspect", SettingKind::Choice, {"square", "4:3"},
       "Square pixels, or each pixel 1.2 times taller than wide, as the picture filled a 4:3 screen.", {},
       [](const Settings& s) { return int(s.aspect); },
       [](Settings& s, int v) { s.aspect = kestrel::Aspect(v); }},
      {"game", "language", SettingKind::Choice, {kLanguages.begin(), kLanguages.end()},
       "The language of the game's texts and painted words: pt, Portuguese, the game as it was made; en, English.", {},
       LanguageIndex, [](Settings& s, int v) { s.language = kLanguages[size_t(v)]; }},
      {"sound", "effects", SettingKind::Level, {}, "The level of every sound effect, from 0 (silent) to 100.", {},
       [](const Settings& s) { return s.sound.effects; }, [](Settings& s, int v) { s.sound.effects = v; }},
      {"sound", "ambience", SettingKind::Level, {}, "The level of the wind, from 0 (silent) to 100.", {},
       [](const Settings& s) { return s.sound.ambience; }, [](Settings& s, int v) { s.sound.ambience = v; }},
  };
  // clang-format on
  // The actions' keys, then their buttons.
  for (const kestrel::ActionInfo& a : kestrel::kActions)
    table.push_back({"keys", a.name, SettingKind::Keys, {}, a.keysHelp, a.action});
  for (const kestrel::ActionInfo& a : kestrel::kActions)
    if (a.padHelp) table.push_back({"pad", a.name, SettingKind::Buttons, {}, a.padHelp, a.action});
  return table;
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
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

std::string NameOf(const Setting& s, uint32_t code) {
  return s.kind == SettingKind::Keys ? kestrel::KeyNameOfDik(uint8_t(code)) : kestrel::PadNameOfBit(code);
}

}  // namespace

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

std::string JoinWords(const std::vector<std::string>& words, const char* last) {
  std::string text;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? last : ", ";
    text += words[i];
  }
  return text;
}

const std::vector<Setting>& SettingsTable() {
  static const std::vector<Setting> table = MakeTable();
  return table;
}

std::vector<std::string> SettingsSections() {
  std::vector<std::string> sections;
  for (const Setting& s : SettingsTable())
    if (std::find(sections.begin(), sections.end(), s.section) == sections.end()) sections.push_back(s.section);
  return sections;
}

const Setting* FindSetting(const std::string& section, const std::string& name, size_t* index) {
  const std::vector<Setting>& table = SettingsTable();
  for (size_t i = 0; i < table.size(); ++i)
    if (section == table[i].section && name == table[i].name) {
      if (index) *index = i;
      return &table[i];
    }
  return nullptr;
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

bool CheckSettingValue(const Setting& s, const std::string& text, SettingValue& value, std::string& reason) {
  reason.clear();
  value = {};
  switch (s.kind) {
    case SettingKind::Choice:
      for (size_t i = 0; i < s.choices.size(); ++i)
        if (Lower(text) == s.choices[i]) {
          value.number = int(i);
          return true;
        }
      return false;
    case SettingKind::Scale:
      if (Lower(text) == "auto") return true;
      value.number = WholeNumber(text);
      return value.number >= 1 && value.number <= kMostScale;
    case SettingKind::Level: value.number = WholeNumber(text); return value.number >= 0 && value.number <= 100;
    case SettingKind::Keys:
    case SettingKind::Buttons: {
      const bool keys = s.kind == SettingKind::Keys;
      for (const std::string& name : Names(text)) {
        if (name.empty()) {
          reason = keys ? "a key name is missing" : "a button name is missing";
          return false;
        }
        const uint32_t code = keys ? kestrel::DikFromKeyName(name) : kestrel::PadBitFromName(name);
        if (code == 0) {
          reason = (keys ? "no key the game reads is called \"" : "no button is called \"") + name + "\"";
          return false;
        }
        if (std::find(value.codes.begin(), value.codes.end(), code) == value.codes.end()) value.codes.push_back(code);
      }
      if (value.codes.empty()) reason = keys ? "no key is given" : "no button is given";
      return !value.codes.empty();
    }
  }
  return false;
}

std::string ValueText(const Setting& s, const SettingValue& value) {
  switch (s.kind) {
    case SettingKind::Choice: return s.choices[size_t(value.number)];
    case SettingKind::Scale: return value.number == 0 ? "auto" : std::to_string(value.number);
    case SettingKind::Level: return std::to_string(value.number);
    case SettingKind::Keys:
    case SettingKind::Buttons: {
      std::vector<std::string> names;
      for (uint32_t code : value.codes) names.push_back(NameOf(s, code));
      return JoinWords(names, ", ");
    }
  }
  return "";
}

SettingValue ValueIn(const Setting& s, const Settings& record) {
  SettingValue value;
  const size_t a = size_t(s.action);
  if (s.kind == SettingKind::Keys) value.codes.assign(record.bindings.keys[a].begin(), record.bindings.keys[a].end());
  else if (s.kind == SettingKind::Buttons) value.codes = record.bindings.pad[a];
  else value.number = s.get(record);
  return value;
}

void SetValueIn(const Setting& s, const SettingValue& value, Settings& record) {
  const size_t a = size_t(s.action);
  if (s.kind == SettingKind::Keys) record.bindings.keys[a].assign(value.codes.begin(), value.codes.end());
  else if (s.kind == SettingKind::Buttons) record.bindings.pad[a] = value.codes;
  else s.set(record, value.number);
}

std::string TextIn(const Setting& s, const Settings& record) { return ValueText(s, ValueIn(s, record)); }

std::string DefaultText(const Setting& s) { return TextIn(s, Settings{}); }

PlayerSettings::PlayerSettings() : sources(SettingsTable().size()) {}

std::string PlayerSettings::Get(const std::string& section, const std::string& name) const {
  const Setting* s = FindSetting(section, name);
  return s ? TextIn(*s, record) : "";
}

bool FindDoubleBinding(const PlayerSettings& s, size_t& wrong, size_t& other, std::string& shared) {
  const std::vector<Setting>& table = SettingsTable();
  for (size_t i = 0; i < table.size(); ++i) {
    const SettingKind kind = table[i].kind;
    if (kind != SettingKind::Keys && kind != SettingKind::Buttons) continue;
    const std::vector<uint32_t> mine = ValueIn(table[i], s.record).codes;
    for (size_t j = i + 1; j < table.size(); ++j) {
      if (table[j].kind != kind) continue;
      const std::vector<uint32_t> theirs = ValueIn(table[j], s.record).codes;
      for (uint32_t code : mine) {
        if (std::find(theirs.begin(), theirs.end(), code) == theirs.end()) continue;
        const PlayerSettings::Source &a = s.sources[i], &b = s.sources[j];
        const bool jLater = b.flag != a.flag ? b.flag : b.line >= a.line;
        wrong = jLater ? j : i;
        other = jLater ? i : j;
        shared = NameOf(table[i], code);
        return true;
      }
    }
  }
  return false;
}

}  // namespace morlo3
