#include "kestrel/platform/keys.h"

namespace kestrel::platform {

namespace {

struct KeyName {
  uint8_t dik;
  const char* name;
};

// SDL's names of the keys that have a scan code, by scan code; the first of
// a code is its name, a later one another name for the same key (the ISO
// key left of Enter gives the code of backslash).
// clang-format off
constexpr KeyName kKeyNames[] = {
    {0x01, "Escape"}, {0x02, "1"}, {0x03, "2"}, {0x04, "3"}, {0x05, "4"}, {0x06, "5"}, {0x07, "6"}, {0x08, "7"},
    {0x09, "8"}, {0x0A, "9"}, {0x0B, "0"}, {0x0C, "-"}, {0x0D, "="}, {0x0E, "Backspace"}, {0x0F, "Tab"},
    {0x10, "Q"}, {0x11, "W"}, {0x12, "E"}, {0x13, "R"}, {0x14, "T"}, {0x15, "Y"}, {0x16, "U"}, {0x17, "I"},
    {0x18, "O"}, {0x19, "P"}, {0x1A, "["}, {0x1B, "]"}, {0x1C, "Return"}, {0x1D, "Left Ctrl"}, {0x1E, "A"},
    {0x1F, "S"}, {0x20, "D"}, {0x21, "F"}, {0x22, "G"}, {0x23, "H"}, {0x24, "J"}, {0x25, "K"}, {0x26, "L"},
    {0x27, ";"}, {0x28, "'"}, {0x29, "`"}, {0x2A, "Left Shift"}, {0x2B, "\\"}, {0x2B, "#"}, {0x2C, "Z"},
    {0x2D, "X"}, {0x2E, "C"}, {0x2F, "V"}, {0x30, "B"}, {0x31, "N"}, {0x32, "M"}, {0x33, ","}, {0x34, "."},
    {0x35, "/"}, {0x36, "Right Shift"}, {0x37, "Keypad *"}, {0x38, "Left Alt"}, {0x39, "Space"},
    {0x3A, "CapsLock"}, {0x3B, "F1"}, {0x3C, "F2"}, {0x3D, "F3"}, {0x3E, "F4"}, {0x3F, "F5"}, {0x40, "F6"},
    {0x41, "F7"}, {0x42, "F8"}, {0x43, "F9"}, {0x44, "F10"}, {0x45, "Numlock"}, {0x46, "ScrollLock"},
    {0x47, "Keypad 7"}, {0x48, "Keypad 8"}, {0x49, "Keypad 9"}, {0x4A, "Keypad -"}, {0x4B, "Keypad 4"},
    {0x4C, "Keypad 5"}, {0x4D, "Keypad 6"}, {0x4E, "Keypad +"}, {0x4F, "Keypad 1"}, {0x50, "Keypad 2"},
    {0x51, "Keypad 3"}, {0x52, "Keypad 0"}, {0x53, "Keypad ."}, {0x57, "F11"}, {0x58, "F12"}, {0x64, "F13"},
    {0x65, "F14"}, {0x66, "F15"}, {0x8D, "Keypad ="}, {0x90, "AudioPrev"}, {0x99, "AudioNext"},
    {0x9C, "Keypad Enter"}, {0x9D, "Right Ctrl"}, {0xA0, "Mute"}, {0xA1, "Calculator"}, {0xA2, "AudioPlay"},
    {0xA4, "AudioStop"}, {0xAE, "VolumeDown"}, {0xB0, "VolumeUp"}, {0xB2, "AC Home"}, {0xB3, "Keypad ,"},
    {0xB5, "Keypad /"}, {0xB7, "PrintScreen"}, {0xB8, "Right Alt"}, {0xC5, "Pause"}, {0xC7, "Home"}, {0xC8, "Up"},
    {0xC9, "PageUp"}, {0xCB, "Left"}, {0xCD, "Right"}, {0xCF, "End"}, {0xD0, "Down"}, {0xD1, "PageDown"},
    {0xD2, "Insert"}, {0xD3, "Delete"}, {0xDB, "Left GUI"}, {0xDC, "Right GUI"}, {0xDD, "Application"},
    {0xDE, "Power"}, {0xDF, "Sleep"}, {0xE5, "AC Search"}, {0xE6, "AC Bookmarks"}, {0xE7, "AC Refresh"},
    {0xE8, "AC Stop"}, {0xE9, "AC Forward"}, {0xEA, "AC Back"}, {0xEB, "Computer"}, {0xEC, "Mail"},
    {0xED, "MediaSelect"},
};
// clang-format on

// SDL's names of the controller's buttons, bit i the button SDL numbers i.
// clang-format off
constexpr const char* kPadNames[] = {
    "a", "b", "x", "y", "back", "guide", "start", "leftstick", "rightstick", "leftshoulder", "rightshoulder",
    "dpup", "dpdown", "dpleft", "dpright", "misc1", "paddle1", "paddle2", "paddle3", "paddle4", "touchpad",
};
// clang-format on

// As SDL compares names: ASCII letters in any case.
bool SameName(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return i == a.size() && !b[i];
}

}  // namespace

uint8_t DikFromKeyName(const std::string& name) {
  for (const KeyName& k : kKeyNames)
    if (SameName(name, k.name)) return k.dik;
  return 0;
}

std::string KeyNameOfDik(uint8_t dik) {
  for (const KeyName& k : kKeyNames)
    if (k.dik == dik) return k.name;
  return "";
}

uint32_t PadBitFromName(const std::string& name) {
  for (size_t b = 0; b < std::size(kPadNames); ++b)
    if (SameName(name, kPadNames[b])) return 1u << b;
  return 0;
}

std::string PadNameOfBit(uint32_t bit) {
  for (size_t b = 0; b < std::size(kPadNames); ++b)
    if (bit == 1u << b) return kPadNames[b];
  return "";
}

}  // namespace kestrel::platform
