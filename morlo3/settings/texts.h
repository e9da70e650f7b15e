// What the settings table says of itself: --help, and --print-config's
// settings file.
#pragma once
#include <string>

namespace morlo3 {

std::string HelpText();
// A complete settings file: every setting at its default, with its help and
// what it takes as comments.
std::string PrintConfigText();

}  // namespace morlo3
