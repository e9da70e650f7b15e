// Where the file of a TrueType face is: fontconfig's answer on the desktop
// (sdl/desktop/fonts.cpp), the files the page carries (sdl/web/fonts.cpp).
// Text drawing (text.cpp) chooses the names to ask for.
#pragma once
#include <optional>
#include <string>

namespace kestrel::platform {

struct FaceFile {
  std::string file;
  int index = 0;
  std::string family;
  bool embolden = false;  // fontconfig asks for synthetic bold
  bool bold = false;      // the file itself is bold
  bool italic = false;
};

// The best scalable match for `name` (a family or a generic name such as
// "serif"); with `exact`, only a face whose family is that name.
std::optional<FaceFile> MatchFace(const std::string& name, bool bold, bool italic, bool exact);
// Any scalable font file at all: the last resort.
std::optional<FaceFile> AnyFace();

}  // namespace kestrel::platform
