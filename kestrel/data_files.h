// Where the program finds what it reads: its data archive and its message
// catalogues, wherever it was installed or copied to, and the player's
// settings.
#pragma once
#include <memory>
#include <string>
#include <vector>

namespace kestrel {

class TKPK;

// The folder of the player's settings for the program `name`:
// $XDG_CONFIG_HOME/<name>, else ~/.config/<name>; "" with neither.
std::string SettingsFolder(const std::string& name);

// Finds a file the program reads: in the current directory, then beside the
// executable, then in the data folder of an installation next to it
// (<bin>/../share/<name>), then in `installedFolder` (under
// $KESTREL_TEST_ROOT when that is set). The first that exists
// wins; with none, the name itself, so that opening it reports the current
// directory's error.
std::string FindDataFile(const std::string& file, const std::string& installedFolder);

// The folders FindDataFile searches, in its order, each once, as absolute
// paths; the current directory is "." when it cannot be named.
std::vector<std::string> DataFolders(const std::string& installedFolder);

// Opens the archive FindDataFile finds. When it is found nowhere, the
// archive's open error ("Cannot open file data.kpk: ...") is followed by
// the folders searched, one a line, in order, and then by `advice` when
// there is one.
std::unique_ptr<TKPK> OpenDataArchive(const std::string& file, const std::string& installedFolder,
                                      const std::string& advice = "");

// The folders a program's message catalogues are looked for in, in order:
// "locale" beside the executable (a build tree, or a copy of the game with
// its catalogues), the locale folder of an installation next to it
// (<bin>/../share/locale), then `installedFolder` (under $KESTREL_TEST_ROOT
// when that is set); each once.
std::vector<std::string> LocaleFolders(const std::string& installedFolder);
// The first <folder>/<language>/LC_MESSAGES/<domain>.mo of LocaleFolders
// that exists; "" when there is none.
std::string FindCatalogue(const std::string& language, const std::string& domain, const std::string& installedFolder);

}  // namespace kestrel
