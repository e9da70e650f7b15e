// The command line: the flags of the settings table, --config, and the
// requests that run no game.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "morlo3/settings/table.h"

namespace morlo3 {

// The command line, checked against the table.
struct CommandLine {
  enum class Ask { Play, Help, Version, PrintConfig, Bad };
  Ask ask = Ask::Play;
  std::string error;       // Bad: one line, without the program's name
  std::string configFile;  // --config, or ""
  // The flags given, as (index in the table, checked value).
  std::vector<std::pair<size_t, SettingValue>> flags;
};
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The settings of a run: the file (the one --config names, else the
// player's own), then the flags over it. Problems of the file go to
// `problems`; a flag that binds a key another action has is `error` (the
// run ends as for a bad flag).
PlayerSettings SettingsForRun(const CommandLine& commandLine, std::vector<std::string>& problems, std::string& error);

}  // namespace morlo3
