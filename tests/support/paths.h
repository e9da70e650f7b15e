// Where the build leaves the game and the data it generated.
#pragma once
#include <string>

namespace kestrel::testing {

inline const std::string kGame = std::string(KESTREL_BINARY_DIR) + "/morlo3/morlo3";
inline const std::string kGeneratedData = std::string(KESTREL_BINARY_DIR) + "/data.kpk";
// The saved input of a whole game at normal difficulty, played to the credits.
inline const std::string kNormalReplay = std::string(KESTREL_SOURCE_DIR) + "/tests/replays/normal.input";

}  // namespace kestrel::testing
