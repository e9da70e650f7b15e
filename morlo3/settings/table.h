// The player's own settings: what the original never had (the window, the
// picture's shape, the language, sound levels, keys and pad buttons), kept
// in a file of their own that the game reads and never writes, or given as
// flags. The game's own options (pace, difficulty, sound on or off) stay in
// GameState for one run, as they always were.
//
// One table holds every setting; its [keys] and [pad] rows come from the
// engine's table of actions. From it come the flags (command_line.h), the
// file's keys (file.h), --help and --print-config (texts.h); the SETTINGS
// section of morlo3(6) follows it, and a test holds the page to the table.
// Each value is checked once, into its field of the engine's settings
// record.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "kestrel/settings.h"

namespace morlo3 {

enum class SettingKind {
  Choice,   // one word of `choices`, in any case
  Scale,    // auto, or a whole number from 1 to 16
  Level,    // a whole number from 0 to 100
  Keys,     // key names, separated by commas
  Buttons,  // a game controller's button names, separated by commas
};

// A checked value: a choice's index or a number (0 for auto), or the key
// codes or button bits in the order given.
struct SettingValue {
  int number = 0;
  std::vector<uint32_t> codes;
  bool operator==(const SettingValue&) const = default;
};

struct Setting {
  const char* section;
  const char* name;
  SettingKind kind;
  // Choice: the words it takes.
  std::vector<const char*> choices;
  // One line of help.
  const char* help;
  // Keys and Buttons: the action they do.
  kestrel::Action action = kestrel::Action::Left;
  // The others: the field of the record it reads and writes.
  int (*get)(const kestrel::Settings&) = nullptr;
  void (*set)(kestrel::Settings&, int) = nullptr;
};

const std::vector<Setting>& SettingsTable();
// The sections in the table's order, each once.
std::vector<std::string> SettingsSections();
// The setting of a section by name, and its index; null when there is none.
const Setting* FindSetting(const std::string& section, const std::string& name, size_t* index = nullptr);

// The flag that sets a setting: --NAME for [game] and [sound], --key-NAME
// and --pad-NAME for [keys] and [pad]. [game] fullscreen has --fullscreen
// and --window instead.
std::string FlagOf(const Setting& setting);
// What a setting takes, as a sentence says it: "ask, yes or no".
std::string AcceptedText(const Setting& setting);
// What a setting takes, as the settings file and the manual page write it:
// "ask | yes | no".
std::string SynopsisOf(const Setting& setting);
// The keys and buttons the settings take, as a sentence says it.
extern const char* const kKeysTaken;
extern const char* const kButtonsTaken;

// Checks a text for a setting. Accepted: true, with the value in `value`
// ("AUTO" is auto, "left ctrl,space" two keys). Refused: false, with why in
// `reason` when there is more to say than what the setting takes ("no key
// is called Spcae").
bool CheckSettingValue(const Setting& setting, const std::string& text, SettingValue& value, std::string& reason);
// The value as the table spells it: "auto", "Left Ctrl, Space".
std::string ValueText(const Setting& setting, const SettingValue& value);

// The setting's value in a record, and the record with it set.
SettingValue ValueIn(const Setting& setting, const kestrel::Settings& record);
void SetValueIn(const Setting& setting, const SettingValue& value, kestrel::Settings& record);
// Its value in a record as the table spells it; in a fresh record, its
// default.
std::string TextIn(const Setting& setting, const kestrel::Settings& record);
std::string DefaultText(const Setting& setting);

// "a, b or c" (or another last joint); a text without its blanks and tabs
// at either end.
std::string JoinWords(const std::vector<std::string>& words, const char* last = " or ");
std::string Trim(const std::string& text);

// Every setting's value for a run, and where each came from.
struct PlayerSettings {
  struct Source {
    int line = 0;  // the settings file's line, 0 for the default
    bool flag = false;
  };
  kestrel::Settings record;
  std::vector<Source> sources;  // one a row of the table

  PlayerSettings();  // every setting at its default
  // The value of a setting as the table spells it; "" for no setting.
  std::string Get(const std::string& section, const std::string& name) const;
};

// Where two settings of one kind share a key or a button: the one set last
// (a flag after the file, a later line after an earlier one) is the one in
// the wrong. Returns its index, with the other's and the name of what they
// share.
bool FindDoubleBinding(const PlayerSettings& settings, size_t& wrong, size_t& other, std::string& shared);

}  // namespace morlo3
