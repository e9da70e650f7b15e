#include "kestrel/platform/settings.h"

namespace kestrel::platform {

namespace {

Settings& Current() {
  static Settings settings;
  return settings;
}

}  // namespace

const Settings& CurrentSettings() { return Current(); }

void UseSettings(const Settings& settings) { Current() = settings; }

}  // namespace kestrel::platform
