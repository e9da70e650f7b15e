// The player's settings: the file read line by line against the one table,
// the manual page held to the table, and whole runs of the game (in-process,
// headless) with keys of the player's own, the start-up question answered,
// a bad file, and sound levels.
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "../support/files.h"
#include "../support/headless_fixture.h"
#include "../support/paths.h"
#include "../support/scoped_env.h"
#include "kestrel/platform/display.h"
#include "morlo3/settings/file.h"
#include "morlo3/settings/texts.h"
#include "morlo3/startup.h"

namespace kestrel::testing {
namespace {

using morlo3::PlayerSettings;
using morlo3::Setting;
using morlo3::SettingsTable;

class SettingsFile : public HeadlessTest {
 protected:
  // Reads `text` as a settings file over the defaults; its problems with the
  // file's name written as F.
  std::vector<std::string> Read(const std::string& text, PlayerSettings& s) {
    const std::string path = (scratch_.Path() / "morlo3.ini").string();
    std::ofstream(path) << text;
    std::vector<std::string> problems;
    morlo3::ReadSettingsFile(path, true, s, problems);
    for (std::string& p : problems)
      if (p.starts_with(path)) p = "F" + p.substr(path.size());
    return problems;
  }
};

const std::string kKeysTaken = "key names as SDL writes them (Space, Left Ctrl, W, Keypad 0), separated by commas";
const std::string kButtonsTaken =
    "game controller button names as SDL writes them (a, b, x, y, back, start, leftshoulder, dpup), separated by "
    "commas";

TEST_F(SettingsFile, EachLineIsTakenOrNamedWithWhatTheSettingTakes) {
  struct Case {
    std::string text;
    std::vector<std::string> problems;
    std::map<std::string, std::string> values;  // "section.name" -> value afterwards
  } cases[] = {
      // Every kind, in any case, a repeated key once, in SDL's spelling.
      {"[game]\nfullscreen = NO\nscale = 12\naspect = 4:3\n[sound]\neffects = 0\n[keys]\nfire = space, w, Space\n"
       "[pad]\nfire = Y, leftshoulder\n",
       {},
       {{"game.fullscreen", "no"},
        {"game.scale", "12"},
        {"game.aspect", "4:3"},
        {"sound.effects", "0"},
        {"keys.fire", "Space, W"},
        {"pad.fire", "y, leftshoulder"}}},
      // Comments, blanks, indented lines (never the line above continued)
      // and comments after a value.
      {"; note\n# note\n\n   [game]   \n  scale = 3   # the window\n    aspect = 4:3 ; the shape\n",
       {},
       {{"game.scale", "3"}, {"game.aspect", "4:3"}}},
      // A bad value keeps what the setting had; a good one after it counts.
      {"[game]\nscale = 0\nscale = 3\nscale = 99\nfullscreen = maybe\n",
       {"F:2: scale = 0: scale takes auto or a whole number from 1 to 16, so it stays auto",
        "F:4: scale = 99: scale takes auto or a whole number from 1 to 16, so it stays 3",
        "F:5: fullscreen = maybe: fullscreen takes ask, yes or no, so it stays ask"},
       {{"game.scale", "3"}, {"game.fullscreen", "ask"}}},
      {"[sound]\neffects = 50%\nmusic = 3\n",
       {"F:2: effects = 50%: effects takes a whole number from 0 to 100, so it stays 100",
        "F:3: [sound] music is no setting: [sound] has effects and ambience"},
       {{"sound.effects", "100"}}},
      // Lines that are no setting, and settings under no known section.
      {"scale = 3\n[video]\nscale = 4\n[game]\nscale 5\n[keys\n",
       {"F:1: scale = 3 comes before any section: put it under [game], [sound], [keys] or [pad]",
        "F:2: [video] is no section: use [game], [sound], [keys] or [pad]",
        "F:5: \"scale 5\" is not a setting: write name = value, or a [section] heading",
        "F:6: \"[keys\" is no section heading: write [game], [sound], [keys] or [pad]"},
       {{"game.scale", "auto"}}},
      {"[keys]\nfire = Spcae\nleft = A,\n[pad]\nback = select\n",
       {"F:2: fire = Spcae: no key the game reads is called \"Spcae\"; fire takes " + kKeysTaken +
            ", so it stays Left Ctrl",
        "F:3: left = A,: a key name is missing; left takes " + kKeysTaken + ", so it stays Left",
        "F:5: back = select: no button is called \"select\"; back takes " + kButtonsTaken + ", so it stays back"},
       {{"keys.fire", "Left Ctrl"}, {"keys.left", "Left"}, {"pad.back", "back"}}},
      // A key two actions share: the later line gives way, and then the one
      // its default meets.
      {"[keys]\nfire = Up, Space\njump = Space\n[pad]\nfire = a\n",
       {"F:2: fire = Up, Space: Up is already the key of jump; fire takes keys no other action has, so it stays "
        "Left Ctrl",
        "F:3: jump = Space: Space is already the key of fire; jump takes keys no other action has, so it stays Up",
        "F:5: fire = a: a is already the button of jump; fire takes buttons no other action has, so it stays x, b"},
       {{"keys.fire", "Left Ctrl"}, {"keys.jump", "Up"}, {"pad.fire", "x, b"}}},
      {"[keys]\njump = left ctrl\nfire = Space\n", {}, {{"keys.jump", "Left Ctrl"}, {"keys.fire", "Space"}}},
      {"[game]\nscale = " + std::string(300, '7') + "\naspect = 4:3\n",
       {"F:2: the line is longer than 198 characters; it is left out"},
       {{"game.scale", "auto"}, {"game.aspect", "4:3"}}},
  };
  for (const Case& c : cases) {
    PlayerSettings s;
    EXPECT_EQ(Read(c.text, s), c.problems) << c.text;
    for (const auto& [key, value] : c.values) {
      const size_t dot = key.find('.');
      EXPECT_EQ(s.Get(key.substr(0, dot), key.substr(dot + 1)), value) << c.text << key;
    }
  }
}

TEST_F(SettingsFile, AFileThatCannotBeReadIsOneLineAndTheDefaults) {
  std::filesystem::create_directory("folder");
  ASSERT_EQ(::mkfifo("pipe", 0600), 0);
  struct Case {
    std::string path;
    bool mustExist;
    std::string problem;  // "" for none
  } cases[] = {
      {"folder", false, "cannot read the settings file folder: it is a folder; every setting keeps its default"},
      {"pipe", false, "cannot read the settings file pipe: it is not a plain file; every setting keeps its default"},
      {"none.ini", true,
       "cannot read the settings file none.ini: No such file or directory; every setting keeps its default"},
      // The player's own file need not be there.
      {"none.ini", false, ""},
  };
  for (const Case& c : cases) {
    PlayerSettings s;
    std::vector<std::string> problems;
    morlo3::ReadSettingsFile(c.path, c.mustExist, s, problems);
    EXPECT_EQ(problems, c.problem.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.problem});
    EXPECT_EQ(s.record, PlayerSettings().record);
  }
}

// --print-config is a complete settings file: read back, every setting is
// on a line of its own, at its default, and nothing is a problem.
TEST_F(SettingsFile, ThePrintedFileNamesEverySettingAtItsDefault) {
  PlayerSettings s;
  EXPECT_EQ(Read(morlo3::PrintConfigText(), s), std::vector<std::string>{});
  for (size_t i = 0; i < SettingsTable().size(); ++i) {
    const Setting& row = SettingsTable()[i];
    EXPECT_EQ(morlo3::TextIn(row, s.record), morlo3::DefaultText(row)) << row.name;
    EXPECT_GT(s.sources[i].line, 0) << row.name << " is not in the printed file";
  }
}

// Each setting lands in its field of the engine's record: the start-up
// answer, the window's scale and shape, the levels, and every key and
// button of every action. At their defaults they are the game as it was
// made.
TEST_F(SettingsFile, EachSettingLandsInItsFieldOfTheEnginesRecord) {
  EXPECT_EQ(PlayerSettings().record, Settings{});
  EXPECT_EQ(PlayerSettings().record.bindings, platform::Bindings::Defaults());
  const Settings& w = PlayerSettings().record;
  EXPECT_EQ(w.scale, 0);
  EXPECT_EQ(w.aspect, platform::Aspect::Square);
  EXPECT_EQ(w.fullScreen, StartupAnswer::Ask);
  PlayerSettings s;
  ASSERT_EQ(Read("[game]\nfullscreen = yes\nscale = 5\naspect = 4:3\n[sound]\neffects = 7\nambience = 0\n"
                 "[keys]\nleft = A, Keypad 4\nfire = Space\n[pad]\nfire = y, x\npause = guide\n",
                 s),
            std::vector<std::string>{});
  EXPECT_EQ(s.record.fullScreen, StartupAnswer::Yes);
  EXPECT_EQ(s.record.scale, 5);
  EXPECT_EQ(s.record.aspect, platform::Aspect::FourThree);
  EXPECT_EQ(s.record.sound.effects, 7);
  EXPECT_EQ(s.record.sound.ambience, 0);
  const platform::Bindings& b = s.record.bindings;
  EXPECT_EQ(b.Keys(Action::Left), (std::vector<uint8_t>{0x1E, 0x4B}));
  EXPECT_EQ(b.Keys(Action::Fire), (std::vector<uint8_t>{0x39}));
  EXPECT_EQ(b.Keys(Action::Pause), (std::vector<uint8_t>{0x19, 0xC5}));
  EXPECT_EQ(b.Pad(Action::Fire), platform::kPadY | platform::kPadX);
  EXPECT_EQ(b.Pad(Action::Pause), platform::kPadGuide);
  EXPECT_EQ(b.Pad(Action::Left), 0u) << "the d-pad and the stick walk";
}

// The manual page's SETTINGS section lists the table's settings, in its
// order, each under its section: "name = what it takes", its flags and
// default, and its line of help.
TEST(SettingsManual, TheManualPageListsEverySettingOfTheTable) {
  std::istringstream page(ReadText(std::string(KESTREL_SOURCE_DIR) + "/packaging/morlo3.6.in"));
  std::vector<std::string> lines;
  bool inside = false;
  for (std::string line; std::getline(page, line);) {
    if (line.starts_with(".SH ")) inside = line == ".SH SETTINGS";
    // roff's minus sign is the flags' hyphen.
    for (size_t at; inside && (at = line.find("\\-")) != std::string::npos;) line.replace(at, 2, "-");
    if (inside) lines.push_back(line);
  }
  ASSERT_FALSE(lines.empty()) << "no SETTINGS section";
  std::vector<std::string> listed, wanted;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].starts_with(".SS ")) listed.push_back(lines[i]);
    if (lines[i] != ".TP") continue;
    std::string item;
    for (size_t k = i + 1; k < lines.size() && lines[k] != ".TP" && !lines[k].starts_with(".S"); ++k)
      item += lines[k] + "\n";
    listed.push_back(item);
  }
  std::string section;
  for (const Setting& s : SettingsTable()) {
    if (section != s.section) wanted.push_back(".SS [" + (section = s.section) + "]");
    const bool both = std::string(s.name) == "fullscreen";
    wanted.push_back(".B \"" + std::string(s.name) + " = " + morlo3::SynopsisOf(s) + "\"\n" +
                     (both ? "Flags: --fullscreen, --window" : "Flag: " + morlo3::FlagOf(s)) +
                     ". Default: " + morlo3::DefaultText(s) + ".\n.br\n" + s.help + "\n");
  }
  EXPECT_EQ(listed, wanted);
}

// The key tables of the README and of morlo3(6) follow the table of actions:
// each action's keys and buttons, as the game was made, stand in one row,
// and a row names no key or button but those of its actions, or those of
// going on from a picture (Enter, and Start, which is Enter).
TEST(SettingsManual, TheKeyTablesOfTheReadmeAndTheManualPageFollowTheActions) {
  struct Row {
    std::string text;
    std::set<uint8_t> keys;
    uint32_t pad = 0;
  };
  // What the documents call otherwise than SDL does.
  auto key = [](std::string word) -> uint8_t {
    if (word == "Esc") word = "Escape";
    if (word == "Enter") word = "Return";
    return platform::DikFromKeyName(word);
  };
  auto button = [](const std::string& word) -> uint32_t {
    if (word == "d-pad" || word == "left stick") return platform::kPadLeft | platform::kPadRight;
    return platform::PadBitFromName(word);
  };
  auto words = [](std::string cell) {
    std::vector<std::string> out;
    if (size_t at = cell.find(" ("); at != std::string::npos) cell.erase(at);
    for (size_t at; (at = cell.find(" or ")) != std::string::npos;) cell.replace(at, 4, ", ");
    std::istringstream in(cell);
    for (std::string w; std::getline(in, w, ',');) out.push_back(w.substr(w.find_first_not_of(' ')));
    return out;
  };
  auto row = [&](const std::string& text, const std::string& keys, const std::string& pad) {
    Row r{text};
    for (const std::string& w : words(keys)) {
      EXPECT_NE(key(w), 0) << "no key is called " << w << " in " << text;
      r.keys.insert(key(w));
    }
    for (const std::string& w : words(pad)) {
      EXPECT_NE(button(w), 0u) << "no button is called " << w << " in " << text;
      r.pad |= button(w);
    }
    return r;
  };
  std::map<std::string, std::vector<Row>> docs;
  std::istringstream readme(ReadText(std::string(KESTREL_SOURCE_DIR) + "/README.md"));
  bool inside = false;
  for (std::string line; std::getline(readme, line);) {
    if (line == "| action | keyboard | gamepad |") inside = true;
    else if (!line.starts_with("|")) inside = false;
    else if (inside && !line.starts_with("|---")) {
      std::vector<std::string> cells;
      std::istringstream in(line.substr(1));
      for (std::string c; std::getline(in, c, '|');) cells.push_back(c.substr(1, c.size() - 2));
      docs["README.md"].push_back(row(line, cells.at(1), cells.at(2)));
    }
  }
  std::istringstream page(ReadText(std::string(KESTREL_SOURCE_DIR) + "/packaging/morlo3.6.in"));
  inside = false;
  for (std::string line; std::getline(page, line);) {
    for (size_t at; (at = line.find("\\-")) != std::string::npos;) line.replace(at, 2, "-");
    if (line == ".I \"Action\tKeyboard\tGamepad\"") inside = true;
    else if (line.starts_with(".")) inside = false;
    else if (inside) {
      const size_t a = line.find('\t'), b = line.find('\t', a + 1);
      docs["morlo3.6.in"].push_back(row(line, line.substr(a + 1, b - a - 1), line.substr(b + 1)));
    }
  }
  for (const auto& [doc, rows] : docs) {
    SCOPED_TRACE(doc);
    ASSERT_GE(rows.size(), 4u) << "no key table";
    for (const platform::ActionInfo& a : platform::kActions) {
      auto at = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.keys.count(a.designedKey); });
      ASSERT_NE(at, rows.end()) << a.name << " has no row";
      for (uint8_t k : a.defaultKeys)
        if (k) EXPECT_TRUE(at->keys.count(k)) << a.name << ": " << at->text;
      const uint32_t pad = a.defaultPad[0] | a.defaultPad[1] | a.padAlways;
      EXPECT_EQ(at->pad & pad, pad) << a.name << ": " << at->text;
    }
    for (const Row& r : rows) {
      std::set<uint8_t> keys;
      uint32_t pad = 0;
      for (const platform::ActionInfo& a : platform::kActions)
        if (r.keys.count(a.designedKey)) {
          keys.insert(a.defaultKeys.begin(), a.defaultKeys.end());
          pad |= a.defaultPad[0] | a.defaultPad[1] | a.padAlways;
        }
      if (keys.empty()) {
        keys = {platform::DIK_RETURN, platform::DIK_NUMPADENTER};
        pad = platform::kPadEnter;
        EXPECT_TRUE(r.keys.count(platform::DIK_RETURN) && r.pad == platform::kPadEnter) << r.text;
      }
      for (uint8_t k : r.keys) EXPECT_TRUE(keys.count(k)) << platform::KeyNameOfDik(k) << " in " << r.text;
      EXPECT_EQ(r.pad & ~pad, 0u) << r.text;
    }
  }
}

// ---- whole runs of the game ----

// Every frame's hash, and whether any was shown in full screen.
class HashingDisplay : public platform::HeadlessDisplay {
 public:
  using HeadlessDisplay::HeadlessDisplay;
  void ShowFrame(const platform::Surface& picture, const platform::Rect& area) override {
    HeadlessDisplay::ShowFrame(picture, area);
    hashes.push_back(LastFrameHash());
    fullScreen = fullScreen || ModeChanged();
  }
  std::vector<uint64_t> hashes;
  bool fullScreen = false;  // a frame was shown in the full-screen mode
};

class GameSettings : public HeadlessTest {
 protected:
  void SetUp() override { std::filesystem::create_symlink(kGeneratedData, scratch_.Path() / "data.kpk"); }

  struct Run {
    int code = -1;
    std::string err;
    std::vector<uint64_t> hashes;
    std::vector<std::string> questions, sounds;
    bool fullScreen = false;
  };
  // The program with these arguments on a headless display with `o`, and
  // `settings` as the file --config names (none when empty).
  Run Play(platform::HeadlessOptions o, const std::string& settings, std::vector<std::string> args = {}) {
    if (!settings.empty()) {
      std::ofstream("player.ini") << settings;
      args.insert(args.begin(), {"--config", "player.ini"});
    }
    auto display = std::make_unique<HashingDisplay>(std::move(o));
    HashingDisplay& d = *display;
    platform::InstallDisplay(std::move(display));
    ResetEngine();
    Run r;
    ::testing::internal::CaptureStderr();
    r.code = morlo3::Main(args);
    r.err = ::testing::internal::GetCapturedStderr();
    r.hashes = d.hashes;
    r.questions = d.Questions();
    r.fullScreen = d.fullScreen;
    if (platform::HeadlessSoundLog* log = platform::HeadlessSound()) r.sounds = log->calls;
    platform::ResetPlatform();
    return r;
  }
  // The normal replay with every press of one key made on another.
  std::string ReplayWithKey(int from, int to) {
    std::string text = ReadText(kNormalReplay);
    const std::string a = " key " + std::to_string(from) + " ", b = " key " + std::to_string(to) + " ";
    for (size_t at = 0; (at = text.find(a, at)) != std::string::npos; at += b.size()) text.replace(at, a.size(), b);
    std::ofstream("replay.input") << text;
    return "replay.input";
  }
  static platform::HeadlessOptions Replaying(const std::string& script, int64_t frames) {
    platform::HeadlessOptions o;
    o.answer = 0;
    o.inputScript = script;
    o.maxFrames = frames;
    return o;
  }
};

// With fire on Space, Space does what left Ctrl did, frame for frame, and
// left Ctrl no longer fires. The replay shoots from frame 319.
TEST_F(GameSettings, FireOnSpaceIsLeftCtrlFrameForFrame) {
  constexpr int64_t kFrames = 1200;
  const Run byDefault = Play(Replaying(kNormalReplay, kFrames), "");
  const Run bySpace = Play(Replaying(ReplayWithKey(0x1D, 0x39), kFrames), "[keys]\nfire = Space\n");
  const Run byCtrl = Play(Replaying(kNormalReplay, kFrames), "[keys]\nfire = Space\n");
  ASSERT_EQ(byDefault.hashes.size(), size_t(kFrames + 1));
  EXPECT_TRUE(bySpace.hashes == byDefault.hashes) << "Space does not fire as left Ctrl did";
  ASSERT_EQ(byCtrl.hashes.size(), byDefault.hashes.size());
  EXPECT_FALSE(byCtrl.hashes == byDefault.hashes) << "left Ctrl still fires";
  EXPECT_EQ(bySpace.err + byCtrl.err, "");
}

// fullscreen = yes or no, or the flags, answer the start-up question; only
// ask puts it to the display, and KESTREL_ANSWER wins over all of them (the
// display answers it from there).
TEST_F(GameSettings, TheSettingsAnswerTheStartUpQuestionUnlessTheEnvironmentDoes) {
  struct Case {
    std::string settings;
    std::vector<std::string> args;
    const char* answer;  // KESTREL_ANSWER, or null
    bool asked, fullScreen;
  } cases[] = {
      {"[game]\nfullscreen = no\n", {}, nullptr, false, false},
      {"[game]\nfullscreen = yes\n", {}, nullptr, false, true},
      {"[game]\nfullscreen = ask\n", {}, nullptr, true, false},
      {"", {"--fullscreen"}, nullptr, false, true},
      {"[game]\nfullscreen = yes\n", {"--window"}, nullptr, false, false},
      {"[game]\nfullscreen = no\n", {}, "yes", true, true},
      {"", {"--fullscreen"}, "no", true, false},
  };
  for (const Case& c : cases) {
    ScopedEnv answer("KESTREL_ANSWER", c.answer);
    platform::HeadlessOptions o;
    o.maxFrames = 3;
    // As the environment gives it to the headless display.
    o.answer = platform::AnswerFromEnvironment();
    const Run r = Play(o, c.settings, c.args);
    SCOPED_TRACE(c.settings + (c.args.empty() ? "" : c.args[0]) + (c.answer ? c.answer : ""));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(!r.questions.empty(), c.asked);
    EXPECT_EQ(r.fullScreen, c.fullScreen);
  }
}

// A file full of faults costs a line each, and the game plays on to the
// credits and ends by "Sair".
TEST_F(GameSettings, ABadFileLetsTheGamePlayToTheEnd) {
  const Run r = Play(Replaying(kNormalReplay, 20000),
                     "[game]\nscale = huge\nfullscreen = no\n[keys]\njump = Left Ctrl\n[joystick]\nfire = 1\n");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.hashes.size(), 7188u) << "the normal replay's frames";
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;
  EXPECT_NE(r.err.find("morlo3: player.ini:2: scale = huge: "), std::string::npos) << r.err;
}

// The levels reach the sound log: every sound at the effects' level but one
// stream, the wind, at the ambience's.
TEST_F(GameSettings, EverySoundPlaysAtItsLevel) {
  struct Case {
    std::string settings;
    int effects, ambience;
  } cases[] = {{"[sound]\neffects = 0\n", 0, 100}, {"[sound]\neffects = 0\nambience = 40\n", 0, 40}, {"", 100, 100}};
  for (const Case& c : cases) {
    const Run r = Play(Replaying(kNormalReplay, 1200), c.settings);
    SCOPED_TRACE(c.settings);
    std::map<uint32_t, std::set<int>> levels;
    int plays = 0;
    for (const std::string& call : r.sounds) {
      if (!call.starts_with("PlayStream ")) continue;
      std::istringstream in(call.substr(11));
      uint32_t stream = 0;
      std::string word;
      int level = -1;
      in >> stream >> word >> level;
      EXPECT_EQ(word, "level") << call;
      levels[stream].insert(level);
      ++plays;
    }
    EXPECT_GT(plays, 10) << "the replay plays its sounds";
    int ambient = 0;
    for (const auto& [stream, at] : levels) {
      EXPECT_EQ(at.size(), 1u) << "stream " << stream << " played at two levels";
      if (c.effects == c.ambience) EXPECT_EQ(*at.begin(), c.effects);
      else if (*at.begin() == c.ambience) ++ambient;
      else EXPECT_EQ(*at.begin(), c.effects);
    }
    if (c.effects != c.ambience) EXPECT_EQ(ambient, 1) << "the wind alone";
  }
}

}  // namespace
}  // namespace kestrel::testing
