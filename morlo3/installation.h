// Where an installation keeps the game's data, and what a player whose data
// is missing there is told. Each program carries its own (installation.cpp,
// built with the values of the place it is installed to): the game library
// the build's own install prefix, the package's program the package's.
#pragma once

namespace morlo3 {

// The folder an installation keeps data.kpk in, searched last.
extern const char* const kInstalledDataFolder;
// The folder an installation keeps the languages' catalogues in
// (<folder>/<language>/LC_MESSAGES/morlo3.mo), searched last.
extern const char* const kInstalledLocaleFolder;
// The line the missing-data message ends with; "" for none.
extern const char* const kMissingDataAdvice;

}  // namespace morlo3
