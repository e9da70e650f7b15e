// The saved replays: the automatic player's whole games at normal and hard
// difficulty, as KESTREL_INPUT scripts. The real program plays each one and
// must win: RirEza dies, the credits roll, and "Sair" ends it with exit 0.
// Chosen frames of the story, the menu, every stage and the credits must
// keep their golden hashes, so an unintended change to what the player sees
// fails here. KESTREL_UPDATE_GOLDEN=1 writes the golden files afresh
// (see the README).
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../support/game_fixture.h"
#include "../support/processes.h"
#include "morlo3/game_state.h"
#include "morlo3/language.h"
#include "morlo3/startup.h"

namespace kestrel::testing {
namespace {

const std::string kReplays = std::string(KESTREL_SOURCE_DIR) + "/tests/replays/";

bool Updating() {
  const char* v = std::getenv("KESTREL_UPDATE_GOLDEN");
  return v && std::string(v) == "1";
}

// What the player sees in a frame, told from the game state.
struct FrameInfo {
  std::string what;
  int32_t stage = 0;
};

// One golden frame: its number, its hash as the frame log writes it, and
// what it shows.
struct Golden {
  uint64_t frame = 0;
  std::string hash;
  std::string what;
};

struct GoldenFile {
  uint64_t frames = 0;  // how many frames the run presents
  std::vector<Golden> entries;
};

GoldenFile ReadGolden(const std::string& path) {
  GoldenFile file;
  for (const std::string& line : ReadLines(path)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    std::string first;
    in >> first;
    if (first == "frames") {
      in >> file.frames;
      continue;
    }
    Golden g;
    g.frame = std::stoull(first);
    in >> g.hash;
    std::getline(in, g.what);
    if (!g.what.empty() && g.what[0] == ' ') g.what.erase(0, 1);
    file.entries.push_back(g);
  }
  return file;
}

// Keeps, for every presented frame, what it shows.
class WatchingDisplay : public platform::HeadlessDisplay {
 public:
  WatchingDisplay(platform::HeadlessOptions o, const morlo3::GameState& g) : HeadlessDisplay(std::move(o)), g_(g) {}
  std::vector<FrameInfo> frames;
  int32_t creditsFrames = 0;
  bool sorcererBeaten = false;
  int32_t difficulty = -1;

 protected:
  void AfterFrame() override {
    FrameInfo f;
    if (g_.WalkPoses[0] == 0) {
      f.what = "loading";
    } else if (g_.MenuItems[1].Enabled == 0) {
      f.what = "story";
    } else if (g_.GameRunning == 0) {
      f.what = "menu page " + std::to_string(g_.MenuPage);
    } else if (!g_.StageScene) {
      f.what = "picture before stage " + std::to_string(g_.StageNumber);
    } else if (g_.BossStage == 1 && g_.SorcererHealth < 0) {
      sorcererBeaten = true;
      // Two victory lines of 100 frames each, then the credits.
      ++creditsFrames;
      f.what = creditsFrames <= 200 ? "victory" : "credits";
    } else {
      // The frame a stage is left in belongs to it, though StageNumber
      // already names the next one.
      if (g_.StageOver == 0) stage_ = g_.StageNumber;
      f.stage = stage_;
      f.what = "stage " + std::to_string(stage_);
      difficulty = g_.Difficulty;
    }
    frames.push_back(f);
    HeadlessDisplay::AfterFrame();
  }

 private:
  const morlo3::GameState& g_;
  int32_t stage_ = 0;
};

class Replay : public HeadlessTest {
 protected:
  void SetUp() override { std::filesystem::create_symlink(kGeneratedData, scratch_.Path() / "data.kpk"); }

  friend std::vector<size_t> CheckEnglish(const std::string& script, int64_t limit);
  // The real binary, as a process in the scratch directory: its exit code.
  static int RunBinary(const std::string& script, const std::string& frameLog, int64_t maxFrames,
                       const std::string& args = "") {
    std::string command = "KESTREL_PLATFORM=headless KESTREL_ANSWER=no KESTREL_FRAMELOG=" + frameLog + " ";
    if (!script.empty()) command += "KESTREL_INPUT=" + script + " ";
    command += "KESTREL_MAX_FRAMES=" + std::to_string(maxFrames) + " ";
    return RunProcess(command + kGame + args + " >out.txt 2>&1");
  }

  // The same run in this process, watched frame by frame.
  struct Watched {
    int exitCode = -1;
    std::vector<FrameInfo> frames;
    int32_t creditsFrames = 0;
    bool sorcererBeaten = false;
    bool quitClicked = false;
    int32_t difficulty = -1;
  };
  static Watched RunInProcess(const std::string& script, const std::string& frameLog, int64_t maxFrames) {
    Watched w;
    morlo3::GameState game;
    platform::HeadlessOptions o;
    o.answer = 0;
    o.maxFrames = maxFrames;
    o.inputScript = script;
    o.frameLog = frameLog;
    auto d = std::make_unique<WatchingDisplay>(o, game);
    WatchingDisplay& display = *d;
    platform::InstallDisplay(std::move(d));
    ResetEngine();
    try {
      morlo3::Run(game);
    } catch (const ProgramExit& e) {
      w.exitCode = e.Code();
    }
    w.frames = display.frames;
    w.creditsFrames = display.creditsFrames;
    w.sorcererBeaten = display.sorcererBeaten;
    w.quitClicked = game.QuitRequested == 1;
    w.difficulty = display.difficulty;
    platform::ResetPlatform();
    ResetEngine();
    return w;
  }

  // The frames worth keeping: the first of each part of the run, and every
  // `every`th frame within a part.
  static std::vector<size_t> Samples(const std::vector<FrameInfo>& frames, size_t every) {
    std::vector<size_t> picks;
    size_t partStart = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
      if (i == 0 || frames[i].what != frames[i - 1].what) partStart = i;
      const bool last = i + 1 == frames.size() || frames[i + 1].what != frames[i].what;
      if (i == partStart || (i - partStart) % every == 0 || (last && i - partStart > 10)) picks.push_back(i);
    }
    return picks;
  }

  static void WriteGolden(const std::string& path, const std::string& title, const std::vector<FrameInfo>& frames,
                          const std::vector<std::string>& log, size_t every) {
    std::ofstream out(path);
    out << "# " << title << "\n"
        << "# Frame number, its hash as KESTREL_FRAMELOG writes it, and what it shows.\n"
        << "# Written by KESTREL_UPDATE_GOLDEN=1 build/tests/test_replays (see the README).\n"
        << "frames " << frames.size() << "\n";
    for (size_t i : Samples(frames, every)) {
      std::istringstream line(log.at(i));
      std::string number, hash;
      line >> number >> hash;
      out << number << " " << hash << " " << frames[i].what << "\n";
    }
  }

  // What differs between the binary's frame log and the golden file; empty
  // when nothing does.
  static std::vector<std::string> GoldenDifferences(const std::string& goldenPath,
                                                    const std::vector<std::string>& log) {
    std::vector<std::string> out;
    const GoldenFile golden = ReadGolden(goldenPath);
    if (golden.entries.empty()) return {goldenPath + " is missing or empty"};
    if (log.size() != golden.frames)
      out.push_back("the run presents " + std::to_string(log.size()) + " frames, golden " +
                    std::to_string(golden.frames));
    for (const Golden& g : golden.entries) {
      if (g.frame > log.size()) {
        out.push_back("the run ended before frame " + std::to_string(g.frame) + " (" + g.what + ")");
        break;
      }
      std::istringstream line(log[g.frame - 1]);
      std::string number, hash;
      line >> number >> hash;
      if (number != std::to_string(g.frame)) out.push_back("line " + std::to_string(g.frame) + " is frame " + number);
      else if (hash != g.hash)
        out.push_back("frame " + std::to_string(g.frame) + " (" + g.what + ") has hash " + hash + ", golden " + g.hash);
    }
    return out;
  }

  static void ExpectGolden(const std::string& goldenPath, const std::vector<std::string>& log) {
    const std::vector<std::string> differences = GoldenDifferences(goldenPath, log);
    for (size_t i = 0; i < differences.size() && i < 10; ++i) ADD_FAILURE() << differences[i];
    EXPECT_EQ(differences.size(), 0u) << "frames differ from " << goldenPath;
  }

  // Every run of a saved game ends by this frame, however it goes: the
  // golden length and ten seconds of game time more. A replay that goes
  // astray (and would sit in the menu for ever) fails in well under a
  // second instead of hanging the suite.
  static int64_t FrameLimit(const std::string& goldenPath) {
    const GoldenFile golden = ReadGolden(goldenPath);
    return golden.frames > 0 && !Updating() ? int64_t(golden.frames) + kMarginFrames : kUpdatingLimit;
  }
  static constexpr int64_t kMarginFrames = 600;
  // While the golden files are written afresh, their old lengths say nothing.
  static constexpr int64_t kUpdatingLimit = 200000;

  // A saved whole game: won in the real program, and in this process with
  // the game state in view.
  void CheckWholeGame(const std::string& name, int32_t difficulty) {
    const std::string script = kReplays + name + ".input";
    const std::string golden = kReplays + name + ".golden";
    ASSERT_TRUE(std::filesystem::exists(script)) << script;

    const Watched w = RunInProcess(script, Updating() ? "inprocess.log" : "", FrameLimit(golden));
    EXPECT_EQ(w.exitCode, 0);
    EXPECT_TRUE(w.sorcererBeaten) << "RirEza was not beaten";
    // The two victory lines and the 440 frames of the credits.
    EXPECT_EQ(w.creditsFrames, 640);
    EXPECT_TRUE(w.quitClicked) << "the game did not end by \"Sair\"";
    EXPECT_EQ(w.difficulty, difficulty);
    for (int32_t stage = 1; stage <= 8; ++stage)
      EXPECT_TRUE(std::any_of(w.frames.begin(), w.frames.end(), [&](const FrameInfo& f) { return f.stage == stage; }))
          << "stage " << stage << " was not played";
    EXPECT_EQ(w.frames.back().what, "menu page 1");

    ASSERT_EQ(RunBinary(script, "frames.log", FrameLimit(golden)), 0) << "the real program did not end with exit 0";
    EXPECT_TRUE(scratch_.NothingLeft());
    const std::vector<std::string> log = ReadLines("frames.log");
    EXPECT_EQ(log.size(), w.frames.size()) << "the real program and this process played different games";
    if (Updating()) {
      EXPECT_EQ(ReadLines("inprocess.log"), log) << "the real program and this process drew different frames";
      WriteGolden(golden, "The " + name + " replay, " + name + ".input.", w.frames, log, 250);
      GTEST_SKIP() << "wrote " << golden;
    }
    ExpectGolden(golden, log);
  }
};

TEST_F(Replay, TheStoryAndTheLoadingScreenKeepTheirFrames) {
  // Left alone, the program loads and tells its story; the window closes
  // after 1000 frames, on page 4.
  const std::string golden = kReplays + "story.golden";
  ASSERT_EQ(RunBinary("", "frames.log", 1000), 0);
  const std::vector<std::string> log = ReadLines("frames.log");
  if (Updating()) {
    const Watched w = RunInProcess("", "inprocess.log", 1000);
    EXPECT_EQ(ReadLines("inprocess.log"), log);
    WriteGolden(golden, "The loading screen and the story, left alone for 1000 frames.", w.frames, log, 20);
    GTEST_SKIP() << "wrote " << golden;
  }
  ExpectGolden(golden, log);
}

TEST_F(Replay, TheNormalGameIsWon) { CheckWholeGame("normal", 0); }

TEST_F(Replay, TheHardGameIsWon) { CheckWholeGame("hard", 1); }

// In English the normal game is the same game: the same frames to the
// credits, each different one only where words are shown. A frame of the
// game's own text has pixels in one of its text colours; the pictures before
// the stages carry painted words.
class WordWatchingDisplay : public WatchingDisplay {
 public:
  WordWatchingDisplay(platform::HeadlessOptions o, const morlo3::GameState& g, std::vector<size_t> differing)
      : WatchingDisplay(std::move(o), g), game_(g), differing_(std::move(differing)) {}
  std::vector<size_t> wordless;

 protected:
  void AfterFrame() override {
    WatchingDisplay::AfterFrame();
    const size_t n = frames.size();
    if (!std::binary_search(differing_.begin(), differing_.end(), n)) return;
    if (frames.back().what.starts_with("picture before stage")) return;
    const std::vector<uint8_t>& rgb = LastFrame();
    const morlo3::GameState& g = game_;
    for (uint32_t c : {g.TextColour, g.StoryColour2, g.StoryColour3, g.StoryColour4, g.CreditsHeadingColour,
                       g.CreditsNameColour, g.HighlightColour})
      for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        if (rgb[i] == (c >> 16 & 0xFF) && rgb[i + 1] == (c >> 8 & 0xFF) && rgb[i + 2] == (c & 0xFF)) return;
    wordless.push_back(n);
  }

 private:
  const morlo3::GameState& game_;
  std::vector<size_t> differing_;
};

// Plays `script` (none: the story left alone) to `limit` in Portuguese and
// in English, lists the frames that differ, and checks each one for words;
// every picture before a stage differs too (its painted words). Returns the
// differing frames.
std::vector<size_t> CheckEnglish(const std::string& script, int64_t limit) {
  EXPECT_EQ(Replay::RunBinary(script, "pt.log", limit), 0);
  EXPECT_EQ(Replay::RunBinary(script, "en.log", limit, " --language en"), 0) << ReadText("out.txt");
  EXPECT_EQ(ReadText("out.txt"), "") << "every text drawn has its English";
  const std::vector<std::string> pt = ReadLines("pt.log"), en = ReadLines("en.log");
  EXPECT_EQ(en.size(), pt.size()) << "the English game went another way";

  std::vector<size_t> differing;
  std::string runs;
  const auto differs = [&](size_t i) { return i < pt.size() && i < en.size() && pt[i] != en[i]; };
  for (size_t i = 0; i < pt.size(); ++i) {
    if (!differs(i)) continue;
    if (i == 0 || !differs(i - 1)) runs += (runs.empty() ? "" : ", ") + std::to_string(i + 1);
    else if (!differs(i + 1)) runs += "-" + std::to_string(i + 1);
    differing.push_back(i + 1);
  }
  std::printf("frames that differ in English: %s\n", runs.c_str());

  morlo3::GameState game;
  platform::HeadlessOptions o;
  o.answer = 0;
  o.maxFrames = limit;
  o.inputScript = script;
  auto d = std::make_unique<WordWatchingDisplay>(o, game, differing);
  WordWatchingDisplay& display = *d;
  platform::InstallDisplay(std::move(d));
  ResetEngine();
  Settings english;
  english.language = "en";
  UseSettings(english);
  EXPECT_THROW(morlo3::Run(game), ProgramExit);
  UseSettings({});
  EXPECT_EQ(display.frames.size(), pt.size());
  std::string wordless;
  for (size_t n : display.wordless) wordless += " " + std::to_string(n) + " (" + display.frames[n - 1].what + ")";
  EXPECT_TRUE(display.wordless.empty()) << "frames that differ but show no words:" << wordless;
  for (size_t n = 1; n <= display.frames.size(); ++n)
    if (display.frames[n - 1].what.starts_with("picture before stage"))
      EXPECT_TRUE(std::binary_search(differing.begin(), differing.end(), n)) << "frame " << n << " is not in English";
  platform::ResetPlatform();
  ResetEngine();
  return differing;
}

TEST_F(Replay, TheNormalGameInEnglishDiffersOnlyInItsWords) {
  const std::vector<size_t> game = CheckEnglish(kReplays + "normal.input", FrameLimit(kReplays + "normal.golden"));
  EXPECT_GT(game.size(), 500u) << "the menu, the victory and the credits are in English";
  // The normal game skips the story; left alone, its first pages are told.
  const std::vector<size_t> story = CheckEnglish("", 1000);
  EXPECT_GT(story.size(), 300u) << "the story is told in English";
}

// A replay that goes astray ends at its frame limit and fails, rather than
// running on: here the saved normal game loses a run of its input lines in
// stage 1 and its last click, on "Sair", so nothing but the limit ends it.
TEST_F(Replay, AReplayThatGoesAstrayEndsAtItsLimitAndFails) {
  const std::string golden = kReplays + "normal.golden";
  const std::vector<std::string> lines = ReadLines(kReplays + "normal.input");
  ASSERT_GT(lines.size(), 300u);
  {
    std::ofstream out("astray.input");
    for (size_t i = 0; i < lines.size(); ++i)
      if ((i < 100 || i >= 140) && i + 3 < lines.size()) out << lines[i] << "\n";
  }
  const int64_t limit = FrameLimit(golden);
  ASSERT_LT(limit, kUpdatingLimit) << "no golden length to limit the run by";
  EXPECT_EQ(RunBinary("astray.input", "frames.log", limit), 0);
  const std::vector<std::string> log = ReadLines("frames.log");
  // The close request at the limit ends the run within a few frames.
  EXPECT_GE(int64_t(log.size()), limit);
  EXPECT_LE(int64_t(log.size()), limit + 10);
  const std::vector<std::string> differences = GoldenDifferences(golden, log);
  ASSERT_FALSE(differences.empty()) << "the damaged replay was not told apart";
  EXPECT_EQ(differences.front(), "the run presents " + std::to_string(log.size()) + " frames, golden " +
                                     std::to_string(ReadGolden(golden).frames));
  EXPECT_GT(differences.size(), 1u) << "frames after the damage keep their golden hashes";
}

// The saved normal game with a pause put in: P tapped in stage 1, and again
// 40 frames later. Outside the pause the run shows the saved game's frames,
// frame for frame, the later ones shifted by the pause; the pause shows one
// still picture.
TEST_F(Replay, APauseLeavesTheFramesAroundItAsTheyWere) {
  constexpr uint64_t kPauseAt = 400, kResumeAt = 440, kShift = kResumeAt - kPauseAt;
  {
    std::ofstream out("paused.input");
    bool inserted = false;
    for (const std::string& line : ReadLines(kReplays + "normal.input")) {
      std::istringstream in(line);
      uint64_t frame = 0;
      std::string rest;
      if (line.empty() || line[0] == '#' || !(in >> frame)) {
        out << line << "\n";
        continue;
      }
      std::getline(in, rest);
      if (frame > kPauseAt && !inserted) {
        out << kPauseAt << " key 25 down\n" << kPauseAt << " key 25 up\n";
        out << kResumeAt << " key 25 down\n" << kResumeAt << " key 25 up\n";
        inserted = true;
      }
      out << (frame > kPauseAt ? frame + kShift : frame) << rest << "\n";
    }
  }
  constexpr int64_t kLimit = 20000;
  ASSERT_EQ(RunBinary(kReplays + "normal.input", "saved.log", kLimit), 0);
  ASSERT_EQ(RunBinary("paused.input", "paused.log", kLimit + int64_t(kShift)), 0);
  const std::vector<std::string> saved = ReadLines("saved.log"), paused = ReadLines("paused.log");
  ASSERT_GT(saved.size(), kResumeAt);
  ASSERT_EQ(paused.size(), saved.size() + kShift);
  auto hash = [](const std::string& line) { return line.substr(line.find(' ') + 1); };
  size_t differing = 0;
  for (size_t i = 0; i < paused.size(); ++i) {
    const uint64_t frame = i + 1;
    if (frame > kPauseAt && frame <= kResumeAt) {
      if (hash(paused[i]) != hash(paused[kPauseAt])) ++differing;
    } else if (hash(paused[i]) != hash(saved[frame <= kPauseAt ? i : i - kShift])) {
      ADD_FAILURE() << "frame " << frame << " differs from the saved game's";
      if (++differing > 5) break;
    }
  }
  EXPECT_EQ(differing, 0u);
  EXPECT_NE(hash(paused[kPauseAt]), hash(saved[kPauseAt])) << "the pause shows";
}

}  // namespace
}  // namespace kestrel::testing
