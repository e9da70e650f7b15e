// The input script: what a player did, one event a line at the frame the game
// saw it (the KESTREL_INPUT format). Both backends play it, and the real
// display writes it (KESTREL_RECORD). A script may begin with the keys each
// action was bound to where it was recorded, so it replays the same whatever
// the settings where it is played.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kestrel/platform/bindings.h"

namespace kestrel::platform {

// One scripted event. `frame` is the number of frames presented before it
// applies. A Bind holds for the whole run: the key `code` is one of those
// bound to `action`, whatever the program's settings say.
struct ScriptEvent {
  enum class Type { Key, Mouse, Button, Close, FocusLost, Bind };
  uint64_t frame = 0;
  Type type = Type::Key;
  int code = 0;       // key scan code, or button 0 left, 1 right, 2 middle
  bool down = false;  // key and button
  int32_t x = 0, y = 0;
  Action action = Action::Left;  // Bind
};

// Parses the KESTREL_INPUT format; throws std::runtime_error naming the line
// of the first malformed entry.
std::vector<ScriptEvent> ParseInputScript(const std::string& text);
// Reads and parses the script file `path` names; a folder, a file that cannot
// be read and a malformed line are bad settings (UsageError naming
// KESTREL_INPUT).
std::vector<ScriptEvent> LoadInputScript(const std::string& path);
// Takes the Bind events out of `events` and folds them into `into`: the
// bindings the program runs with (the settings'), each action a script
// names bound to the script's keys alone. Left as it was when none.
void TakeScriptBindings(std::vector<ScriptEvent>& events, std::optional<Bindings>& into);
// The line of one event, as the parser reads it back (a Bind with its one
// code).
std::string ScriptLine(const ScriptEvent& event);
// The bind lines of `bound`, one an action, that a script recorded with
// them starts with.
std::string BindLines(const Bindings& bound);

}  // namespace kestrel::platform
