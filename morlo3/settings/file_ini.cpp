// The desktop reads the settings file's lines with inih.
#include <ini.h>

#include <cstring>

#include "morlo3/settings/file.h"

namespace morlo3 {

namespace {

// inih's reader: one line at a time, so that the handler knows its number.
// Leading blanks go, so that an indented line is never read as the
// continuation of the one above; a line too long for inih's buffer is
// reported here and handed on empty.
char* ReadOneLine(char* buffer, int room, void* stream) {
  auto& r = *static_cast<FileReading*>(stream);
  if (r.next >= r.lines.size()) return nullptr;
  std::string text = r.lines[r.next++];
  r.line = int(r.next);
  const size_t first = text.find_first_not_of(" \t");
  text.erase(0, first == std::string::npos ? text.size() : first);
  if (text.size() + 2 > size_t(room)) {
    r.Problem(r.line, "the line is longer than " + std::to_string(room - 2) + " characters; it is left out");
    r.understood.insert(r.line);
    text.clear();
  }
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\n';
  buffer[text.size() + 1] = '\0';
  return buffer;
}

int OnPair(void* user, const char* section, const char* name, const char* value) {
  static_cast<FileReading*>(user)->Pair(section, name, value);
  return 1;
}

}  // namespace

std::string ParseSettingsLines(FileReading& reading) {
  ini_parse_stream(ReadOneLine, &reading, OnPair, &reading);
  return "";
}

}  // namespace morlo3
