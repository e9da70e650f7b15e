// Font files found through fontconfig, on the desktop.
#include "kestrel/platform/font_files.h"

#include <fontconfig/fontconfig.h>

#include <cctype>

namespace kestrel::platform {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

FcConfig* FontConfig() {
  static FcConfig* config = FcInitLoadConfigAndFonts();
  return config;
}

bool HasFamily(FcPattern* pattern, const std::string& wanted) {
  const std::string want = Lower(wanted);
  FcChar8* family = nullptr;
  for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
    if (Lower(reinterpret_cast<const char*>(family)) == want) return true;
  }
  return false;
}

std::optional<FaceFile> FromPattern(FcPattern* match) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  FaceFile face;
  face.file = reinterpret_cast<const char*>(file);
  int index = 0;
  if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) face.index = index;
  FcChar8* family = nullptr;
  if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch) {
    face.family = reinterpret_cast<const char*>(family);
  }
  FcBool embolden = FcFalse;
  if (FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch) {
    face.embolden = embolden;
  }
  int weight = FC_WEIGHT_REGULAR;
  if (FcPatternGetInteger(match, FC_WEIGHT, 0, &weight) == FcResultMatch) {
    face.bold = weight >= FC_WEIGHT_DEMIBOLD;
  }
  int slant = FC_SLANT_ROMAN;
  if (FcPatternGetInteger(match, FC_SLANT, 0, &slant) == FcResultMatch) {
    face.italic = slant != FC_SLANT_ROMAN;
  }
  return face;
}

}  // namespace

// Fontconfig always answers something; `exact` keeps only the family asked for.
std::optional<FaceFile> MatchFace(const std::string& name, bool bold, bool italic, bool exact) {
  FcConfig* config = FontConfig();
  if (!config) return std::nullopt;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name.c_str()));
  if (!pattern) return std::nullopt;
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return std::nullopt;
  std::optional<FaceFile> face;
  if (!exact || HasFamily(match, name)) face = FromPattern(match);
  FcPatternDestroy(match);
  return face;
}

std::optional<FaceFile> AnyFace() {
  FcConfig* config = FontConfig();
  if (!config) return std::nullopt;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FAMILY, FC_WEIGHT, FC_SLANT, nullptr);
  FcFontSet* set = FcFontList(config, pattern, objects);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  std::optional<FaceFile> face;
  if (set) {
    for (int i = 0; i < set->nfont && !face; ++i) face = FromPattern(set->fonts[i]);
    FcFontSetDestroy(set);
  }
  return face;
}

}  // namespace kestrel::platform
