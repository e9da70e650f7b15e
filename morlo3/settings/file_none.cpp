// The page reads no settings file: a player has no way to put a file where
// it looks, and the page carries no reader of the file's format (inih's
// source package is not on the archive its libraries are built from).
#include "morlo3/settings/file.h"

namespace morlo3 {

std::string ParseSettingsLines(FileReading&) { return "the page reads no settings file"; }

}  // namespace morlo3
