#include "morlo3/settings/command_line.h"

#include <CLI/CLI.hpp>

#include "morlo3/settings/file.h"

namespace morlo3 {

using kestrel::StartupAnswer;

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
  const std::vector<Setting>& table = SettingsTable();
  std::vector<std::string> given(table.size());
  std::vector<CLI::Option*> options(table.size(), nullptr);
  for (size_t i = 0; i < table.size(); ++i)
    if (std::string(table[i].name) != "fullscreen") options[i] = option(FlagOf(table[i]), given[i]);
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
  for (size_t i = 0; i < table.size(); ++i) {
    const bool isFullScreen = std::string(table[i].name) == "fullscreen";
    if (isFullScreen) {
      if (fullScreen || window)
        out.flags.emplace_back(i, SettingValue{int(fullScreen ? StartupAnswer::Yes : StartupAnswer::No)});
      continue;
    }
    if (options[i]->count() == 0) continue;
    SettingValue value;
    std::string reason;
    if (!CheckSettingValue(table[i], given[i], value, reason))
      return bad(FlagOf(table[i]) + " wants " + AcceptedText(table[i]) + (reason.empty() ? "" : ": " + reason));
    out.flags.emplace_back(i, value);
  }
  return out;
}

PlayerSettings SettingsForRun(const CommandLine& commandLine, std::vector<std::string>& problems, std::string& error) {
  PlayerSettings settings;
  const bool named = !commandLine.configFile.empty();
  const std::string path = named ? commandLine.configFile : DefaultSettingsFile();
  if (!path.empty()) ReadSettingsFile(path, named, settings, problems);
  const std::vector<Setting>& table = SettingsTable();
  for (const auto& [index, value] : commandLine.flags) {
    SetValueIn(table[index], value, settings.record);
    settings.sources[index] = {0, true};
  }
  // The file has no key bound twice now; a flag that binds one again is
  // the flag's fault.
  size_t wrong = 0, other = 0;
  std::string shared;
  if (FindDoubleBinding(settings, wrong, other, shared)) {
    const Setting& w = table[wrong];
    error = FlagOf(w) + " wants " + (w.kind == SettingKind::Keys ? "keys" : "buttons") +
            " no other action has: " + shared + " is already " + table[other].name + "'s";
  }
  return settings;
}

}  // namespace morlo3
