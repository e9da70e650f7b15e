#include "kestrel/platform/input_script.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "kestrel/platform/environment.h"
#include "kestrel/platform/errors.h"
#include "kestrel/platform/settings.h"

namespace kestrel::platform {

namespace {

// The input script named by KESTREL_INPUT; a folder or a file that cannot be
// read is a bad setting, like a bad value.
std::string ReadInputScript(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec))
    EnvUnusable("KESTREL_INPUT", path, "it is a folder; name a file of input lines");
  std::ifstream in(path, std::ios::binary);
  if (!in) EnvUnusable("KESTREL_INPUT", path, std::string("cannot read it (") + std::strerror(errno) + ")");
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) EnvUnusable("KESTREL_INPUT", path, "cannot read it");
  return ss.str();
}

}  // namespace

std::vector<ScriptEvent> ParseInputScript(const std::string& text) {
  std::vector<ScriptEvent> events;
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::istringstream in(line);
    auto fail = [&](const std::string& why) {
      throw std::runtime_error("input script line " + std::to_string(number) + ": " + why + ": " + line);
    };
    // "bind ACTION CODE...": the keys an action had where the script was
    // recorded. No frame: they hold for the whole run.
    if (line.compare(first, 5, "bind ") == 0) {
      std::string word, name;
      in >> word >> name;
      ScriptEvent e;
      e.type = ScriptEvent::Type::Bind;
      if (!ActionOfName(name.c_str(), e.action)) fail("expected left, right, jump, fire, pause or back");
      int codes = 0;
      for (; in >> e.code; ++codes) {
        if (e.code < 0 || e.code > 255) fail("expected a scan code 0..255");
        events.push_back(e);
      }
      if (!in.eof() || codes == 0) fail("expected the scan codes bound to " + name);
      continue;
    }
    long long frame = -1;
    std::string kind;
    if (!(in >> frame) || frame < 0) fail("expected a frame number");
    if (!(in >> kind)) fail("expected an event");
    ScriptEvent e;
    e.frame = uint64_t(frame);
    auto upDown = [&]() {
      std::string s;
      if (!(in >> s) || (s != "down" && s != "up")) fail("expected down or up");
      return s == "down";
    };
    if (kind == "key") {
      e.type = ScriptEvent::Type::Key;
      if (!(in >> e.code) || e.code < 0 || e.code > 255) fail("expected a scan code 0..255");
      e.down = upDown();
    } else if (kind == "mouse") {
      e.type = ScriptEvent::Type::Mouse;
      if (!(in >> e.x >> e.y)) fail("expected X Y");
    } else if (kind == "button") {
      e.type = ScriptEvent::Type::Button;
      std::string b;
      in >> b;
      if (b == "left") e.code = 0;
      else if (b == "right") e.code = 1;
      else if (b == "middle") e.code = 2;
      else fail("expected left, right or middle");
      e.down = upDown();
    } else if (kind == "close") {
      e.type = ScriptEvent::Type::Close;
    } else if (kind == "focus") {
      std::string what;
      if (!(in >> what) || what != "lost") fail("expected lost");
      e.type = ScriptEvent::Type::FocusLost;
    } else {
      fail("unknown event '" + kind + "'");
    }
    std::string rest;
    if (in >> rest) fail("unexpected text after the event");
    events.push_back(e);
  }
  return events;
}

std::vector<ScriptEvent> LoadInputScript(const std::string& path) {
  try {
    return ParseInputScript(ReadInputScript(path));
  } catch (const UsageError&) {
    throw;
  } catch (const std::runtime_error& e) {
    throw UsageError(std::string("KESTREL_INPUT=\"") + path + "\": " + e.what());
  }
}

void TakeScriptBindings(std::vector<ScriptEvent>& events, std::optional<Bindings>& into) {
  std::array<bool, kActionCount> named{};
  for (const ScriptEvent& e : events) {
    if (e.type != ScriptEvent::Type::Bind) continue;
    if (!into) into = CurrentSettings().bindings;
    std::vector<uint8_t>& keys = into->keys[size_t(e.action)];
    if (!named[size_t(e.action)]) keys.clear();
    named[size_t(e.action)] = true;
    if (std::find(keys.begin(), keys.end(), uint8_t(e.code)) == keys.end()) keys.push_back(uint8_t(e.code));
  }
  std::erase_if(events, [](const ScriptEvent& e) { return e.type == ScriptEvent::Type::Bind; });
}

std::string ScriptLine(const ScriptEvent& e) {
  const std::string f = std::to_string(e.frame) + " ";
  switch (e.type) {
    case ScriptEvent::Type::Key: return f + "key " + std::to_string(e.code) + (e.down ? " down" : " up");
    case ScriptEvent::Type::Mouse: return f + "mouse " + std::to_string(e.x) + " " + std::to_string(e.y);
    case ScriptEvent::Type::Button: {
      static const char* kNames[] = {"left", "right", "middle"};
      return f + "button " + kNames[e.code < 0 || e.code > 2 ? 0 : e.code] + (e.down ? " down" : " up");
    }
    case ScriptEvent::Type::Close: return f + "close";
    case ScriptEvent::Type::FocusLost: return f + "focus lost";
    case ScriptEvent::Type::Bind: return std::string("bind ") + ActionName(e.action) + " " + std::to_string(e.code);
  }
  return f;
}

std::string BindLines(const Bindings& bound) {
  std::string text;
  for (const ActionInfo& a : kActions) {
    text += std::string("bind ") + a.name;
    for (uint8_t key : bound.Keys(a.action)) text += " " + std::to_string(int(key));
    text += "\n";
  }
  return text;
}

}  // namespace kestrel::platform
