// What each of the eight stages is: where its pictures lie in the sheets, where
// the player starts, how the stage is left, and the start values of its
// enemies and coins. The game sets its stages up from this table and the data
// generator draws the stage pictures and masks around the same numbers, so
// the two cannot disagree.
#pragma once
#include <array>
#include <cstdint>

namespace morlo3 {

// An enemy that patrols: start X and Y, and the ends of its patrol.
struct StagePatrol {
  int32_t X = 0, Y = 0, PatrolMin = 0, PatrolMax = 0;
};

struct StagePoint {
  int32_t X = 0, Y = 0;
};

// Health at the two difficulties.
struct StageHealth {
  int32_t Normal = 0, Hard = 0;
};

// The enemy routines a stage runs each frame, in its own order.
enum class Routine : uint8_t { Walkers, Bats, Throwers, Undead, FallingHazards, Sorcerer, Bolt, RiseEffect };

struct StageRoutine {
  Routine Kind = Routine::Walkers;
  int32_t Count = 0;  // leading table slots in play; unused by the single figures
};

struct StageFacts {
  int32_t Number = 0;
  // Stage size, and the top-left corners of its picture and mask in
  // "niveis.png" and of its far background in "320200.jpg".
  int32_t Width = 1000, Height = 200;
  int32_t SceneX = 0, SceneY = 0, MaskX = 0, MaskY = 0, BackdropX = 0, BackdropY = 0;

  // Start and respawn point.
  int32_t StartX = 10, StartY = 100;
  // The stage is left when PlayerX passes ExitX; without an exit PlayerX is
  // held at ExitX or less instead.
  bool HasExit = true;
  int32_t ExitX = 990;
  // A PlayerY beyond this costs a life.
  int32_t FallLimit = 250;
  // Handed to the shot mover: the stage width plus 10.
  int32_t ShotArgument = 1010;
  // A full-screen picture waits for Enter before the stage starts: its
  // top-left corner in "320200.jpg", or -1 when there is none.
  int32_t PictureX = -1, PictureY = -1;
  // Stages with throwers move the thrown missiles.
  bool ThrownMissiles = false;
  std::array<StageRoutine, 4> Routines{};
  int32_t RoutineCount = 0;

  StageHealth WalkerHealth{}, BatHealth{}, ThrowerHealth{}, UndeadHealth{};
  int32_t WalkerCount = 0;
  std::array<StagePatrol, 4> Walkers{};
  int32_t BatCount = 0;
  std::array<int32_t, 3> BatX{};
  int32_t ThrowerCount = 0;
  std::array<StagePatrol, 3> Throwers{};
  int32_t UndeadCount = 0;
  std::array<int32_t, 3> UndeadX{};
  static constexpr int32_t kUndeadY = 20;
  // Falling hazards start at a random x and these heights.
  int32_t HazardCount = 0;
  std::array<int32_t, 3> HazardY{};
  int32_t CoinCount = 0;
  std::array<StagePoint, 6> Coins{};
};

inline constexpr int32_t kStageCount = 8;

// clang-format off
inline constexpr std::array<StageFacts, kStageCount> kStages = {{
  {.Number = 1, .SceneX = 1, .SceneY = 2225, .MaskX = 1, .MaskY = 1, .BackdropX = 1, .BackdropY = 204,
   .PictureX = 1, .PictureY = 1219,
   .Routines = {{{Routine::Walkers, 4}, {Routine::Bats, 3}}}, .RoutineCount = 2,
   .WalkerHealth = {6, 12}, .BatHealth = {7, 14},
   .WalkerCount = 4, .Walkers = {{{216, 20, 113, 300}, {614, 20, 470, 665}, {867, 20, 752, 971}, {378, 20, 340, 400}}},
   .BatCount = 3, .BatX = {350, 550, 770},
   .CoinCount = 6, .Coins = {{{135, 95}, {150, 95}, {345, 45}, {370, 45}, {395, 45}, {770, 85}}}},
  {.Number = 2, .SceneX = 1, .SceneY = 2428, .MaskX = 1, .MaskY = 204, .BackdropX = 1, .BackdropY = 204,
   .Routines = {{{Routine::Walkers, 4}, {Routine::Bats, 2}}}, .RoutineCount = 2,
   .WalkerHealth = {8, 14}, .BatHealth = {9, 16},
   .WalkerCount = 4, .Walkers = {{{50, 13, 24, 147}, {375, 13, 334, 405}, {717, 13, 635, 794}, {921, 13, 854, 975}}},
   .BatCount = 2, .BatX = {450, 850},
   .CoinCount = 4, .Coins = {{{25, 15}, {50, 10}, {525, 90}, {550, 90}}}},
  {.Number = 3, .SceneX = 1, .SceneY = 2631, .MaskX = 1, .MaskY = 407, .BackdropX = 1, .BackdropY = 204,
   .Routines = {{{Routine::Walkers, 2}, {Routine::Bats, 3}}}, .RoutineCount = 2,
   .WalkerHealth = {9, 16}, .BatHealth = {10, 17},
   .WalkerCount = 2, .Walkers = {{{468, 13, 413, 549}, {899, 13, 812, 980}}},
   .BatCount = 3, .BatX = {350, 450, 750},
   .CoinCount = 5, .Coins = {{{193, 40}, {243, 40}, {422, 141}, {472, 115}, {727, 43}}}},
  {.Number = 4, .SceneX = 1, .SceneY = 2834, .MaskX = 1, .MaskY = 610, .BackdropX = 1, .BackdropY = 204,
   .Routines = {{{Routine::Walkers, 3}, {Routine::Bats, 3}}}, .RoutineCount = 2,
   .WalkerHealth = {10, 17}, .BatHealth = {11, 18},
   .WalkerCount = 3, .Walkers = {{{157, 13, 43, 251}, {525, 13, 425, 596}, {767, 13, 689, 845}}},
   .BatCount = 3, .BatX = {350, 450, 750},
   .CoinCount = 5, .Coins = {{{208, 105}, {233, 105}, {505, 118}, {530, 118}, {905, 92}}}},
  {.Number = 5, .SceneX = 1, .SceneY = 3037, .MaskX = 1, .MaskY = 813, .BackdropX = 647, .BackdropY = 204,
   .PictureX = 647, .PictureY = 1016, .ThrownMissiles = true,
   .Routines = {{{Routine::Throwers, 3}, {Routine::Undead, 2}}}, .RoutineCount = 2,
   .ThrowerHealth = {10, 18}, .UndeadHealth = {11, 19},
   .ThrowerCount = 3, .Throwers = {{{171, -20, 129, 266}, {684, -20, 626, 730}, {947, -20, 887, 980}}},
   .UndeadCount = 2, .UndeadX = {195, 487},
   .CoinCount = 5, .Coins = {{{807, 92}, {634, 92}, {659, 92}, {114, 124}, {139, 124}}}},
  {.Number = 6, .SceneX = 1, .SceneY = 3240, .MaskX = 1, .MaskY = 1016, .BackdropX = 647, .BackdropY = 204,
   .ThrownMissiles = true,
   .Routines = {{{Routine::Throwers, 3}, {Routine::Undead, 1}}}, .RoutineCount = 2,
   .ThrowerHealth = {12, 19}, .UndeadHealth = {12, 20},
   .ThrowerCount = 3, .Throwers = {{{146, -20, 48, 255}, {645, -20, 603, 689}, {955, -20, 922, 980}}},
   .UndeadCount = 1, .UndeadX = {269},
   .CoinCount = 5, .Coins = {{{361, 49}, {386, 49}, {626, 22}, {651, 22}, {166, 106}}}},
  // The vertical shaft, left by its right side near the top.
  {.Number = 7, .Width = 320, .Height = 800, .SceneX = 324, .SceneY = 1219, .MaskX = 1, .MaskY = 1219,
   .BackdropX = 647, .BackdropY = 204,
   .StartY = 700, .ExitX = 310, .FallLimit = 850, .ShotArgument = 330, .ThrownMissiles = true,
   .Routines = {{{Routine::Throwers, 3}, {Routine::FallingHazards, 3}}}, .RoutineCount = 2,
   .ThrowerHealth = {13, 21},
   .ThrowerCount = 3, .Throwers = {{{122, 386, 26, 190}, {196, 738, 100, 246}, {158, 240, 114, 234}}},
   .HazardCount = 3, .HazardY = {0, 300, 600},
   .CoinCount = 5, .Coins = {{{132, 676}, {157, 676}, {44, 372}, {69, 372}, {50, 52}}}},
  // RirEza's arena: no exit, the stage is won when he dies.
  {.Number = 8, .SceneX = 1, .SceneY = 3443, .MaskX = 1, .MaskY = 2022, .BackdropX = 324, .BackdropY = 204,
   .HasExit = false,
   .Routines = {{{Routine::Sorcerer, 1}, {Routine::Undead, 3}, {Routine::Bolt, 1}, {Routine::RiseEffect, 1}}},
   .RoutineCount = 4,
   .UndeadHealth = {12, 24},
   .UndeadCount = 3, .UndeadX = {250, 500, 800},
   .CoinCount = 5, .Coins = {{{150, 100}, {300, 100}, {450, 100}, {600, 100}, {750, 100}}}},
}};
// clang-format on

// RirEza's health at the start of the arena, and that of an undead that rises.
inline constexpr StageHealth kSorcererHealth{100, 200};
inline constexpr StageHealth kRisenUndeadHealth{12, 24};

}  // namespace morlo3
