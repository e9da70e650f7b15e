// The player's own settings: what the original never had (the window, the
// picture's shape, sound levels, keys and pad buttons), kept in a file of
// their own that the game reads and never writes, or given as flags. The
// game's own options (pace, difficulty, sound on or off) stay in GameState
// for one run, as they always were.
//
// One table holds every setting. From it come the flags, the file's keys,
// --help and --print-config; the SETTINGS section of morlo3(6) follows it,
// and a test holds the page to the table.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "kestrel/program.h"

namespace morlo3 {

enum class SettingKind {
  Choice,   // one word of `choices`, in any case
  Scale,    // auto, or a whole number from 1 to 16
  Level,    // a whole number from 0 to 100
  Keys,     // key names, separated by commas
  Buttons,  // a game controller's button names, separated by commas
};

struct Setting {
  const char* section;
  const char* name;
  SettingKind kind;
  const char* defaultValue;
  // Choice: the words it takes.
  std::vector<const char*> choices;
  // One line of help.
  const char* help;
  // Keys and Buttons: the action they do.
  kestrel::Action action = kestrel::Action::Left;
};

const std::vector<Setting>& SettingsTable();
// The sections in the table's order, each once.
std::vector<std::string> SettingsSections();

// The flag that sets a setting: --NAME for [game] and [sound], --key-NAME
// and --pad-NAME for [keys] and [pad]. [game] fullscreen has --fullscreen
// and --window instead.
std::string FlagOf(const Setting& setting);
// What a setting takes, as a sentence says it: "ask, yes or no".
std::string AcceptedText(const Setting& setting);
// What a setting takes, as the settings file and the manual page write it:
// "ask | yes | no".
std::string SynopsisOf(const Setting& setting);

// Checks a value for a setting. Accepted: true, with the value as the table
// spells it in `canonical` ("AUTO" is "auto", "left ctrl,space" is
// "Left Ctrl, Space"). Refused: false, with why in `reason` when there is
// more to say than what the setting takes ("no key is called Spcae").
bool CheckSettingValue(const Setting& setting, const std::string& value, std::string& canonical, std::string& reason);

// The key codes, or pad button bits, of a checked Keys or Buttons value.
std::vector<uint32_t> BoundCodes(const Setting& setting, const std::string& canonical);

// Every setting's value for a run, in the table's order, and where it came
// from.
struct PlayerSettings {
  struct Value {
    std::string text;
    int line = 0;  // the settings file's line, 0 for the default
    bool flag = false;
  };
  std::vector<Value> values;

  PlayerSettings();  // every setting at its default
  const std::string& Get(const std::string& section, const std::string& name) const;
};

// Reads a settings file over `settings`. Every bad line is one entry of
// `problems`, in the order of the lines, naming the file, the line, the key
// and what it takes; that setting keeps the value it had. A file that
// cannot be read is one entry, and nothing changes. A missing file is no
// problem unless `mustExist`.
void ReadSettingsFile(const std::string& path, bool mustExist, PlayerSettings& settings,
                      std::vector<std::string>& problems);

// The command line, checked against the table.
struct CommandLine {
  enum class Ask { Play, Help, Version, PrintConfig, Bad };
  Ask ask = Ask::Play;
  std::string error;       // Bad: one line, without the program's name
  std::string configFile;  // --config, or ""
  // The flags given, as (index in the table, checked value).
  std::vector<std::pair<size_t, std::string>> flags;
};
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The settings of a run: the file (the one --config names, else the
// player's own), then the flags over it. Problems of the file go to
// `problems`; a flag that binds a key another action has is `error` (the
// run ends as for a bad flag).
PlayerSettings SettingsForRun(const CommandLine& commandLine, std::vector<std::string>& problems, std::string& error);
// The player's own settings file: $XDG_CONFIG_HOME/morlo3/morlo3.ini, else
// ~/.config/morlo3/morlo3.ini; "" when neither can be named.
std::string DefaultSettingsFile();

std::string HelpText();
// A complete settings file: every setting at its default, with its help and
// what it takes as comments.
std::string PrintConfigText();

// Hands the settings to the engine: the start-up answer, the window's scale
// and shape, the sound levels and the bindings.
void ApplySettings(const PlayerSettings& settings);

}  // namespace morlo3
