#include "kestrel/platform/environment.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "kestrel/platform/errors.h"

namespace kestrel::platform {

std::optional<std::string> EnvValue(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return std::nullopt;
  return std::string(v);
}

void EnvFail(const char* name, const std::string& why) {
  const char* v = std::getenv(name);
  throw UsageError(std::string(name) + "=\"" + (v ? v : "") + "\" is not understood: " + why);
}

void EnvUnusable(const char* name, const std::string& value, const std::string& why) {
  throw UsageError(std::string(name) + "=\"" + value + "\" is not usable: " + why);
}

std::optional<std::string> EnvChoice(const char* name, std::initializer_list<std::string_view> accepted) {
  std::optional<std::string> v = EnvValue(name);
  if (!v) return v;
  for (std::string_view a : accepted)
    if (*v == a) return v;
  // "use a, b or c"
  std::string list;
  size_t i = 0;
  for (std::string_view a : accepted) {
    if (i > 0) list += i + 1 == accepted.size() ? " or " : ", ";
    list += a;
    ++i;
  }
  EnvFail(name, "use " + list);
}

std::optional<int64_t> EnvWholeNumber(const char* name, int64_t least, int64_t most, const char* what) {
  std::optional<std::string> v = EnvValue(name);
  if (!v) return std::nullopt;
  const std::string& s = *v;
  // Digits only: no sign, no blanks, no "0x", nothing after the number.
  bool digits = !s.empty() && s.size() <= 18;
  for (char c : s) digits = digits && c >= '0' && c <= '9';
  if (!digits) EnvFail(name, std::string("use ") + what);
  const int64_t n = std::strtoll(s.c_str(), nullptr, 10);
  if (n < least || n > most) EnvFail(name, std::string("use ") + what);
  return n;
}

std::optional<float> EnvDecimal(const char* name) {
  std::optional<std::string> v = EnvValue(name);
  if (!v) return std::nullopt;
  // Digits with at most one point between or after them.
  const std::string& s = *v;
  int points = 0, digits = 0;
  for (char c : s) {
    if (c == '.') ++points;
    else if (c >= '0' && c <= '9') ++digits;
    else digits = -1000;
  }
  if (digits <= 0 || points > 1 || s.front() == '.' || s.size() > 16)
    EnvFail(name, "use a version number such as 3.50");
  errno = 0;
  const float f = std::strtof(s.c_str(), nullptr);
  if (errno != 0 || !std::isfinite(f)) EnvFail(name, "use a version number such as 3.50");
  return f;
}

void CheckEnvironment() {
  EnvChoice("KESTREL_PLATFORM", {"headless", "sdl"});
  EnvChoice("KESTREL_ANSWER", {"yes", "no"});
  EnvChoice("KESTREL_DEPTH", {"15", "16", "24", "32"});
  EnvWholeNumber("KESTREL_MAX_FRAMES", 0, INT64_MAX / 2, "a whole number of frames, 0 or more");
  EnvWholeNumber("KESTREL_CAPTURE_EVERY", 1, INT32_MAX, "a whole number of frames, 1 or more");
  EnvDecimal("KESTREL_SOUND_VERSION");
  EnvChoice("KESTREL_PRESENT", {"surface", "renderer"});
}

}  // namespace kestrel::platform
