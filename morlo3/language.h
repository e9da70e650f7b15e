// The language of the game's texts. Portuguese is the game as it was made:
// its texts are the keys of every other language's catalogue, and with it
// every lookup hands back the designed bytes untouched. Another language
// swaps each shown text through its catalogue, and the painted pictures for
// its own.
#pragma once
#include <array>
#include <string>
#include <vector>

// Marks a designed text for the translators' template (po/morlo3.pot), which
// xgettext extracts from the sources; the text itself is unchanged.
#define N_(text) text
// The same for a designed text that stands for two things, told apart for
// the translators by a context ("Sair" quits on the main page and goes back
// on the options page). The mark is gettext's "context\4text"; only the
// text is ever drawn in Portuguese.
#define NC_(context, text) context "\4" text

namespace morlo3 {

// The languages the game speaks, the designed one first. A constant, not a
// vector: clang starts an inline vector after the settings table that copies
// it, which then offered no language at all.
inline constexpr std::array<const char*, 2> kLanguages{"pt", "en"};
// The catalogues' name: <locale folder>/<language>/LC_MESSAGES/morlo3.mo.
inline constexpr const char* kTextDomain = "morlo3";

// The language of the texts: the settings' (one of kLanguages).
const std::string& Language();

// Reads the catalogue of the chosen language, where an installation keeps
// it or beside the program. A language other than Portuguese without its
// catalogue ends the run (FatalError) with the folders searched.
void LoadLanguage(const std::string& installedLocaleFolder);

// The text to draw for a designed one (N_ or NC_). A text the catalogue lacks
// is drawn as designed, and noted once on standard error.
const char* Shown(const char* designed);
const std::string& Shown(const std::string& designed);

// A designed text and the column it is drawn from, so that a translation
// can be measured where it will stand.
struct PlacedText {
  int X;
  const char* Text;
};
// Every text the game draws from its tables, by module.
void MenuTexts(std::vector<PlacedText>& out);
void ScreenTexts(std::vector<PlacedText>& out);
void StageTexts(std::vector<PlacedText>& out);

// The entry of data.kpk holding the backdrop sheet in `language`: the help
// page, the pictures before the stages and the ending are painted with its
// words. The data generator writes the entries under these names.
inline std::string BackdropSheetEntry(const std::string& language) {
  return language == kLanguages[0] ? "320200.jpg" : "320200" + language + ".jpg";
}

}  // namespace morlo3
