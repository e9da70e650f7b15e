// Fuzzes the whole game: the bytes are read as an input script, and the real
// program is played from its entry on the headless backend for a bounded
// number of frames. After every presented frame the game's invariants are
// checked; the run must end only by its designed exits (the window closed at
// the frame bound, or "Sair"), with its scratch folder gone.
//
// Invariants: every table index in range (the tables stop the program on any
// other), the cursors into the tables in range, Energy never below 0 when a
// frame is shown and rising only by a bonus or a new life, the shot power
// gauge within 0..9, the camera inside the stage picture, and no allocation
// by the game while a stage runs (only its set-up makes the stage pictures).
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>

#include "kestrel/base/faults.h"
#include "kestrel/error.h"
#include "kestrel/kestrel.h"
#include "kestrel/platform/headless/headless.h"
#include "kestrel/platform/sound.h"
#include "kestrel/program.h"
#include "morlo3/game_state.h"
#include "morlo3/startup.h"
#include "tests/support/counting_new.h"

namespace {

using namespace kestrel;
using kestrel::testing::NotCounted;
using platform::SongHandle;
using platform::StreamHandle;

// Enough for the story, the menu and well into stage 1 and beyond.
constexpr int64_t kFrameBound = 3000;

[[noreturn]] void Broken(const char* rule, uint64_t frame) {
  std::fprintf(stderr, "fuzz_game: %s, at frame %llu\n", rule, static_cast<unsigned long long>(frame));
  std::abort();
}

// The headless sound with its call log kept out of the count.
class QuietSound : public platform::SoundBackend {
 public:
  explicit QuietSound(std::unique_ptr<platform::SoundBackend> inner) : inner_(std::move(inner)) {}
  float Version() const override { return inner_->Version(); }
  int SelectOutput(int output) override {
    NotCounted p;
    return inner_->SelectOutput(output);
  }
  int Open(int output, int mixRate, int channels) override {
    NotCounted p;
    return inner_->Open(output, mixRate, channels);
  }
  void Shut() override {
    NotCounted p;
    inner_->Shut();
  }
  int LoadSong(const std::string& file, SongHandle id) override {
    NotCounted p;
    return inner_->LoadSong(file, id);
  }
  int OpenStream(const std::string& file, bool loop, StreamHandle id) override {
    NotCounted p;
    return inner_->OpenStream(file, loop, id);
  }
  bool SongPlaying(SongHandle song) override {
    NotCounted p;
    return inner_->SongPlaying(song);
  }
  bool PlaySong(SongHandle song) override {
    NotCounted p;
    return inner_->PlaySong(song);
  }
  bool StopSong(SongHandle song) override {
    NotCounted p;
    return inner_->StopSong(song);
  }
  void FreeSong(SongHandle song) override {
    NotCounted p;
    inner_->FreeSong(song);
  }
  int PlayStream(StreamHandle stream, int level, int& error) override {
    NotCounted p;
    return inner_->PlayStream(stream, level, error);
  }
  bool StopStream(StreamHandle stream) override {
    NotCounted p;
    return inner_->StopStream(stream);
  }
  void CloseStream(StreamHandle stream) override {
    NotCounted p;
    inner_->CloseStream(stream);
  }
  bool ChannelPlaying(int channel) override {
    NotCounted p;
    return inner_->ChannelPlaying(channel);
  }

 private:
  std::unique_ptr<platform::SoundBackend> inner_;
};

class CheckingDisplay : public platform::HeadlessDisplay {
 public:
  CheckingDisplay(platform::HeadlessOptions o, const morlo3::GameState& g) : HeadlessDisplay(std::move(o)), g_(g) {}

  void PollEvents() override {
    NotCounted p;
    HeadlessDisplay::PollEvents();
  }
  std::unique_ptr<platform::SoundBackend> CreateSoundBackend() override {
    return std::make_unique<QuietSound>(HeadlessDisplay::CreateSoundBackend());
  }

 protected:
  void AfterFrame() override {
    Check(FramesPresented());
    NotCounted p;
    HeadlessDisplay::AfterFrame();
  }

 private:
  void Check(uint64_t frame) {
    const morlo3::GameState& g = g_;
    if (g.ShotCursor < 1 || g.ShotCursor > g.PlayerShots.Capacity) Broken("ShotCursor outside its table", frame);
    if (g.EnemyShotCursor < 1 || g.EnemyShotCursor > g.EnemyShots.Capacity)
      Broken("EnemyShotCursor outside its table", frame);
    if (g.WalkStep < 0 || g.WalkStep >= int32_t(g.WalkPoses.size())) Broken("WalkStep outside the pose tables", frame);
    if (g.MenuPage < 1 || g.MenuPage > 3) Broken("MenuPage outside 1..3", frame);
    if (g.StageNumber < 1 || g.StageNumber > 8) Broken("StageNumber outside 1..8", frame);
    if (g.ShotPower < 0 || g.ShotPower > 9) Broken("ShotPower outside 0..9", frame);
    if (g.Energy < 0) Broken("Energy below 0 on a shown frame", frame);
    if (seen_ && g.Energy > lastEnergy_ && g.Energy != 100 && g.Energy != lastEnergy_ + 20)
      Broken("Energy rose by neither a bonus nor a new life", frame);
    lastEnergy_ = g.Energy;
    seen_ = true;

    // A stage runs from its set-up (the stage pictures exist) to FreeStage.
    const TBuffer64* scene = g.StageScene.get();
    if (scene && g.GameRunning == 1) {
      const int32_t w = scene->Width, h = scene->Height;
      if (g.CameraX < 0 || g.CameraY < 0 || g.CameraX + 319 > w || g.CameraY + 199 > h)
        Broken("the camera left the stage picture", frame);
      if (scene == stageScene_ && kestrel::testing::CountedAllocations() != allocations_)
        Broken("the running stage allocated", frame);
    }
    stageScene_ = scene;
    allocations_ = kestrel::testing::CountedAllocations();
  }

  const morlo3::GameState& g_;
  const TBuffer64* stageScene_ = nullptr;
  long allocations_ = 0;
  int32_t lastEnergy_ = 0;
  bool seen_ = false;
};

std::filesystem::path gTmp;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A folder of its own with the game's data, and a TMPDIR to watch.
  char dir[] = "/tmp/fuzz-game-XXXXXX";
  if (!::mkdtemp(dir)) std::abort();
  const std::filesystem::path root(dir);
  const char* data = std::getenv("FUZZ_GAME_DATA");
  const std::filesystem::path kpk = std::filesystem::absolute(data && *data ? data : KESTREL_BINARY_DIR "/data.kpk");
  if (!std::filesystem::exists(kpk)) {
    std::fprintf(stderr, "fuzz_game: no %s (build datagen_data, or set FUZZ_GAME_DATA)\n", kpk.c_str());
    std::abort();
  }
  std::filesystem::create_symlink(kpk, root / "data.kpk");
  gTmp = root / "tmp";
  std::filesystem::create_directory(gTmp);
  ::setenv("TMPDIR", gTmp.c_str(), 1);
  std::filesystem::current_path(root);
  Settings settings;
  settings.programName = morlo3::kProgramName;
  StartProgram(settings);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<platform::ScriptEvent> events;
  try {
    events = platform::ParseInputScript(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const std::runtime_error&) {
    return -1;  // not a script: not worth keeping
  }
  morlo3::GameState game;
  platform::HeadlessOptions o;
  o.answer = 0;
  o.maxFrames = kFrameBound;
  auto display = std::make_unique<CheckingDisplay>(std::move(o), game);
  CheckingDisplay& d = *display;
  d.QueueEvents(std::move(events));
  platform::InstallDisplay(std::move(display));
  ResetEngine();
  try {
    morlo3::Run(game);
  } catch (const ProgramExit& e) {
    if (e.Code() != 0) Broken("the program ended with a non-zero code", d.FramesPresented());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fuzz_game: %s\n", e.what());
    Broken("the program ended by an error", d.FramesPresented());
  }
  if (d.FramesPresented() > uint64_t(kFrameBound) + 1000)
    Broken("the run went past its frame bound", d.FramesPresented());
  std::error_code ec;
  if (!std::filesystem::is_empty(gTmp, ec)) Broken("a scratch folder was left in TMPDIR", d.FramesPresented());
  platform::ResetPlatform();
  ResetEngine();
  ClearFaults();
  return 0;
}
