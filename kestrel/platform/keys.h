// The keyboard's keys by scan code and a game controller's buttons by bit, as
// every backend reports them, with the names the player's settings give
// them: SDL's, the same on every backend and in a page.
#pragma once
#include <cstdint>
#include <string>

namespace kestrel::platform {

// Keyboard scan codes the game asks for.
constexpr uint8_t DIK_ESCAPE = 0x01;
constexpr uint8_t DIK_RETURN = 0x1C;
constexpr uint8_t DIK_LCONTROL = 0x1D;
constexpr uint8_t DIK_RCONTROL = 0x9D;
constexpr uint8_t DIK_UP = 0xC8;
constexpr uint8_t DIK_LEFT = 0xCB;
constexpr uint8_t DIK_RIGHT = 0xCD;
constexpr uint8_t DIK_DOWN = 0xD0;
constexpr uint8_t DIK_P = 0x19;
constexpr uint8_t DIK_NUMPADENTER = 0x9C;
constexpr uint8_t DIK_PAUSE = 0xC5;

// A game controller's buttons as bits of TakePadPresses: bit i is the
// controller button SDL numbers i. The stick's directions count as the
// d-pad's.
enum PadButton : uint32_t {
  kPadA = 1u << 0,
  kPadB = 1u << 1,
  kPadX = 1u << 2,
  kPadY = 1u << 3,
  kPadBack = 1u << 4,
  kPadGuide = 1u << 5,
  kPadStart = 1u << 6,
  kPadUp = 1u << 11,
  kPadDown = 1u << 12,
  kPadLeft = 1u << 13,
  kPadRight = 1u << 14,
};

// The scan code of a key name ("Space", "Left Ctrl", "Keypad 0"; any case),
// or 0 when the name is no key or a key without a scan code.
uint8_t DikFromKeyName(const std::string& name);
// The name of the key with this scan code; "" when there is none.
std::string KeyNameOfDik(uint8_t dik);
// The PadButton bit of a game controller's button name ("a", "start",
// "leftshoulder"; any case), or 0 when the name is no button.
uint32_t PadBitFromName(const std::string& name);
// The name of the button of a PadButton bit; "" when there is none.
std::string PadNameOfBit(uint32_t bit);

}  // namespace kestrel::platform
