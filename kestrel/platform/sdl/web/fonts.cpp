// The fonts a page has: the faces it carries, built into its files by the
// build (web/), instead of fontconfig's answer on the desktop.
#include <cctype>

#include "kestrel/platform/font_files.h"

namespace kestrel::platform {

namespace {

// The game draws all its text in bold "Times New Roman", which resolves to
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
