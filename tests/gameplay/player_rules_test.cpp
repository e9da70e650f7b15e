// One-frame edges of the player's movement on masks painted here: the top of
// the jump arc, where ground is still ignored, and the meeting of the two
// push colours, where the push right runs before the push left.
#include <vector>

#include "../support/game_fixture.h"
#include "morlo3/player.h"
#include "morlo3/stage_map.h"

namespace kestrel::testing {
namespace {

using morlo3::PlayerKeys;
using morlo3::PlayerMotion;

class PlayerRules : public GameTest {
 protected:
  void SetUp() override {
    SetUpGame(32);
    MakeStage(400, 200);
  }
  // The player standing with his foot point on row `ground` at column x + 15.
  PlayerMotion StandingAt(int32_t x, int32_t ground) {
    PlayerMotion m;
    m.X = x, m.Y = ground - 34, m.JumpBaseY = m.Y, m.OnGround = 1, m.JumpTime = 40;
    return m;
  }
};

TEST_F(PlayerRules, GroundMetAtTheTopOfTheArcIsPassedAndLandedOnTheFrameAfter) {
  // Floor at row 150; a one-row ledge 40 rows up, where the foot point is
  // for the frames around the apex (clock -4 to 8).
  PaintMask(0, 150, 399, 199, g.MaskGround);
  PaintMask(0, 110, 399, 110, g.MaskGround);
  PlayerMotion m = StandingAt(100, 150);
  morlo3::StepPlayer(m, PlayerKeys{.Jump = true}, g);
  ASSERT_EQ(m.JumpTime, -40);
  // Frame by frame: the clock this frame started with, and the pose shown.
  std::vector<std::pair<int32_t, int32_t>> frames;
  for (int i = 0; i < 30 && m.OnGround == 0; ++i) {
    const int32_t clock = m.JumpTime;
    morlo3::StepPlayer(m, PlayerKeys{}, g);
    frames.push_back({clock, m.Pose});
  }
  // Up to and including the apex (clock 0) the ledge is ignored and the jump
  // pose shows; the next frame (clock 2) lands standing on it.
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.back(), std::make_pair(2, 1));
  EXPECT_EQ(frames[frames.size() - 2], std::make_pair(0, 2));
  EXPECT_EQ(m.Y, 110 - 34);
}

TEST_F(PlayerRules, TheJumpPoseShowsWhileTheClockIsBelowFortyAndNotOnTheFramesAfter) {
  // A jump from flat ground: the frame that brings the clock to 40 is still
  // in the air, 4 rows up, but shows the standing pose, as a fall does.
  PaintMask(0, 150, 399, 199, g.MaskGround);
  PlayerMotion m = StandingAt(100, 150);
  morlo3::StepPlayer(m, PlayerKeys{.Jump = true}, g);
  int frames = 0;
  while (m.OnGround == 0 && frames < 60) {
    morlo3::StepPlayer(m, PlayerKeys{}, g);
    ++frames;
    SCOPED_TRACE("clock " + std::to_string(m.JumpTime));
    if (m.OnGround == 1) break;
    EXPECT_EQ(m.Pose, m.JumpTime < 40 ? 2 : 1) << "the clock ticks to " << m.JumpTime;
    if (m.JumpTime == 40) {
      EXPECT_EQ(m.Y, 116 - 4);
    }
  }
  EXPECT_EQ(m.Y, 116);
  EXPECT_EQ(m.Pose, 1);
}

TEST_F(PlayerRules, WherePushRightMeetsPushLeftThePlayerStopsOnTheLastPushRightColumn) {
  // Push right in columns 100 to 119, push left in 120 to 139, on the foot's row.
  PaintMask(100, 150, 119, 150, g.MaskPushRight);
  PaintMask(120, 150, 139, 150, g.MaskPushLeft);
  for (int32_t foot : {100, 110, 119, 120, 130, 139}) {
    SCOPED_TRACE("foot at column " + std::to_string(foot));
    PlayerMotion m = StandingAt(foot - 15, 150);
    m.JumpTime = 0;  // rising: the mask's colours push but do not hold
    m.OnGround = 0;
    m.JumpBaseY = m.Y + 40;
    morlo3::StepPlayer(m, PlayerKeys{}, g);
    EXPECT_EQ(m.X + 15, 119);
  }
}

}  // namespace
}  // namespace kestrel::testing
