// Fuzzes the input script parser (KESTREL_INPUT, and what KESTREL_RECORD
// writes) on any bytes: it either refuses the text with a line-numbered
// message or gives events whose fields lie in their ranges; what it gives,
// written out again, reads back the same.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "kestrel/platform/input_script.h"

using kestrel::platform::ParseInputScript;
using kestrel::platform::ScriptEvent;
using kestrel::platform::ScriptLine;

namespace {

bool Same(const ScriptEvent& a, const ScriptEvent& b) {
  return a.frame == b.frame && a.type == b.type && a.code == b.code && a.down == b.down && a.x == b.x && a.y == b.y;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<ScriptEvent> events;
  try {
    events = ParseInputScript(text);
  } catch (const std::runtime_error& e) {
    if (std::string(e.what()).rfind("input script line ", 0) != 0) __builtin_trap();
    return 0;
  }
  std::string again;
  for (const ScriptEvent& e : events) {
    if (e.type == ScriptEvent::Type::Key && (e.code < 0 || e.code > 255)) __builtin_trap();
    if (e.type == ScriptEvent::Type::Button && (e.code < 0 || e.code > 2)) __builtin_trap();
    again += ScriptLine(e) + "\n";
  }
  const std::vector<ScriptEvent> back = ParseInputScript(again);
  if (back.size() != events.size()) __builtin_trap();
  for (size_t i = 0; i < back.size(); ++i)
    if (!Same(back[i], events[i])) __builtin_trap();
  return 0;
}
