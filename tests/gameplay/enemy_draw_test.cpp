// The enemies' pictures: the sheet rectangle for each frame and facing, drawn
// at the kind's offset from its position. The camera stands at (300, 1):
// throwers and the hazards follow it down, while walkers, bats and undead,
// which live in stages one screen high, are drawn at their stage row.
#include "figure_fixture.h"
#include "morlo3/enemies.h"

namespace kestrel::testing {
namespace {

using morlo3::EnemyRecord;

struct Picture {
  int32_t frame, facing;
  int32_t x1, y1, x2, y2;
  int32_t atX, atY;  // screen position for a figure at stage (400, 60)
};

class EnemyPictures : public FigureTest {
 protected:
  void SetUp() override {
    FigureTest::SetUp();
    g.CameraX = 300, g.CameraY = 1;
  }

  // Every slot is drawn whatever its state: these are corpses (state 0).
  template <int32_t N, typename Draw>
  void Check(morlo3::Table<EnemyRecord, N>& table, std::initializer_list<Picture> pictures, Draw draw) {
    for (const Picture& p : pictures) {
      EnemyRecord e;
      e.X = 400, e.Y = 60, e.Frame = p.frame, e.Facing = p.facing, e.State = 0;
      table[1] = e;
      ClearScreen();
      draw(g, 1);
      EXPECT_TRUE(ShowsOnly(p.x1, p.y1, p.x2, p.y2, p.atX, p.atY)) << "frame " << p.frame << " facing " << p.facing;
    }
  }
};

TEST_P(EnemyPictures, Throwers) {
  // 15 left of x; the row follows the camera.
  Check(g.Throwers,
        {{1, 0, 1, 29, 29, 74, 85, 59},
         {2, 1, 30, 75, 60, 120, 85, 59},
         {4, 1, 93, 75, 124, 120, 85, 59},
         {5, 0, 125, 29, 168, 74, 85, 59},
         {6, 0, 169, 29, 218, 74, 85, 59},
         {6, 1, 169, 75, 218, 120, 85, 59},
         {7, 1, 814, 49, 844, 96, 85, 59},
         {8, 0, 845, 1, 879, 48, 85, 59},
         {10, 0, 919, 1, 969, 48, 85, 59},
         {10, 1, 919, 49, 969, 96, 85, 59}},
        morlo3::DrawThrowers);
}

TEST_P(EnemyPictures, Walkers) {
  Check(g.Walkers,
        {{1, 0, 813, 122, 838, 161, 87, 60},
         {2, 1, 839, 162, 868, 201, 87, 60},
         {3, 1, 869, 162, 891, 201, 87, 60},
         {4, 0, 892, 122, 915, 161, 87, 60},
         {5, 0, 1, 124, 24, 165, 87, 60},
         {7, 1, 51, 166, 86, 207, 87, 60},
         {8, 0, 87, 124, 141, 165, 87, 60},
         {9, 1, 142, 166, 193, 207, 87, 60}},
        morlo3::DrawWalkers);
}

TEST_P(EnemyPictures, Bats) {
  // Left offsets 37, 25, 17 with the wings, 18 falling, 38 lying; a dead bat
  // facing right lies 21 lower, facing left 19.
  Check(g.Bats,
        {{1, 1, 473, 78, 546, 109, 63, 60},
         {1, 0, 473, 110, 546, 141, 63, 60},
         {2, 0, 547, 110, 597, 141, 75, 60},
         {3, 1, 598, 78, 632, 109, 83, 60},
         {4, 1, 633, 78, 665, 113, 82, 60},
         {4, 0, 669, 78, 701, 113, 82, 60},
         {5, 1, 633, 129, 708, 141, 62, 79},
         {5, 0, 633, 129, 708, 141, 62, 81}},
        morlo3::DrawBats);
}

TEST_P(EnemyPictures, Undead) {
  // Facing 1 walks right and comes first on the sheet; falling to the left
  // the figure reaches further left of x.
  Check(g.Undead,
        {{1, 0, 629, 34, 662, 66, 83, 60},
         {1, 1, 629, 1, 662, 33, 83, 60},
         {2, 1, 629, 1, 662, 33, 83, 60},
         {3, 0, 663, 34, 696, 66, 83, 60},
         {5, 1, 731, 1, 766, 33, 83, 60},
         {6, 0, 452, 38, 483, 74, 86, 60},
         {6, 1, 452, 1, 483, 37, 83, 60},
         {7, 0, 484, 38, 523, 74, 78, 60},
         {8, 0, 524, 38, 576, 74, 65, 60},
         {8, 1, 524, 1, 576, 37, 83, 60},
         {9, 0, 577, 38, 625, 74, 69, 60},
         {9, 1, 577, 1, 625, 37, 83, 60}},
        morlo3::DrawUndead);
}

TEST_P(EnemyPictures, FallingHazardsFollowTheCameraDownTheShaft) {
  MakeStage(320, 800);
  g.CameraX = 0, g.CameraY = 300;
  g.FallingHazards[1].X = 100, g.FallingHazards[1].Y = 400;
  ClearScreen();
  morlo3::DrawFallingHazards(g, 1);
  EXPECT_TRUE(ShowsOnly(767, 5, 810, 33, 100, 100));
}

TEST_P(EnemyPictures, AFrameOutsideTheTableDrawsNothing) {
  EnemyRecord e;
  e.X = 400, e.Y = 60;
  for (int32_t frame : {0, 11, -1}) {
    e.Frame = frame;
    g.Throwers[1] = g.Walkers[1] = g.Bats[1] = g.Undead[1] = e;
    ClearScreen();
    morlo3::DrawThrowers(g, 1);
    morlo3::DrawWalkers(g, 1);
    morlo3::DrawBats(g, 1);
    morlo3::DrawUndead(g, 1);
    EXPECT_EQ(PaintedPixels(), 0) << "frame " << frame;
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, EnemyPictures, ::testing::Values(16, 32));

}  // namespace
}  // namespace kestrel::testing
