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

// The faces the page carries, built into its files by the build (web/):
// the game draws all its text in bold "Times New Roman", which resolves to
// Liberation Serif, as on the desktop.
struct CarriedFace {
  const char* family;
  bool bold;
  bool italic;
  const char* file;
};
constexpr CarriedFace kCarried[] = {
    {"Liberation Serif", true, false, "/fonts/LiberationSerif-Bold.ttf"},
};

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
  f.bold = c.bold;
  f.italic = c.italic;
  return f;
}

// The carried face nearest in weight and slant (text.cpp slants or thickens
// a face that lacks its own), of `family`, or of any family when it is null,
// as fontconfig's default serif stands in for a family it does not know.
std::optional<FaceFile> Nearest(const std::string* family, bool bold, bool italic) {
  const CarriedFace* best = nullptr;
  int bestMisses = 3;
  for (const CarriedFace& c : kCarried) {
    if (family && !SameName(*family, c.family)) continue;
    const int misses = (c.bold != bold) + (c.italic != italic);
    if (misses < bestMisses) best = &c, bestMisses = misses;
  }
  if (!best) return std::nullopt;
  return FaceOf(*best);
}

}  // namespace

std::optional<FaceFile> MatchFace(const std::string& name, bool bold, bool italic, bool exact) {
  if (auto face = Nearest(&name, bold, italic)) return face;
  if (exact) return std::nullopt;
  return Nearest(nullptr, bold, italic);
}

std::optional<FaceFile> AnyFace() { return Nearest(nullptr, false, false); }

}  // namespace kestrel::platform
