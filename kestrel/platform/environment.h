// The KESTREL_* environment variables, read by one small parser. A variable
// that is unset or empty takes its default; any other value that is not
// accepted is a kestrel::UsageError of one line that names the variable and
// what it accepts, so a typing slip never passes for a default.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel::platform {

// The value, or nothing when the variable is unset or empty.
std::optional<std::string> EnvValue(const char* name);
// One of `accepted`, spelled exactly.
std::optional<std::string> EnvChoice(const char* name, std::initializer_list<std::string_view> accepted);
// A whole number in decimal from `least` to `most`; `what` says what it
// counts, for the message ("a whole number of frames, 0 or more").
std::optional<int64_t> EnvWholeNumber(const char* name, int64_t least, int64_t most, const char* what);
// A decimal number such as 3.50.
std::optional<float> EnvDecimal(const char* name);

// [[noreturn]] Throws the one-line UsageError for `name`: its value, then
// `why` (already phrased, e.g. "use 15, 16, 24 or 32").
[[noreturn]] void EnvFail(const char* name, const std::string& why);

// [[noreturn]] Throws the one-line UsageError for a file or folder `name`
// gives as `value` that cannot be used, and `why` ("cannot write it").
[[noreturn]] void EnvUnusable(const char* name, const std::string& value, const std::string& why);

// Every variable the engine knows, each as its backend would read it:
// KESTREL_PLATFORM, KESTREL_ANSWER, KESTREL_DEPTH, KESTREL_MAX_FRAMES,
// KESTREL_CAPTURE_EVERY, KESTREL_SOUND_VERSION and KESTREL_PRESENT. Both backends run it before
// they start, so a bad value stops either one the same way. The file and
// folder variables are checked by the headless backend, which uses them.
void CheckEnvironment();

}  // namespace kestrel::platform
