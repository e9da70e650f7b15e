// Binding keys and pad buttons in the run's settings, as the player's
// settings file does.
#pragma once
#include <cstdint>
#include <vector>

#include "kestrel/settings.h"

namespace kestrel::testing {

// `action` on `keys` (none: its keys stay) and on the buttons of
// `padButtons` (PadButton bits).
inline void BindAction(Action action, const std::vector<uint8_t>& keys, uint32_t padButtons) {
  Settings s = CurrentSettings();
  if (!keys.empty()) s.bindings.keys[size_t(action)] = keys;
  s.bindings.pad[size_t(action)].clear();
  for (uint32_t bit = 1; bit != 0; bit <<= 1)
    if (padButtons & bit) s.bindings.pad[size_t(action)].push_back(bit);
  UseSettings(s);
}

}  // namespace kestrel::testing
