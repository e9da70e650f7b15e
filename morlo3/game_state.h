// The game's one shared record: the engine objects made at start-up, the
// settings, the fixed colours, the player, the camera and the fixed tables of
// figures, shots and coins. Start-up fills it, every routine of the game
// works on it, Shutdown empties it.
//
// All game arithmetic is signed 32-bit and wraps on overflow (the game is
// built with -fwrapv): a freed shot keeps flying and a dead bat keeps falling
// for as long as the game runs.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "kestrel/buffer64.h"
#include "kestrel/input64.h"
#include "kestrel/kestrel.h"
#include "kestrel/kpk.h"
#include "kestrel/settings.h"
#include "kestrel/sound64.h"

namespace morlo3 {

// The sound slots; slot 0 stays empty.
inline constexpr int kSoundSlots = 13;
inline constexpr std::array<const char*, kSoundSlots> SoundFiles = {
    "",         "click2.wav", "laser.wav", "morcego.wav", "sofr.wav",   "vento.wav", "rugido.wav",
    "osso.wav", "laser2.wav", "grito.wav", "rugido3.wav", "terror.wav", "uivu.wav"};
// Only the stage wind loops.
inline constexpr int kLoopingSlot = 5;

// Sound slots by what plays them.
enum SoundSlot : int32_t {
  kSoundClick = 1,
  kSoundShot = 2,
  kSoundBatDies = 3,
  kSoundHurt = 4,
  kSoundWind = 5,
  kSoundWalkerDies = 6,
  kSoundBones = 7,
  kSoundCast = 8,
  kSoundFirstCry = 9,  // 9, 10 and 11 are the ambient cries
};

inline constexpr const char* kCaption = "Morlo v3.0 [win32]";
inline constexpr const char* kArchiveName = "data.kpk";
// The program's name: its scratch folder, its installed data folder
// (share/morlo3) and the fallback folder of its error log are named after it.
inline constexpr const char* kProgramName = "morlo3";

// Keyboard scan codes the game reads: Enter, and the keys it was made with
// for its actions, which the engine answers for the keys the player bound.
enum Key : int32_t {
  kKeyEsc = kestrel::DesignedKey(kestrel::Action::Back),
  kKeyEnter = 28,
  kKeyFire = kestrel::DesignedKey(kestrel::Action::Fire),
  kKeyJump = kestrel::DesignedKey(kestrel::Action::Jump),
  kKeyLeft = kestrel::DesignedKey(kestrel::Action::Left),
  kKeyRight = kestrel::DesignedKey(kestrel::Action::Right),
};

// A fixed table numbered from 1 to N. An index outside that range is a fault
// in the game; it stops the program rather than touch memory.
template <typename T, int32_t N>
class Table {
 public:
  static constexpr int32_t Capacity = N;
  T& operator[](int32_t i) {
    Check(i);
    return slots_[size_t(i - 1)];
  }
  const T& operator[](int32_t i) const {
    Check(i);
    return slots_[size_t(i - 1)];
  }
  T* begin() { return slots_.data(); }
  T* end() { return slots_.data() + N; }
  const T* begin() const { return slots_.data(); }
  const T* end() const { return slots_.data() + N; }

 private:
  static void Check(int32_t i) {
    if (i < 1 || i > N) [[unlikely]] {
      std::fprintf(stderr, "table slot %d outside 1..%d\n", int(i), int(N));
      std::abort();
    }
  }
  std::array<T, size_t(N)> slots_{};
};

// One figure of an enemy table.
struct EnemyRecord {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t HalfWidth = 0;  // bats: half the wing span, also their hit reach
  int32_t Facing = 0;     // sprite row; its meaning depends on the kind
  int32_t Health = 0;     // below 0: dying or dead
  int32_t State = 0;      // per kind; 0 is gone
  int32_t Roll = 0;       // throwers: this frame's random 0..99
  int32_t PatrolMin = 0;
  int32_t PatrolMax = 0;
  int32_t PatrolDir = 0;  // 0 towards PatrolMax, 1 towards PatrolMin
  int32_t Frame = 0;
  int32_t DeathTicks = 0;
  int32_t AnimTicks = 0;
};

// A missile. A Y of kFreeShot marks a free slot.
struct ShotRecord {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t DX = 0;
};
inline constexpr int32_t kFreeShot = -100;

struct CoinRecord {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t DX = 0;
  int32_t DY = 0;
  int32_t Ticks = 0;
  int32_t Frame = 0;
};

// The dust of an undead getting up.
struct RiseEffectRecord {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Ticks = 0;
  uint8_t Active = 0;
};

// One element of the main menu.
struct MenuItem {
  int32_t X = 0, Y = 0;
  int32_t Enabled = 0;
  int32_t Right = 0, Bottom = 0;
  int32_t Clicked = 0;
  int32_t ShownX = 0, ShownY = 0;
  int32_t HiddenX = 0, HiddenY = 0;
  uint8_t Shown = 0;
  // Windows-1252 text of at most 50 bytes.
  std::array<char, 51> Caption{};
};
inline constexpr int32_t kMenuItemCount = 21;  // numbered from 0

struct GameState {
  // ---- Engine objects, owned here, released by Shutdown in a fixed order.
  std::unique_ptr<kestrel::TKestrel> Display;
  bool FullScreen = false;
  std::unique_ptr<kestrel::TKPK> Archive;
  std::unique_ptr<kestrel::TBuffer64> LoadBackground;
  std::unique_ptr<kestrel::TBuffer64> LoadBar;
  std::unique_ptr<kestrel::TBuffer64> Screen;
  std::unique_ptr<kestrel::TInput64> Input;
  std::unique_ptr<kestrel::TBuffer64> SpriteSheet;
  std::unique_ptr<kestrel::TBuffer64> BackdropSheet;
  std::unique_ptr<kestrel::TBuffer64> StageSheet;
  std::unique_ptr<kestrel::TBuffer64> Backdrop;
  std::unique_ptr<kestrel::TBuffer64> PlayerCanvas;
  std::array<std::unique_ptr<kestrel::TSound64>, kSoundSlots> Sounds;
  // The current stage's picture and collision mask, from BuildStage to FreeStage.
  std::unique_ptr<kestrel::TBuffer64> StageScene;
  std::unique_ptr<kestrel::TBuffer64> StageMask;

  // Pixels of the loading bar shown so far.
  int32_t LoadProgress = 0;
  // The folder made for this run that holds the extracted sounds; "" until
  // it exists.
  std::string ScratchFolder;

  // ---- Settings, kept from game to game.
  int32_t Speed = 0;       // 0 slow, 1 fast
  int32_t Difficulty = 0;  // 0 normal, 1 hard
  int32_t SoundOn = 1;

  // ---- Fixed colours, packed once for the display.
  uint32_t ColourKey = 0;
  uint32_t TextColour = 0;
  uint32_t StoryColour2 = 0;
  uint32_t StoryColour3 = 0;
  uint32_t StoryColour4 = 0;
  uint32_t CreditsHeadingColour = 0;
  uint32_t CreditsNameColour = 0;
  uint32_t HighlightColour = 0;
  uint32_t MaskStop = 0;
  uint32_t MaskPushLeft = 0;
  uint32_t MaskPushRight = 0;
  uint32_t MaskGround = 0;

  // ---- The one random source. Never reseeded: every run draws the same
  // sequence, so the same input gives the same game.
  uint32_t RandSeed = 0;

  // ---- Progress and counters.
  int32_t StageNumber = 1;
  uint8_t StageOver = 0;
  uint8_t GameRunning = 0;
  uint8_t BossStage = 0;
  int32_t Lives = 2;
  int32_t Energy = 100;
  int32_t Coins = 0;
  int32_t ShotPower = 0;
  int32_t HurtTimer = 20;  // frames since the player was last hurt
  int32_t AmbientTicks = 0;

  // ---- The player.
  int32_t PlayerX = 10;
  int32_t PlayerY = 100;
  int32_t PlayerPose = 1;
  int32_t PlayerFacing = 0;  // 0 right, 1 left
  uint8_t OnGround = 0;
  int32_t JumpTime = 40;
  int32_t JumpRise = 0;
  int32_t JumpBaseY = 100;
  int32_t WalkStep = 0;
  int32_t FireLatch = 0;
  int32_t JumpLatch = 0;
  int32_t ShotCursor = 1;
  // Pose numbers by walk step, numbered from 0.
  std::array<int32_t, 26> WalkPoses{};
  std::array<int32_t, 26> WalkFirePoses{};

  // ---- The camera: the stage position of the screen's top-left pixel.
  int32_t CameraX = 0;
  int32_t CameraY = 0;

  // ---- Figures, shots and coins.
  Table<EnemyRecord, 3> Throwers;
  Table<EnemyRecord, 4> Walkers;
  Table<EnemyRecord, 3> Bats;
  Table<EnemyRecord, 3> Undead;
  Table<EnemyRecord, 3> FallingHazards;
  Table<ShotRecord, 15> PlayerShots;
  Table<ShotRecord, 9> EnemyShots;
  int32_t EnemyShotCursor = 1;
  // Slot 1 is the status display's coin and the animation all coins share.
  Table<CoinRecord, 7> CoinTable;

  // ---- The one bonus item.
  int32_t BonusX = 0;
  int32_t BonusY = 0;
  int32_t BonusKind = 0;  // 0 nothing, 1 energy, 2 shot power, 3 life
  uint8_t BonusActive = 0;

  RiseEffectRecord RiseEffect;

  // ---- RirEza and his bolt.
  int32_t SorcererX = 700;
  int32_t SorcererY = 10;
  int32_t SorcererHealth = 100;
  int32_t SorcererMode = 1;  // 0 choose, 1 keep away, 2 swoop, 3 cast
  int32_t SorcererPose = 1;
  int32_t SorcererFacing = 0;  // 1 while the player is to his right
  int32_t SorcererTargetX = 700;
  int32_t SorcererTargetY = 10;
  int32_t CastTicks = 0;
  int32_t BoltX = 0;
  int32_t BoltY = 0;
  int32_t BoltTargetX = 0;
  int32_t BoltTargetY = 0;
  int32_t BoltTicks = 1;
  int32_t BoltState = 1;  // 1 flying, 2 bursting
  uint8_t BoltActive = 0;

  // ---- The main menu.
  std::array<MenuItem, kMenuItemCount> MenuItems{};
  int32_t MenuPage = 1;  // 1 main, 2 help, 3 options
  uint8_t QuitRequested = 0;
};

// random(n): a uniform number from 0 to n - 1 from the game's one generator,
// seed = seed * 134775813 + 1 (mod 2^32), result = high half of seed * n.
inline int32_t Random(GameState& g, int32_t n) {
  g.RandSeed = g.RandSeed * 134775813u + 1u;
  return int32_t((uint64_t(g.RandSeed) * uint64_t(uint32_t(n))) >> 32);
}

// Plays or stops a sound slot when sound is on.
inline void PlaySound(GameState& g, int32_t slot) {
  if (g.SoundOn == 1 && g.Sounds[size_t(slot)]) g.Sounds[size_t(slot)]->Play();
}
inline void StopSound(GameState& g, int32_t slot) {
  if (g.SoundOn == 1 && g.Sounds[size_t(slot)]) g.Sounds[size_t(slot)]->Stop();
}

}  // namespace morlo3
