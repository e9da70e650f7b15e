// Where the build leaves the game and the data it generated.
#pragma once
#include <string>

namespace kestrel::testing {

inline const std::string kGame = std::string(KESTREL_BINARY_DIR) + "/morlo3/morlo3";
inline const std::string kGeneratedData = std::string(KESTREL_BINARY_DIR) + "/data.kpk";

}  // namespace kestrel::testing
