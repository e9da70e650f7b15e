// The SDL display in a web page (built with emscripten): what stands in for
// the desktop's start-up question, window icon and fontconfig. The page
// itself (web/) fetches the data, shows SDL's message boxes in its own
// panel and lets the game go on at the player's first click or key.
#include <emscripten.h>

#include <cctype>

#include "kestrel/platform/font_files.h"
#include "kestrel/platform/sdl/sdl_display_impl.h"

namespace kestrel::platform {

// The game starts in the page as in a window; the page's button and
// Alt+Enter take it to the whole screen.
bool SdlDisplay::AskYesNo(const std::string&, const std::string&) { return AnswerFromEnvironment() == 1; }

// A page has no window icon beyond its favicon.
bool OfferIconSizes(SDL_Window*, const std::vector<uint32_t>&, int, int) { return false; }

void WaitForThePlayer() {
  // The page sets the flag at the first click or key press (web/index.html).
  while (!EM_ASM_INT({ return Module.kestrelPlayerHere ? 1 : 0; })) emscripten_sleep(50);
}

// ---- no shared libraries ----

// The desktop backend loads ALSA and Xlib by name to quiet or guard them; a
// page has neither, nor any shared library. Emscripten's own dlopen would
// stop the program, so the page's finds nothing, as a desktop without them
// would.
extern "C" void* dlopen(const char*, int) { return nullptr; }
extern "C" void* dlsym(void*, const char*) { return nullptr; }

// ---- the page's fonts ----

namespace {

// The faces the page carries, built into its files by the build (web/).
struct CarriedFace {
  const char* family;
  const char* file;
};
constexpr CarriedFace kCarried[] = {
    {"Liberation Serif", "/fonts/LiberationSerif-Regular.ttf"},
};
// What a generic name or an unknown family falls back to, as fontconfig's
// default serif does on the desktop.
constexpr const CarriedFace& kSerif = kCarried[0];

bool SameName(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return i == a.size() && !b[i];
}

FaceFile FaceOf(const CarriedFace& c) {
  FaceFile f;
  f.file = c.file;
  f.family = c.family;
  // Only upright regular files are carried: bold and italic are drawn from
  // them, as SDL_ttf does for any face that lacks its own.
  return f;
}

}  // namespace

std::optional<FaceFile> MatchFace(const std::string& name, bool, bool, bool exact) {
  for (const CarriedFace& c : kCarried)
    if (SameName(name, c.family)) return FaceOf(c);
  if (exact) return std::nullopt;
  return FaceOf(kSerif);
}

std::optional<FaceFile> AnyFace() { return FaceOf(kSerif); }

}  // namespace kestrel::platform
