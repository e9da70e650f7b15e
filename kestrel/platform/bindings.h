// The player's keys and pad buttons for each action. The game asks for the
// keys it was made with (left Ctrl fires); the engine answers with the keys
// the player bound to that action, so every backend and every replay sees
// the same bindings. A replayed script may carry the bindings it was
// recorded with; those then win over the program's own.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrel::platform {

enum class Action : int { Left, Right, Jump, Fire, Pause, Back };
constexpr int kActionCount = 6;

// The action's name as settings and scripts spell it ("fire").
const char* ActionName(Action action);
// The action named so; false when no action is.
bool ActionOfName(const char* name, Action& out);
// The key the game asks for when it means the action: the one it was made
// with (Pause has two; the first).
uint8_t DesignedKey(Action action);
// The action the game means when it asks for `key` (P and Pause both mean
// Pause); false for a key that means no action, such as Enter.
bool DesignedAction(uint8_t key, Action& out);

struct Bindings {
  // Scan codes, at least one an action.
  std::array<std::vector<uint8_t>, kActionCount> keys;
  // PadButton bits (input.h). Left and Right stay the d-pad's and the
  // stick's, whatever is bound here.
  std::array<uint32_t, kActionCount> pad{};

  // As the game was made: the arrows, Up, left Ctrl, P or Pause, Esc; A, X
  // or B, Start and Back.
  static Bindings Defaults();

  const std::vector<uint8_t>& Keys(Action a) const { return keys[size_t(a)]; }
  uint32_t Pad(Action a) const { return pad[size_t(a)]; }
  // Whether any key of the action is 0x80 in a 256-byte key array.
  bool AnyKey(Action a, const uint8_t* keys) const;
  // The action `key` is bound to, or false when it is bound to none.
  bool ActionOfKey(uint8_t key, Action& out) const;
};

// The program's bindings, from the player's settings; the defaults until
// set.
Bindings& ProgramBindings();
// The bindings the devices read now: the current display's replayed
// script's, when it carries any, else the program's.
const Bindings& ActiveBindings();

}  // namespace kestrel::platform
