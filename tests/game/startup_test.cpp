// The whole program, in-process on the headless backend, with the generated
// data.kpk; and a few runs of the real binary as a process.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>

#include "../support/frame_paced_player.h"
#include "../support/headless_fixture.h"
#include "../support/real_game.h"
#include "../support/scoped_env.h"
#include "../support/xvfb.h"
#include "kestrel/kpk.h"
#include "kestrel/platform/termination.h"
#include "kestrel/stream.h"
#include "morlo3/startup.h"
#include "morlo3/version.h"
#include "tools/common/kpk_writer.h"

namespace kestrel::testing {
namespace {

// Keeps every presented frame, and lets a test look around at each one.
class RecordingDisplay : public platform::HeadlessDisplay {
 public:
  using HeadlessDisplay::HeadlessDisplay;
  void ShowFrame(const platform::Surface& picture, const platform::Rect& area) override {
    HeadlessDisplay::ShowFrame(picture, area);
    frames.push_back(LastFrame());
    if (onFrame) onFrame(frames.size());
  }
  std::vector<std::vector<uint8_t>> frames;
  std::function<void(size_t)> onFrame;
};

std::vector<tools::KpkEntry> RealEntries() {
  TKPK archive(kGeneratedData);
  std::vector<TKPKEntryInfo> infos;
  EXPECT_TRUE(archive.ListEntries(infos));
  std::vector<tools::KpkEntry> entries;
  for (const auto& info : infos) {
    TMemoryStream stream;
    EXPECT_TRUE(archive.LoadToStream(info.Name, &stream));
    entries.push_back({info.Name, stream.Bytes()});
  }
  return entries;
}

class Startup : public HeadlessTest {
 protected:
  void TearDown() override {
    platform::ClearTerminationSignal();
    HeadlessTest::TearDown();
  }

  RecordingDisplay& InstallRecording(platform::HeadlessOptions o = {}) {
    auto display = std::make_unique<RecordingDisplay>(std::move(o));
    RecordingDisplay& ref = *display;
    platform::InstallDisplay(std::move(display));
    ResetEngine();
    return ref;
  }
  void UseRealData() { std::filesystem::create_symlink(kGeneratedData, scratch_.Path() / "data.kpk"); }
  void UseArchive(const std::vector<tools::KpkEntry>& entries) {
    ASSERT_TRUE(tools::WriteKpk((scratch_.Path() / "data.kpk").string(), entries));
  }
  // Runs the program and returns its exit code, with what it wrote to stderr.
  int RunGame(std::string* err = nullptr) {
    ::testing::internal::CaptureStderr();
    const int code = morlo3::Main();
    const std::string text = ::testing::internal::GetCapturedStderr();
    if (err) *err = text;
    return code;
  }
  // Whether a scratch folder (or the old "temp") is left behind.
  bool TempExists() const { return !scratch_.NothingLeft(); }
  // The one scratch folder of the running game.
  std::filesystem::path ScratchFolder() const {
    for (const auto& e : std::filesystem::directory_iterator(scratch_.Tmp())) return e.path();
    return {};
  }
  // The window closes once loading is over; the story notices it in its
  // first frame, after presenting it.
  static platform::HeadlessOptions ClosedAfterLoading(platform::HeadlessOptions o = {}) {
    o.maxFrames = 24;
    return o;
  }
  // The game's built-in folders are taken under a folder of the test's own,
  // which holds nothing: an installation on this machine is never found.
  const std::filesystem::path machine_ = scratch_.Path() / "machine";
  ScopedEnv machineRoot_{"KESTREL_TEST_ROOT", machine_.string()};
};

TEST_F(Startup, TheBarGrowsSevenPixelsAStepOverAnUnchangedPicture) {
  UseRealData();
  auto& d = InstallRecording(ClosedAfterLoading());
  ASSERT_EQ(RunGame(), 0);
  EXPECT_FALSE(std::filesystem::exists(kErrorLogName));
  // The loading picture, then 23 steps, then the story's first frame.
  ASSERT_EQ(d.frames.size(), 25u);
  ASSERT_EQ(d.LastFrameWidth(), 320);
  const auto& first = d.frames[0];
  int lastRight = 128;
  for (size_t k = 1; k < 24; ++k) {
    const auto& f = d.frames[k];
    int right = -1;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 320; ++x) {
        const size_t i = (size_t(y) * 320 + size_t(x)) * 3;
        if (f[i] == first[i] && f[i + 1] == first[i + 1] && f[i + 2] == first[i + 2]) continue;
        // Only the bar's area may change, and only up to its current width.
        ASSERT_TRUE(x >= 128 && x <= 128 + 7 * int(k) && y >= 136 && y < 194)
            << "step " << k << " changed (" << x << "," << y << ")";
        right = std::max(right, x);
      }
    EXPECT_GT(right, lastRight) << "step " << k << " did not widen the bar";
    EXPECT_GT(right, 128 + 7 * int(k) - 7) << "step " << k;
    lastRight = right;
    // Each step keeps what the steps before it drew.
    if (k > 1)
      for (int y = 136; y < 194; ++y)
        for (int x = 128; x <= 128 + 7 * int(k - 1); ++x) {
          const size_t i = (size_t(y) * 320 + size_t(x)) * 3;
          ASSERT_EQ(f[i], d.frames[k - 1][i]);
        }
  }
  EXPECT_EQ(d.Questions(), std::vector<std::string>{"Do you want...: Fullscreen?"});
}

TEST_F(Startup, TempHoldsTheTwelveSoundsOnlyWhileTheGameRuns) {
  UseRealData();
  auto& d = InstallRecording(ClosedAfterLoading());
  std::set<std::string> seen;
  d.onFrame = [&](size_t frame) {
    if (frame != 24) return;
    const std::filesystem::path folder = ScratchFolder();
    EXPECT_TRUE(folder.filename().string().starts_with("morlo3-")) << folder;
    for (const auto& e : std::filesystem::directory_iterator(folder))
      if (e.file_size() > 44) seen.insert(e.path().filename().string());
  };
  ASSERT_EQ(RunGame(), 0);
  std::set<std::string> want;
  for (int slot = 1; slot < morlo3::kSoundSlots; ++slot) want.insert(morlo3::SoundFiles[size_t(slot)]);
  EXPECT_EQ(seen, want);
  EXPECT_FALSE(TempExists());
}

TEST_F(Startup, FullScreenRunsTheSameSequenceInItsOwnMode) {
  UseRealData();
  platform::HeadlessOptions o;
  o.answer = 1;
  auto& d = InstallRecording(ClosedAfterLoading(o));
  ASSERT_EQ(RunGame(), 0);
  EXPECT_EQ(d.frames.size(), 25u);
  EXPECT_FALSE(d.ModeChanged());  // the desktop's mode is back
  EXPECT_FALSE(TempExists());
}

TEST_F(Startup, ClosingTheWindowAtAnyLoadingStepShutsDownCleanly) {
  UseRealData();
  for (int step = 0; step <= 23; ++step) {
    auto& d = InstallRecording();
    d.QueueEvents({platform::ScriptEvent{uint64_t(step), platform::ScriptEvent::Type::Close}});
    std::string err;
    ASSERT_EQ(RunGame(&err), 0) << "close at step " << step << ": " << err;
    EXPECT_TRUE(err.empty()) << err;
    EXPECT_FALSE(std::filesystem::exists(kErrorLogName));
    EXPECT_FALSE(TempExists()) << "step " << step;
    EXPECT_FALSE(d.WindowOpen());
    // The close is noticed by the next loading step.
    EXPECT_LE(d.frames.size(), size_t(step) + 2) << "step " << step;
  }
}

TEST_F(Startup, AMissingArchiveEndsWithTheOpenError) {
  auto& d = InstallRecording();
  std::string err;
  EXPECT_EQ(RunGame(&err), 1);
  // The designed line first, then where the game looked: here, then the
  // program's own folder (this test's), then the installation's, then the
  // one built in.
  const std::string here = std::filesystem::current_path().string();
  const std::string programFolder = std::string(KESTREL_BINARY_DIR) + "/tests";
  EXPECT_TRUE(
      err.starts_with("Cannot open file data.kpk: No such file or directory\n"
                      "data.kpk was looked for in these folders, in this order:\n"
                      "  " +
                      here +
                      " (the current folder)\n"
                      "  " +
                      programFolder +
                      "\n"
                      "  " +
                      std::string(KESTREL_BINARY_DIR) + "/share/morlo3\n  " + machine_.string() + "/"))
      << err;
  ASSERT_EQ(d.ErrorMessages().size(), 1u);
  // The same text in the box, under the window's caption.
  EXPECT_EQ(d.ErrorMessages()[0] + "\n", "Morlo v3.0 [win32]: " + err);
  EXPECT_FALSE(d.WindowOpen());
}

TEST_F(Startup, MissingAndCorruptEntriesEndWithTheirReports) {
  auto all = RealEntries();
  auto without = [&](const std::string& name) {
    std::vector<tools::KpkEntry> out;
    for (auto& e : all)
      if (e.name != name) out.push_back(e);
    return out;
  };
  struct Case {
    std::string drop;
    std::string report;
    std::string detail;  // a second line on standard error
  } cases[] = {
      {"sprites.png", "[TBuffer64]LoadKPKImage -> Error loading sprites.png...", ""},
      {"load2.png", "[TBuffer64]LoadKPKImage -> Error loading load2.png...", ""},
      {"osso.wav", "[Sound64]Create -> File not found...", "looked for " + (scratch_.Tmp()).string() + "/morlo3-"},
  };
  for (const Case& c : cases) {
    UseArchive(without(c.drop));
    auto& d = InstallRecording();
    std::string err;
    EXPECT_EQ(RunGame(&err), 1);
    EXPECT_EQ(ReadLog(), c.report + "\r\n");
    EXPECT_TRUE(err.starts_with(c.report + "\n" + c.detail)) << err;
    if (!c.detail.empty()) EXPECT_TRUE(err.ends_with("/osso.wav\n")) << err;
    else EXPECT_EQ(err, c.report + "\n");
    EXPECT_FALSE(TempExists());
    ASSERT_EQ(d.ErrorMessages().size(), 1u) << "shown to the user in window mode";
    EXPECT_EQ(d.ErrorMessages()[0], "Morlo v3.0 [win32]: " + c.report);
    std::filesystem::remove(kErrorLogName);
    std::filesystem::remove_all("temp");
  }
  // In full screen the same report ends without a message on the screen,
  // but standard error still says why.
  UseArchive(without("sprites.png"));
  platform::HeadlessOptions full;
  full.answer = 1;
  auto& d = InstallRecording(full);
  std::string err;
  EXPECT_EQ(RunGame(&err), 1);
  EXPECT_EQ(ReadLog(), "[TBuffer64]LoadKPKImage -> Error loading sprites.png...\r\n");
  EXPECT_EQ(err, "[TBuffer64]LoadKPKImage -> Error loading sprites.png...\n");
  EXPECT_TRUE(d.ErrorMessages().empty());
  EXPECT_FALSE(d.ModeChanged());
}

TEST_F(Startup, ACorruptEntryEndsWithTheDecompressionError) {
  auto bytes = tools::BuildKpk(RealEntries());
  // Damage the deflate data of "niveis.png" well inside its stream.
  const std::string name = "niveis.png";
  auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
  ASSERT_NE(at, bytes.end());
  const size_t packed = size_t(at - bytes.begin()) + name.size() + 8;
  for (size_t i = 40; i < 200; ++i) bytes[packed + i] ^= 0x5A;
  {
    std::ofstream out(scratch_.Path() / "data.kpk", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  auto& d = InstallRecording();
  std::string err;
  EXPECT_EQ(RunGame(&err), 1);
  EXPECT_TRUE(err.starts_with("Decompression error: ")) << err;
  EXPECT_TRUE(err.ends_with(", in entry niveis.png of data.kpk\n")) << err;
  EXPECT_EQ(d.ErrorMessages().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(kErrorLogName));
  EXPECT_FALSE(TempExists());
}

// A picture cut short is refused with the decoder's message and the entry's
// name, instead of being shown half grey.
TEST_F(Startup, ADamagedPictureEndsWithTheDecodersMessage) {
  auto all = RealEntries();
  for (auto& e : all)
    if (e.name == "320200.jpg") e.content.resize(e.content.size() * 3 / 4);
  UseArchive(all);
  auto& d = InstallRecording();
  std::string err;
  EXPECT_EQ(RunGame(&err), 1);
  EXPECT_EQ(err, "Premature end of JPEG file, in entry 320200.jpg of data.kpk\n");
  EXPECT_EQ(d.ErrorMessages().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(kErrorLogName));
  EXPECT_FALSE(TempExists());
}

TEST_F(Startup, AnUnwritableLogStillShowsTheError) {
  auto all = RealEntries();
  std::erase_if(all, [](const tools::KpkEntry& e) { return e.name == "sprites.png"; });
  UseArchive(all);
  // A directory where the log should go stops the write, even for root.
  std::filesystem::create_directory(kErrorLogName);
  ScopedEnv state("XDG_STATE_HOME", (scratch_.Path() / "state").c_str());
  auto& d = InstallRecording();
  std::string err;
  EXPECT_EQ(RunGame(&err), 1);
  // The log that could not be written went to the user's state folder, and the second line says where.
  EXPECT_EQ(err, "[TBuffer64]LoadKPKImage -> Error loading sprites.png...\nThe error log is in " +
                     (scratch_.Path() / "state/morlo3" / kErrorLogName).string() + "\n");
  EXPECT_EQ(d.ErrorMessages().size(), 1u);
}

// ---- the real binary ----

TEST_F(Startup, TheProgramExitsWithItsCodes) {
  ASSERT_TRUE(std::filesystem::exists(kGame));
  const std::string env = "KESTREL_PLATFORM=headless KESTREL_ANSWER=no ";
  // A copy of the game alone in a folder finds data.kpk nowhere.
  std::filesystem::create_directory("alone");
  std::filesystem::copy_file(kGame, "alone/morlo3");
  EXPECT_EQ(RunProcess(env + "KESTREL_MAX_FRAMES=100 alone/morlo3 2>err.txt"), 1);
  std::ifstream in("err.txt");
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "Cannot open file data.kpk: No such file or directory");
  UseRealData();
  EXPECT_EQ(RunProcess("env -u ASAN_OPTIONS -u LSAN_OPTIONS " + env +
                       "KESTREL_MAX_FRAMES=24 KESTREL_FRAMELOG=frames.txt " + kGame + " >out.txt 2>&1"),
            0);
  EXPECT_EQ(ReadText("out.txt"), "");
  EXPECT_EQ(CountLines("frames.txt"), 25u);
  EXPECT_FALSE(TempExists());
}

// Every bad setting or argument is one line on standard error and exit code
// 2, before anything is made; a data.kpk that is no file is refused at once.
TEST_F(Startup, BadSettingsArgumentsAndArchivesGetOneLineEach) {
  const std::string kScaleWanted = "morlo3: --scale wants auto or a whole number from 1 to 16 (try --help)\n";
  ASSERT_TRUE(std::filesystem::exists(kGame));
  UseRealData();
  std::ofstream("plain") << "x";
  std::filesystem::create_directory("folder");
  struct Case {
    std::string run;  // settings and arguments
    int code;
    std::string err;
  } cases[] = {
      {"KESTREL_DEPTH=32abc", 2, "KESTREL_DEPTH=\"32abc\" is not understood: use 15, 16, 24 or 32\n"},
      {"KESTREL_PLATFORM=Headless", 2, "KESTREL_PLATFORM=\"Headless\" is not understood: use headless or sdl\n"},
      {"KESTREL_ANSWER=maybe", 2, "KESTREL_ANSWER=\"maybe\" is not understood: use yes or no\n"},
      {"KESTREL_MAX_FRAMES=-3", 2,
       "KESTREL_MAX_FRAMES=\"-3\" is not understood: use a whole number of frames, 0 or more\n"},
      {"KESTREL_CAPTURE_EVERY=0", 2,
       "KESTREL_CAPTURE_EVERY=\"0\" is not understood: use a whole number of frames, 1 or more\n"},
      {"KESTREL_SOUND_VERSION=new", 2,
       "KESTREL_SOUND_VERSION=\"new\" is not understood: use a version number such as 3.50\n"},
      {"KESTREL_INPUT=folder", 2,
       "KESTREL_INPUT=\"folder\" is not usable: it is a folder; name a file of input lines\n"},
      {"KESTREL_CAPTURE=plain/frames", 2,
       "KESTREL_CAPTURE=\"plain/frames\" is not usable: cannot make the folder (Not a directory)\n"},
      {"KESTREL_FRAMELOG=folder", 2,
       "KESTREL_FRAMELOG=\"folder\" is not usable: it is a folder; name a file to write\n"},
      {"KESTREL_FRAMELOG=plain/log", 2,
       "KESTREL_FRAMELOG=\"plain/log\" is not usable: cannot write it (Not a directory)\n"},
      // The real backend reads its settings by the same rules, before it
      // looks for a display.
      {"KESTREL_PLATFORM=sdl KESTREL_DEPTH=16bit", 2,
       "KESTREL_DEPTH=\"16bit\" is not understood: use 15, 16, 24 or 32\n"},
      {"KESTREL_PLATFORM=sdl KESTREL_MAX_FRAMES=ten", 2,
       "KESTREL_MAX_FRAMES=\"ten\" is not understood: use a whole number of frames, 0 or more\n"},
      // It plays scripts too, and does not record the one it plays.
      {"KESTREL_PLATFORM=sdl KESTREL_INPUT=folder", 2,
       "KESTREL_INPUT=\"folder\" is not usable: it is a folder; name a file of input lines\n"},
      {"KESTREL_PLATFORM=sdl KESTREL_INPUT=plain", 2,
       "KESTREL_INPUT=\"plain\": input script line 1: expected a frame number: x\n"},
      {"KESTREL_PLATFORM=sdl KESTREL_INPUT=plain KESTREL_RECORD=again.input", 2,
       "KESTREL_RECORD=\"again.input\" is not usable while KESTREL_INPUT plays a script\n"},
      {"true && " + kGame + " --bogus", 2, "morlo3: unexpected argument '--bogus' (try --help)\n"},
      // The window's scale: auto or a whole number from 1 to 16, and nothing
      // after it.
      {"true && " + kGame + " --scale", 2, kScaleWanted},
      {"true && " + kGame + " --scale 0", 2, kScaleWanted},
      {"true && " + kGame + " --scale 17", 2, kScaleWanted},
      {"true && " + kGame + " --scale 2x", 2, kScaleWanted},
      {"true && " + kGame + " --scale -3", 2, kScaleWanted},
      {"true && " + kGame + " --scale ''", 2, kScaleWanted},
      {"true && " + kGame + " --scale=", 2, kScaleWanted},
      {"true && " + kGame + " --scale 3 4", 2, "morlo3: unexpected argument '4' (try --help)\n"},
      {"true && " + kGame + " --version --scale 3", 2, "morlo3: --version takes no other argument (try --help)\n"},
      {"true && " + kGame + " --print-config --window", 2,
       "morlo3: --print-config takes no other argument (try --help)\n"},
      // Every other setting's flag, by the same table as the file.
      {"true && " + kGame + " --aspect 16:9", 2, "morlo3: --aspect wants square or 4:3 (try --help)\n"},
      {"true && " + kGame + " --effects 101", 2, "morlo3: --effects wants a whole number from 0 to 100 (try --help)\n"},
      {"true && " + kGame + " --language fr", 2, "morlo3: --language wants pt or en (try --help)\n"},
      {"true && " + kGame + " --key-fire Spcae", 2,
       "morlo3: --key-fire wants key names as SDL writes them (Space, Left Ctrl, W, Keypad 0), separated by commas: "
       "no key the game reads is called \"Spcae\" (try --help)\n"},
      {"true && " + kGame + " --pad-back select", 2,
       "morlo3: --pad-back wants game controller button names as SDL writes them (a, b, x, y, back, start, "
       "leftshoulder, dpup), separated by commas: no button is called \"select\" (try --help)\n"},
      // A key two actions would share: the flag is at fault, whatever the
      // file says.
      {"true && " + kGame + " --key-jump 'Left Ctrl'", 2,
       "morlo3: --key-jump wants keys no other action has: Left Ctrl is already fire's (try --help)\n"},
      {"true && " + kGame + " --fullscreen --window", 2,
       "morlo3: --fullscreen and --window cannot both be given (try --help)\n"},
      {"true && " + kGame + " --config", 2, "morlo3: --config wants the name of a settings file (try --help)\n"},
  };
  // A bound for the runs that should end at once; a case's own setting,
  // given later, wins.
  const std::string env = "KESTREL_PLATFORM=headless KESTREL_ANSWER=no KESTREL_MAX_FRAMES=100 ";
  for (const Case& c : cases) {
    const std::string cmd = c.run.starts_with("true") ? c.run : env + c.run + " " + kGame;
    EXPECT_EQ(RunProcess(cmd + " >out.txt 2>err.txt"), c.code) << c.run;
    EXPECT_EQ(ReadText("err.txt"), c.err) << c.run;
    EXPECT_EQ(ReadText("out.txt"), "") << c.run;
    EXPECT_FALSE(std::filesystem::exists(kErrorLogName)) << c.run;
    EXPECT_FALSE(TempExists()) << c.run;
  }
  EXPECT_EQ(RunProcess(kGame + " --version >out.txt 2>err.txt"), 0);
  EXPECT_EQ(ReadText("out.txt"), "morlo3 " + std::string(morlo3::kVersion) + "\n");
  EXPECT_EQ(RunProcess(kGame + " --help >out.txt 2>err.txt"), 0);
  EXPECT_TRUE(ReadText("out.txt").starts_with("usage: morlo3 [--config FILE] [SETTING...]\n"));
  EXPECT_EQ(ReadText("err.txt"), "");

  // A FIFO or a directory in the archive's place: refused at once.
  std::filesystem::remove("data.kpk");
  ASSERT_EQ(::mkfifo("data.kpk", 0600), 0);
  EXPECT_EQ(RunProcess(env + "timeout 20 " + kGame + " 2>err.txt"), 1);
  EXPECT_EQ(ReadText("err.txt"), "Cannot open file data.kpk: it is a named pipe, not a file\n");
  std::filesystem::remove("data.kpk");
  std::filesystem::create_directory("data.kpk");
  EXPECT_EQ(RunProcess(env + kGame + " 2>err.txt"), 1);
  EXPECT_EQ(ReadText("err.txt"), "Cannot open file data.kpk: it is a directory\n");
  EXPECT_FALSE(std::filesystem::exists(kErrorLogName));
}

// A "temp" of the player's, with files named like our sounds or as a link to
// another folder, is never written into or emptied.
TEST_F(Startup, ThePlayersTempFolderIsNeverTouched) {
  UseRealData();
  namespace fs = std::filesystem;
  fs::create_directories("elsewhere");
  std::ofstream("elsewhere/osso.wav") << "theirs";
  for (bool link : {false, true}) {
    fs::remove_all("temp");
    if (link) fs::create_directory_symlink("elsewhere", "temp");
    else fs::create_directory("temp"), std::ofstream("temp/click2.wav") << "mine";
    InstallRecording(ClosedAfterLoading());
    ASSERT_EQ(RunGame(), 0);
    EXPECT_EQ(ReadText("elsewhere/osso.wav"), "theirs");
    if (!link) {
      EXPECT_EQ(ReadText("temp/click2.wav"), "mine");
    }
    EXPECT_TRUE(fs::is_empty(scratch_.Tmp())) << "no scratch folder is left";
  }
}

// However the run ends, no scratch folder is left: a signal during loading
// or play, an engine error, a corrupt sound. Four copies in one folder do
// not meet. The signals come at chosen frames, never after a guessed time:
// in this process from the frame hook, and to the real program once its
// frame log, read through a pipe, has shown the chosen frame. A log line
// cannot be written until the one before it has been read (but for a pipe's
// worth), so the program cannot run far past that frame, let alone finish.
TEST_F(Startup, EveryWayOutRemovesTheScratchFolder) {
  UseRealData();
  const std::string& normal = kNormalReplay;
  // Frame 16 falls while the sounds are extracted; the saved normal game is in
  // its first stages from frame 235 to frame 3217 and wins at frame 7188.
  const std::pair<int, const char*> signals[] = {{SIGTERM, "TERM"}, {SIGINT, "INT"}, {SIGHUP, "HUP"}};
  for (auto [sig, name] : signals)
    for (size_t frame : {size_t(16), size_t(300)}) {
      platform::HeadlessOptions o;
      o.answer = 0;
      o.maxFrames = 8000;
      if (frame == 300) o.inputScript = normal;
      auto& d = InstallRecording(o);
      bool folderThen = false;
      d.onFrame = [&, sig](size_t n) {
        if (n != frame) return;
        folderThen = !ScratchFolder().empty();
        ::raise(sig);
      };
      EXPECT_EQ(RunGame(), 128 + sig) << name << " at frame " << frame;
      EXPECT_TRUE(folderThen) << name << " at frame " << frame << ": no scratch folder yet";
      EXPECT_LE(d.frames.size(), frame + 1) << name << ": the signal is seen at the next message pump";
      EXPECT_FALSE(TempExists()) << name << " at frame " << frame;
      platform::ClearTerminationSignal();
      platform::ResetPlatform();
    }
  const std::string env = "KESTREL_PLATFORM=headless KESTREL_ANSWER=no ";
  ASSERT_EQ(::mkfifo("log.fifo", 0600), 0);
  for (auto [sig, name] : signals) {
    // A hang guard only: the run takes well under a second.
    const std::string script = env + "KESTREL_INPUT=" + normal + " KESTREL_FRAMELOG=log.fifo KESTREL_MAX_FRAMES=8000 " +
                               kGame + " & p=$!; exec 3<log.fifo; n=0; while [ $n -lt 300 ] && read -r _ <&3; do " +
                               "n=$((n+1)); done; kill -" + name + " $p; cat <&3 >/dev/null; wait $p";
    EXPECT_EQ(RunProcess("timeout -k 5 120 sh -c '" + script + "'"), 128 + sig) << name;
    EXPECT_FALSE(TempExists()) << name;
  }
  // The frame log's reader goes away: the next line cannot be written, and
  // the run ends as on any write error, not killed unseen by the broken pipe.
  {
    const std::string script = env + "KESTREL_INPUT=" + normal + " KESTREL_FRAMELOG=log.fifo KESTREL_MAX_FRAMES=8000 " +
                               kGame +
                               " 2>err.txt & p=$!; exec 3<log.fifo; n=0; while [ $n -lt 300 ] && read -r _ <&3; " +
                               "do n=$((n+1)); done; exec 3<&-; wait $p";
    EXPECT_EQ(RunProcess("timeout -k 5 120 sh -c '" + script + "'"), 1);
    EXPECT_TRUE(ReadText("err.txt").starts_with("Cannot write file log.fifo")) << ReadText("err.txt");
    EXPECT_FALSE(TempExists()) << "a broken frame log";
    std::filesystem::remove(kErrorLogName);
  }
  // A library of the wrong version: an engine error after the first sound.
  EXPECT_EQ(RunProcess(env + "KESTREL_MAX_FRAMES=100 KESTREL_SOUND_VERSION=3.4 " + kGame + " 2>err.txt"), 1);
  EXPECT_TRUE(ReadText("err.txt").starts_with("[Sound64]Create -> Wrong FMOD version")) << ReadText("err.txt");
  EXPECT_FALSE(TempExists());
  std::filesystem::remove(kErrorLogName);
  // Four at once, in one folder.
  const std::string one = env + "KESTREL_MAX_FRAMES=60 " + kGame + " & ";
  EXPECT_EQ(RunProcess(one + "a=$!; " + one + "b=$!; " + one + "c=$!; " + one +
                       "d=$!; wait $a && wait $b && wait $c && wait $d"),
            0);
  EXPECT_FALSE(TempExists());
}

// Without a display the real backend says so in a plain line, true to what
// the variables hold, then gives the engine's report, which alone goes to
// the log; it ends with 1 and does not run unseen on SDL's offscreen driver.
TEST_F(Startup, NoDisplayIsOnePlainLineThenTheReport) {
  UseRealData();
  const struct {
    const char* env;
    const char* why;
  } cases[] = {
      {"-u DISPLAY -u WAYLAND_DISPLAY", "DISPLAY and WAYLAND_DISPLAY are unset"},
      {"-u WAYLAND_DISPLAY DISPLAY=:65001",
       "the X display \":65001\" could not be opened, and WAYLAND_DISPLAY is unset"},
      {"DISPLAY= WAYLAND_DISPLAY=no-such-wayland",
       "DISPLAY is empty, and the Wayland display \"no-such-wayland\" could not be opened"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.env);
    // The real backend has no frame bound; the cap only ends a hang.
    EXPECT_EQ(RunProcess("timeout -k 5 120 env -u SDL_VIDEODRIVER " + std::string(c.env) + " KESTREL_ANSWER=no " +
                         kGame + " </dev/null >out.txt 2>err.txt"),
              1);
    EXPECT_EQ(ReadText("err.txt"), "No display could be opened: start the game from a graphical desktop (" +
                                       std::string(c.why) +
                                       ").\n[TSelfExKestrel]CreateWindowEx -> Error creating window...\n");
    EXPECT_EQ(ReadText(kErrorLogName), "[TSelfExKestrel]CreateWindowEx -> Error creating window...\r\n");
    std::filesystem::remove(kErrorLogName);
  }
  EXPECT_FALSE(TempExists());
}

// A folder the game may not write into, with data.kpk in it, runs the whole
// loading sequence and is left as it was.
TEST_F(Startup, AReadOnlyCurrentFolderRunsTheLoadingSequence) {
  namespace fs = std::filesystem;
  fs::create_directory("ro");
  fs::create_symlink(kGeneratedData, "ro/data.kpk");
  fs::permissions("ro", fs::perms::owner_read | fs::perms::owner_exec);
  const std::string here = scratch_.Path().string();
  EXPECT_EQ(RunProcess("cd ro && KESTREL_PLATFORM=headless KESTREL_ANSWER=no KESTREL_MAX_FRAMES=40 KESTREL_FRAMELOG=" +
                       here + "/frames.txt " + kGame + " >" + here + "/out.txt 2>&1"),
            0);
  EXPECT_EQ(ReadText("out.txt"), "");
  EXPECT_EQ(CountLines("frames.txt"), 41u);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator("ro")) names.push_back(e.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"data.kpk"});
  EXPECT_FALSE(TempExists());
}

// Installed into a prefix, the game runs from an unrelated read-only folder,
// and its error log goes to the user's state folder when that folder cannot
// take it.
TEST_F(Startup, TheInstalledGameRunsFromAnywhere) {
  const std::string prefix = (scratch_.Path() / "prefix").string();
  ASSERT_EQ(RunProcess("cmake --install " + std::string(KESTREL_BINARY_DIR) + " --prefix " + prefix + " >/dev/null"),
            0);
  for (const char* file :
       {"bin/morlo3", "bin/morlo3-kpk", "share/morlo3/data.kpk", "share/applications/net.kestrelengine.Morlo3.desktop",
        "share/icons/hicolor/48x48/apps/net.kestrelengine.Morlo3.png", "share/man/man6/morlo3.6.gz"})
    EXPECT_TRUE(std::filesystem::exists(prefix + "/" + file)) << file;
  // The package's own programs are not a plain installation's.
  EXPECT_FALSE(std::filesystem::exists(prefix + "/games"));
  // /proc takes no files, not even root's.
  const std::string env =
      "KESTREL_PLATFORM=headless KESTREL_ANSWER=no XDG_STATE_HOME=" + scratch_.Path().string() + "/state ";
  // The loading sequence is 24 frames; 40 reach the story.
  EXPECT_EQ(RunProcess("cd /proc && " + env + "KESTREL_MAX_FRAMES=40 KESTREL_FRAMELOG=" + scratch_.Path().string() +
                       "/frames.txt " + prefix + "/bin/morlo3 >" + scratch_.Path().string() + "/out.txt 2>&1"),
            0);
  EXPECT_EQ(ReadText("out.txt"), "");
  EXPECT_EQ(CountLines("frames.txt"), 41u);
  EXPECT_FALSE(TempExists());
  EXPECT_EQ(RunProcess("cd /proc && " + env + "KESTREL_MAX_FRAMES=100 KESTREL_SOUND_VERSION=3.4 " + prefix +
                       "/bin/morlo3 2>" + scratch_.Path().string() + "/err.txt"),
            1);
  const std::string log = scratch_.Path().string() + "/state/morlo3/KRL_ERR.txt";
  EXPECT_TRUE(ReadText("err.txt").ends_with("\nThe error log is in " + log + "\n")) << ReadText("err.txt");
  EXPECT_TRUE(ReadText(log).starts_with("[Sound64]Create -> Wrong FMOD version")) << log;
  EXPECT_FALSE(TempExists());
}

// The real backend in a window and in full screen: the game says nothing on
// a machine without a sound card (no library noise), and a sanitizer build
// runs clean with no settings of its own.
TEST_F(Startup, TheRealWindowAndFullScreenUnderXvfbSayNothing) {
  ASSERT_TRUE(Installed({"Xvfb", "xdotool"}));
  Xvfb server;
  ASSERT_TRUE(server.Start()) << "Xvfb could not be started";
  UseRealData();
  // Esc held skips the story once loading is over (the menu does not read
  // it); "Sair" then slides in to rest at (256, 129), 19 x 17. A window
  // shows the picture doubled; full screen letterboxes it three times over
  // on the 1024 x 768 screen, from (32, 84).
  struct Run {
    const char* answer;
    int x, y;
  } runs[] = {{"no", kQuitX, kQuitY}, {"yes", 32 + 3 * 265, 84 + 3 * 137}};
  for (const Run& r : runs) {
    std::filesystem::remove("frames.log");
    RealGame game(server.Display(), GameCommand(scratch_, std::string("-u SDL_AUDIODRIVER -u ASAN_OPTIONS ") +
                                                              "-u LSAN_OPTIONS KESTREL_ANSWER=" + r.answer));
    ASSERT_TRUE(game.Started());
    ASSERT_TRUE(game.FindWindow("Morlo v3.0")) << r.answer;
    // Loading, then two seconds of frames for "Sair" to slide in.
    FramePacedPlayer player(game);
    game.KeyDown("Escape");
    EXPECT_TRUE(player.Reach(360)) << r.answer << ": " << ReadText("err.txt");
    EXPECT_EQ(player.ClickUntilEnded(r.x, r.y), 0) << r.answer << ": " << ReadText("err.txt");
    game.KeyUp("Escape");
    EXPECT_EQ(ReadText("out.txt"), "") << r.answer;
    EXPECT_EQ(ReadText("err.txt"), "") << r.answer;
    EXPECT_FALSE(TempExists()) << r.answer;
    EXPECT_FALSE(std::filesystem::exists(kErrorLogName)) << r.answer;
  }
}

}  // namespace
}  // namespace kestrel::testing
