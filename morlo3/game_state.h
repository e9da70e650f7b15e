// The game's one shared record: the engine objects made at start-up, the
// settings, the fixed colours and the tables gameplay reads. Start-up fills
// it, every loop of the game works on it, Shutdown empties it.
#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "kestrel/buffer64.h"
#include "kestrel/input64.h"
#include "kestrel/kestrel.h"
#include "kestrel/kpk.h"
#include "kestrel/sound64.h"

namespace morlo3 {

// The sound slots; slot 0 stays empty.
inline constexpr int kSoundSlots = 13;
inline constexpr std::array<const char*, kSoundSlots> SoundFiles = {
    "",           "click2.wav", "laser.wav", "morcego.wav", "sofr.wav",    "vento.wav", "rugido.wav",
    "osso.wav",   "laser2.wav", "grito.wav", "rugido3.wav", "terror.wav", "uivu.wav"};
// Only the stage wind loops.
inline constexpr int kLoopingSlot = 5;

inline constexpr const char* kCaption = "Morlo v3.0 [win32]";
inline constexpr const char* kArchiveName = "data.kpk";
// The scratch directory for the extracted sounds, in the current directory.
inline constexpr const char* kTempDir = "temp";

struct GameState {
  // Engine objects, owned here, released by Shutdown in a fixed order.
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

  // Pixels of the loading bar shown so far.
  int32_t LoadProgress = 0;

  // Settings, kept from game to game.
  int32_t Speed = 0;       // 0 slow
  int32_t Difficulty = 0;  // 0 normal, 1 hard
  int32_t SoundOn = 1;

  // Fixed colours, packed once for the display.
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

  // Pose numbers by walk step, numbered from 0.
  std::array<int32_t, 26> WalkPoses{};
  std::array<int32_t, 26> WalkFirePoses{};
};

}  // namespace morlo3
