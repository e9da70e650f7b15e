#include "kestrel/settings.h"

#include <cstdlib>

namespace kestrel {

void UseSettings(const Settings& settings) { platform::SetCurrentSettings(settings); }

std::string SettingsFolder(const std::string& name) {
  // Only an absolute XDG_CONFIG_HOME counts, as the XDG rules say.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return std::string(config) + "/" + name;
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return std::string(home) + "/.config/" + name;
  return "";
}

}  // namespace kestrel
