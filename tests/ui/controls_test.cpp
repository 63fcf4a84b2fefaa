// The mode selector, the round buttons and the warp-point editors, through
// the fake toolkit and steps of the window.
#include "support/rigs.h"

namespace velmora::test {
namespace {

struct SelectorMove {
  int From, Y, To;
};

TEST(Selector, MovesByOverlappingBands) {
  const SelectorMove moves[] = {{1, 30, 1}, {1, 31, 2}, {1, 45, 1}, {1, 46, 3}, {2, 24, 1},
                                {2, 25, 2}, {2, 55, 2}, {2, 56, 3}, {3, 34, 1}, {3, 35, 3},
                                {3, 36, 2}, {3, 49, 2}, {3, 50, 3}};
  for (const SelectorMove& m : moves) {
    WindowRig rig;
    rig.Window.Mode = m.From;
    rig.Drag(kModeSelectorCanvas, 8, m.Y); // a move with the left button held, as a press would
    rig.Step();
    EXPECT_EQ(rig.Window.Mode, m.To) << m.From << " at " << m.Y;
  }
}

TEST(Selector, SetsTheModeAndRepaintsOnlyOnAChange) {
  WindowRig rig;
  rig.Drag(kModeSelectorCanvas, 8, 10);
  rig.Step();
  EXPECT_EQ(rig.Draws(kModeSelectorCanvas), 1) << "the first drawing alone";
  rig.Drag(kModeSelectorCanvas, 8, 60);
  rig.Step();
  EXPECT_EQ(rig.Draws(kModeSelectorCanvas), 2);
  EXPECT_EQ(rig.Engine->MixMode, 3);
}

TEST(RoundButtons, ToggleOnEachPress) {
  WindowRig rig;
  rig.Press(kSyncButton, 20, 20);
  rig.Press(kOsc1GroupButtonCanvas, 20, 20);
  rig.Press(kOsc2GroupButtonCanvas, 20, 20);
  rig.Press(kOsc2GroupButtonCanvas, 20, 20);
  rig.Drag(kOsc1GroupButtonCanvas, 20, 20); // not a press
  rig.RunQueued();
  EXPECT_EQ(rig.Engine->Sync, 1);
  EXPECT_TRUE(rig.Window.Warp[0].GroupMode);
  EXPECT_FALSE(rig.Window.Warp[1].GroupMode);
}

TEST(WarpEditor, KeepsTheHeldPointUntilARelease) {
  WindowRig rig;
  rig.Drag(kOsc1WarpCanvas, 199, 140);
  rig.Drag(kOsc1WarpCanvas, 12, 190); // point 2 beside point 1, which wins a pick
  rig.Release(kOsc2WarpCanvas);       // a release on either canvas ends both drags
  rig.Drag(kOsc1WarpCanvas, 10, 190);
  rig.Drag(kOsc1WarpCanvas, 201, 50); // outside: the point stays where it was put
  rig.RunQueued();
  const WarpEditor& e = rig.Window.Warp[0];
  EXPECT_EQ(e.Held, HeldPoint::First);
  EXPECT_EQ(e.Points[0].X, 10);
  EXPECT_EQ(e.Points[1].X, 12);
  EXPECT_EQ(rig.Engine->Osc1WarpOut2, 12 * 2.5);
}

// Group mode shifts all points, or none when one would leave the canvas.
TEST(WarpEditor, GroupModeMovesTheShapeWhole) {
  WindowRig rig;
  rig.Press(kOsc1GroupButtonCanvas, 20, 20);
  rig.Drag(kOsc1WarpCanvas, 5, 194);
  rig.Drag(kOsc1WarpCanvas, 4, 201);
  rig.Drag(kOsc1WarpCanvas, -1, 194);
  rig.RunQueued();
  const WarpEditor& e = rig.Window.Warp[0];
  EXPECT_EQ(e.Points[1].X, 197);
  EXPECT_EQ(e.Points[3].Y, 184);
  EXPECT_EQ(rig.Engine->Osc1WarpOut2, 197 * 2.5);
  EXPECT_EQ(rig.Engine->Osc1WarpIn4, 92.0);
  EXPECT_EQ(rig.Window.Warp[1].Points[0].X, 8) << "the other oscillator's points stay";
}

} // namespace
} // namespace velmora::test
