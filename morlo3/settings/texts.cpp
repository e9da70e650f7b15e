#include "morlo3/settings/texts.h"

#include <sstream>

#include "morlo3/settings/table.h"

namespace morlo3 {

namespace {

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

}  // namespace

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
  for (const Setting& s : SettingsTable()) {
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
            SynopsisOf(s) + " (default " + DefaultText(s) + ")\n";
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
  for (const Setting& s : SettingsTable()) {
    if (section != s.section) {
      section = s.section;
      text += "\n[" + section + "]\n";
    }
    text +=
        Wrap(std::string(s.help) + " " + s.name + " = " + SynopsisOf(s), "# ") + s.name + " = " + DefaultText(s) + "\n";
  }
  return text;
}

}  // namespace morlo3
