#include "kestrel/platform/bindings.h"

#include <cstring>

#include "kestrel/platform/display.h"
#include "kestrel/platform/input.h"

namespace kestrel::platform {

namespace {

struct ActionEntry {
  const char* name;
  uint8_t designed;
};
// In the order of Action.
constexpr ActionEntry kActions[kActionCount] = {
    {"left", DIK_LEFT},     {"right", DIK_RIGHT}, {"jump", DIK_UP},
    {"fire", DIK_LCONTROL}, {"pause", DIK_P},     {"back", DIK_ESCAPE},
};

}  // namespace

const char* ActionName(Action action) { return kActions[size_t(action)].name; }

bool ActionOfName(const char* name, Action& out) {
  for (int a = 0; a < kActionCount; ++a)
    if (std::strcmp(kActions[a].name, name) == 0) {
      out = Action(a);
      return true;
    }
  return false;
}

uint8_t DesignedKey(Action action) { return kActions[size_t(action)].designed; }

bool DesignedAction(uint8_t key, Action& out) {
  if (key == DIK_PAUSE) key = DIK_P;
  for (int a = 0; a < kActionCount; ++a)
    if (kActions[a].designed == key) {
      out = Action(a);
      return true;
    }
  return false;
}

Bindings Bindings::Defaults() {
  Bindings b;
  for (int a = 0; a < kActionCount; ++a) b.keys[size_t(a)] = {kActions[a].designed};
  b.keys[size_t(Action::Pause)].push_back(DIK_PAUSE);
  b.pad[size_t(Action::Jump)] = kPadA;
  b.pad[size_t(Action::Fire)] = kPadX | kPadB;
  b.pad[size_t(Action::Pause)] = kPadStart;
  b.pad[size_t(Action::Back)] = kPadBack;
  return b;
}

bool Bindings::AnyKey(Action a, const uint8_t* state) const {
  for (uint8_t k : keys[size_t(a)])
    if (state[k] == 0x80) return true;
  return false;
}

bool Bindings::ActionOfKey(uint8_t key, Action& out) const {
  for (int a = 0; a < kActionCount; ++a)
    for (uint8_t k : keys[size_t(a)])
      if (k == key) {
        out = Action(a);
        return true;
      }
  return false;
}

Bindings& ProgramBindings() {
  static Bindings bindings = Bindings::Defaults();
  return bindings;
}

const Bindings& ActiveBindings() {
  if (HasDisplay())
    if (const Bindings* own = GetDisplay().ScriptBindings()) return *own;
  return ProgramBindings();
}

}  // namespace kestrel::platform
