#include "morlo3/stages.h"

#include <array>
#include <string>

#include "morlo3/enemies.h"
#include "morlo3/language.h"
#include "morlo3/player.h"
#include "morlo3/projectiles.h"
#include "morlo3/screens.h"
#include "morlo3/shutdown.h"
#include "morlo3/sorcerer.h"
#include "morlo3/stage_map.h"
#include "morlo3/status.h"

namespace morlo3 {
namespace {

// Made before the game starts, so the last frame of the arena allocates nothing.
const std::string kVictory = N_("Parab\xE9ns, mataste RirEza!!!");
constexpr int32_t kVictoryX = 30, kVictoryY = 90;
const std::string kPaused = N_("Pausa");
// Where "Pausa" stands: the middle of the picture.
constexpr int32_t kPausedX = 142, kPausedY = 92;

// Holds the stage between two of its frames: the last frame stays up dimmed,
// the window is still served, and nothing of the game moves, draws a random
// number or counts towards a cry until a pause key is pressed again. The
// wind is silent meanwhile and starts again with play.
void PauseStage(GameState& g) {
  g.Screen->Dim();
  g.Screen->TextOut(kPausedX, kPausedY, Shown(kPaused), g.TextColour);
  StopSound(g, kSoundWind);
  do {
    g.Screen->Present(true);
    if (!g.Display->PumpMessage()) ShutdownAndExit(g);
    // Losing the focus again while paused must not pause again on resuming.
    g.Input->FocusLost();
  } while (!g.Input->PauseKeyPressed());
  PlaySound(g, kSoundWind);
}

int32_t ByDifficulty(const GameState& g, StageHealth h) { return g.Difficulty == 1 ? h.Hard : h.Normal; }

// The stage's enemy routines with their counts, each kind's update before its draw.
void RunEnemies(GameState& g, const StageFacts& s) {
  for (int32_t i = 0; i < s.RoutineCount; ++i) {
    const StageRoutine& r = s.Routines[size_t(i)];
    switch (r.Kind) {
      case Routine::Walkers: UpdateWalkers(g, r.Count), DrawWalkers(g, r.Count); break;
      case Routine::Bats: UpdateBats(g, r.Count), DrawBats(g, r.Count); break;
      case Routine::Throwers: UpdateThrowers(g, r.Count), DrawThrowers(g, r.Count); break;
      case Routine::Undead: UpdateUndead(g, r.Count), DrawUndead(g, r.Count); break;
      case Routine::FallingHazards: UpdateFallingHazards(g, r.Count), DrawFallingHazards(g, r.Count); break;
      case Routine::Sorcerer: UpdateSorcerer(g), DrawSorcerer(g); break;
      case Routine::Bolt: UpdateBolt(g); break;
      case Routine::RiseEffect: UpdateRiseEffect(g); break;
    }
  }
}

void RunStage(GameState& g, const StageFacts& s) {
  StartStage(g, s);
  PlaySound(g, kSoundWind);
  do StageFrame(g, s);
  while (g.StageOver == 0);
  FreeStage(g);
  StopSound(g, kSoundWind);
}

// Walkers and throwers start alike: alive on their patrols, walking towards
// the far end.
template <int32_t N, size_t M>
void SetUpPatrols(GameState& g, Table<EnemyRecord, N>& enemies, int32_t count,
                  const std::array<StagePatrol, M>& patrols, StageHealth health) {
  for (int32_t i = 1; i <= count; ++i) {
    EnemyRecord& e = enemies[i];
    const StagePatrol& p = patrols[size_t(i - 1)];
    e.Health = ByDifficulty(g, health);
    e.X = p.X, e.Y = p.Y, e.PatrolMin = p.PatrolMin, e.PatrolMax = p.PatrolMax;
    e.PatrolDir = 0, e.State = 1, e.DeathTicks = 0;
  }
}

}  // namespace

void StageTexts(std::vector<PlacedText>& out) {
  out.push_back({kVictoryX, kVictory.c_str()});
  out.push_back({kPausedX, kPaused.c_str()});
}

void StartStage(GameState& g, const StageFacts& s) {
  ResetPlayer(g, s.StartY);
  SetUpStage(g, s);
  g.HurtTimer = 20;
  BuildStage(g, s);
}

void SetUpStage(GameState& g, const StageFacts& s) {
  // Fields not named here keep what the previous stage left in them.
  SetUpPatrols(g, g.Walkers, s.WalkerCount, s.Walkers, s.WalkerHealth);
  for (int32_t i = 1; i <= s.BatCount; ++i) {
    EnemyRecord& e = g.Bats[i];
    e.X = s.BatX[size_t(i - 1)];
    e.Health = ByDifficulty(g, s.BatHealth);
    e.Y = 10 + Random(g, 30);
    e.Frame = 1;
  }
  SetUpPatrols(g, g.Throwers, s.ThrowerCount, s.Throwers, s.ThrowerHealth);
  for (int32_t i = 1; i <= s.UndeadCount; ++i) {
    EnemyRecord& e = g.Undead[i];
    e.Health = ByDifficulty(g, s.UndeadHealth);
    e.X = s.UndeadX[size_t(i - 1)], e.Y = StageFacts::kUndeadY;
    e.PatrolDir = 0, e.State = 1, e.DeathTicks = 0, e.AnimTicks = 0;
  }
  for (int32_t i = 1; i <= s.HazardCount; ++i) {
    EnemyRecord& e = g.FallingHazards[i];
    e.X = 20 + Random(g, 280);
    e.Y = s.HazardY[size_t(i - 1)];
  }
  if (!s.HasExit) {
    g.BossStage = 1;
    g.SorcererX = 700, g.SorcererY = 10;
    g.SorcererMode = 1;
    g.SorcererTargetX = 700, g.SorcererTargetY = 10;
    g.SorcererHealth = ByDifficulty(g, kSorcererHealth);
    g.BoltActive = 0, g.BoltTicks = 1, g.BoltState = 1;
  }
  for (int32_t i = 1; i <= s.CoinCount; ++i) {
    g.CoinTable[i + 1].X = s.Coins[size_t(i - 1)].X;
    g.CoinTable[i + 1].Y = s.Coins[size_t(i - 1)].Y;
  }
  g.CoinTable[1].Ticks = 0;
}

void StageFrame(GameState& g, const StageFacts& s) {
  if (!g.Display->PumpMessage()) ShutdownAndExit(g);

  // Both are asked, so that a loss of focus is not left over for later.
  const bool pauseKey = g.Input->PauseKeyPressed();
  const bool focusLost = g.Input->FocusLost();
  if (pauseKey || focusLost) PauseStage(g);

  // Setting StageOver here does not cut the frame short.
  if (g.PlayerX < 2) g.PlayerX = 2;
  if (s.HasExit) {
    if (g.PlayerX > s.ExitX) {
      g.StageNumber = s.Number + 1;
      g.StageOver = 1;
    }
  } else if (g.PlayerX > s.ExitX) {
    g.PlayerX = s.ExitX;
  }

  DrawBackdrop(g);
  UpdatePlayer(g);
  MovePlayerShots(g, s.ShotArgument);
  if (s.ThrownMissiles) MoveEnemyShots(g);
  DrawPlayer(g);

  RunEnemies(g, s);

  // The camera moves after the figures are drawn, so they use last frame's
  // camera while the stage picture and the coins use the new one.
  UpdateBonus(g);
  UpdateCamera(g, g.PlayerX, g.PlayerY);
  UpdateCoins(g, s.CoinCount);
  DrawCoins(g, s.CoinCount);
  DrawStatus(g);

  if (g.SoundOn == 1) PlayAmbient(g);
  CheckLifeLost(g, s.StartX, s.StartY, s.FallLimit);

  // The arena is won when RirEza dies.
  if (!s.HasExit && g.SorcererHealth < 0) {
    ShowMessage(g, Shown(kVictory), kVictoryX, kVictoryY);
    ShowMessage(g, Shown(kVictory), kVictoryX, kVictoryY);
    Credits(g);
  }

  g.Screen->Present(true);
}

void PlayAmbient(GameState& g) {
  // At least 101 frames pass between two cries.
  g.AmbientTicks += 1;
  if (g.AmbientTicks > 100 && Random(g, 100) > 95) {
    PlaySound(g, kSoundFirstCry + Random(g, 3));
    g.AmbientTicks = 0;
  }
}

void RunStage1(GameState& g) { RunStage(g, kStages[0]); }
void RunStage2(GameState& g) { RunStage(g, kStages[1]); }
void RunStage3(GameState& g) { RunStage(g, kStages[2]); }
void RunStage4(GameState& g) { RunStage(g, kStages[3]); }
void RunStage5(GameState& g) { RunStage(g, kStages[4]); }
void RunStage6(GameState& g) { RunStage(g, kStages[5]); }
void RunStage7(GameState& g) { RunStage(g, kStages[6]); }
void RunStage8(GameState& g) { RunStage(g, kStages[7]); }

void StageEntry(GameState& g, int32_t number) {
  static constexpr StageRoutineFn kRoutines[kStageCount] = {RunStage1, RunStage2, RunStage3, RunStage4,
                                                            RunStage5, RunStage6, RunStage7, RunStage8};
  if (number < 1 || number > kStageCount) return;
  const StageFacts& s = kStages[size_t(number - 1)];
  if (s.PictureX >= 0)
    StagePicture(g, s.PictureX, s.PictureY, s.PictureX + 320, s.PictureY + 200, kRoutines[number - 1]);
  else kRoutines[number - 1](g);
}

}  // namespace morlo3
