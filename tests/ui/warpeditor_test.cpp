// The warp-point editors on canvases 24 and 25, through passes of the event
// loop.
#include "interaction_fixture.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace velmora::test {
namespace {

using Points = std::array<std::array<double, 2>, 4>;

Points PointsOf(int osc) {
  const SynthState& s = Synth;
  if (osc == 1)
    return {{{s.Osc1Point1X, s.Osc1Point1Y},
             {s.Osc1Point2X, s.Osc1Point2Y},
             {s.Osc1Point3X, s.Osc1Point3Y},
             {s.Osc1Point4X, s.Osc1Point4Y}}};
  return {{{s.Osc2Point1X, s.Osc2Point1Y},
           {s.Osc2Point2X, s.Osc2Point2Y},
           {s.Osc2Point3X, s.Osc2Point3Y},
           {s.Osc2Point4X, s.Osc2Point4Y}}};
}

const Points kDefaults = {{{8, 190}, {200, 140}, {80, 10}, {160, 180}}};

// Every keyframe is the mapping of its point; every point is a whole pixel
// within 0..200.
bool KeyframesMatchPoints() {
  const SynthState& s = Synth;
  const double frames[2][2][4] = {{{s.Osc1WarpOut1, s.Osc1WarpOut2, s.Osc1WarpOut3, s.Osc1WarpOut4},
                                   {s.Osc1WarpIn1, s.Osc1WarpIn2, s.Osc1WarpIn3, s.Osc1WarpIn4}},
                                  {{s.Osc2WarpOut1, s.Osc2WarpOut2, s.Osc2WarpOut3, s.Osc2WarpOut4},
                                   {s.Osc2WarpIn1, s.Osc2WarpIn2, s.Osc2WarpIn3, s.Osc2WarpIn4}}};
  for (int osc = 1; osc <= 2; ++osc)
    for (int k = 0; k < 4; ++k) {
      const auto [x, y] = PointsOf(osc)[k];
      if (x != static_cast<int>(x) || y != static_cast<int>(y) || std::min(x, y) < 0 ||
          std::max(x, y) > 200 || frames[osc - 1][0][k] != x * 2.5 ||
          frames[osc - 1][1][k] != y / 2)
        return false;
    }
  return true;
}

class WarpEditorTest : public InteractionTest {
protected:
  static void MoveHeld(int canvas, int x, int y) {
    Drag(canvas, x, y);
    RunQueued();
  }
};

TEST_F(WarpEditorTest, PictureShowsDotsJoinedByLines) {
  const Raster& r = Picture(kOsc1WarpCanvas);
  EXPECT_EQ(PixelAt(r, 100, 100), Rgb(0, 0, 0));
  EXPECT_EQ(PixelAt(r, 8, 194), Rgb(0, 255, 0));       // dots, off the lines
  EXPECT_EQ(PixelAt(r, 199, 144), Rgb(255, 255, 255)); // half off the canvas
  EXPECT_EQ(PixelAt(r, 76, 10), Rgb(255, 255, 255));
  EXPECT_EQ(PixelAt(r, 164, 180), Rgb(255, 0, 0));
  EXPECT_EQ(PixelAt(r, 104, 165), Rgb(0, 255, 0)); // line midpoints
  EXPECT_EQ(PixelAt(r, 140, 75), Rgb(255, 204, 0));
  EXPECT_EQ(PixelAt(r, 120, 95), Rgb(255, 0, 0));
  EXPECT_EQ(PixelAt(r, 80, 10), Rgb(255, 0, 0)); // lines over the dots
}

TEST_F(WarpEditorTest, PickUpNeedsThePointerStrictlyInsideTheSquare) {
  const int cases[][3] = {{4, -4, 1}, {-4, 4, 1}, {5, 0, 0}, {-5, 0, 0}, {0, 5, 0}, {0, -5, 0}};
  for (const auto& [dx, dy, picks] : cases) {
    SetUp();
    MoveHeld(kOsc1WarpCanvas, 80 + dx, 10 + dy);
    EXPECT_EQ(Synth.Osc1DragPoint, picks ? "ThirdPoint" : "Unpressed") << dx << ", " << dy;
    // The picking move already brings the point under the pointer.
    const std::array<double, 2> third = {80.0 + picks * dx, 10.0 + picks * dy};
    EXPECT_EQ(PointsOf(1)[2], third) << dx << ", " << dy;
  }
}

TEST_F(WarpEditorTest, OverlappingSquaresPickTheLowerNumberedPoint) {
  MoveHeld(kOsc1WarpCanvas, 199, 140);
  MoveHeld(kOsc1WarpCanvas, 12, 190); // point 2 beside point 1
  Release(kOsc1WarpCanvas);
  MoveHeld(kOsc1WarpCanvas, 10, 190);
  EXPECT_EQ(Synth.Osc1DragPoint, "FirstPoint");
  EXPECT_EQ(PointsOf(1)[1], (std::array<double, 2>{12, 190}));
}

TEST_F(WarpEditorTest, OnlyDrawableMovesWithTheLeftButtonPickUp) {
  Press(kOsc1WarpCanvas, 80, 10);
  Queue(kOsc1WarpCanvas, tk::EventType::MouseMove, 82, 12, tk::kRightButton);
  Queue(kOsc1WarpCanvas, tk::EventType::MouseEnter, 82, 12, tk::kLeftButton);
  RunQueued();
  fake::ControlById(kOsc1WarpCanvas).DrawingFails = true;
  MoveHeld(kOsc1WarpCanvas, 82, 12);
  EXPECT_EQ(Synth.Osc1DragPoint, "Unpressed");
  EXPECT_EQ(PointsOf(1), kDefaults);
  EXPECT_EQ(Draws(kOsc1WarpCanvas), 1);
}

TEST_F(WarpEditorTest, SingleMoveStaysAtTheLastPlaceInside) {
  MoveHeld(kOsc1WarpCanvas, 80, 10);
  MoveHeld(kOsc1WarpCanvas, 100, 50);
  EXPECT_EQ(Synth.Osc1WarpOut3.load(), 250);
  EXPECT_EQ(Synth.Osc1WarpIn3.load(), 25);
  EXPECT_EQ(PixelAt(Picture(kOsc1WarpCanvas), 96, 50), Rgb(255, 255, 255));
  EXPECT_EQ(PixelAt(Picture(kOsc1WarpCanvas), 76, 10), Rgb(0, 0, 0));
  for (auto [x, y] : {std::pair{201, 50}, {-1, 50}, {100, -1}, {100, 201}}) {
    MoveHeld(kOsc1WarpCanvas, x, y);
    EXPECT_EQ(PointsOf(1)[2], (std::array<double, 2>{100, 50})) << x << ", " << y;
  }
  MoveHeld(kOsc1WarpCanvas, 200, 200);
  EXPECT_EQ(PointsOf(1)[2], (std::array<double, 2>{200, 200}));
}

TEST_F(WarpEditorTest, GroupMoveShiftsAllPointsOrNone) {
  Press(kOsc1GroupButtonCanvas, 20, 20);
  MoveHeld(kOsc1WarpCanvas, 5, 194); // picks point 1: offset (-3, +4)
  const Points shifted = {{{5, 194}, {197, 144}, {77, 14}, {157, 184}}};
  EXPECT_EQ(PointsOf(1), shifted);
  // Point 1 would leave the canvas: nothing moves, not even along the
  // other axis.
  MoveHeld(kOsc1WarpCanvas, 4, 201);
  MoveHeld(kOsc1WarpCanvas, -1, 194);
  EXPECT_EQ(PointsOf(1), shifted);
  MoveHeld(kOsc1WarpCanvas, 0, 200);
  EXPECT_EQ(PointsOf(1), (Points{{{0, 200}, {192, 150}, {72, 20}, {152, 190}}}));
  EXPECT_TRUE(KeyframesMatchPoints());
  EXPECT_EQ(PointsOf(2), kDefaults);
}

TEST_F(WarpEditorTest, AReleaseOnEitherCanvasEndsBothDrags) {
  Press(kOsc2GroupButtonCanvas, 20, 20);
  MoveHeld(kOsc1WarpCanvas, 78, 12);
  MoveHeld(kOsc2WarpCanvas, 158, 178);
  ASSERT_EQ(Synth.Osc2DragDX, -2);
  Release(kOsc2WarpCanvas);
  RunQueued();
  EXPECT_EQ(Synth.Osc1DragPoint, "Unpressed");
  EXPECT_EQ(Synth.Osc2DragPoint, "Unpressed");
  // The offset is cleared too: a group move that picks nothing moves nothing.
  const Points before = PointsOf(2);
  MoveHeld(kOsc2WarpCanvas, 40, 100);
  EXPECT_EQ(PointsOf(2), before);
}

// A long scripted session on both canvases in both modes: after every pass
// the keyframes equal their points and only the canvas addressed changes.
TEST_F(WarpEditorTest, KeyframesFollowThePointsThroughAnySession) {
  uint32_t seed = 12345;
  auto next = [&](int n) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<uint32_t>(n));
  };
  int moved[2] = {0, 0}, pointerX[2] = {100, 100}, pointerY[2] = {100, 100};
  for (int step = 0; step < 4000; ++step) {
    const int osc = 1 + next(2), canvas = osc == 1 ? kOsc1WarpCanvas : kOsc2WarpCanvas;
    const Points own = PointsOf(osc), other = PointsOf(3 - osc);
    // The pointer wanders, past the edges at times, and now and then jumps
    // next to a point.
    int& x = pointerX[osc - 1];
    int& y = pointerY[osc - 1];
    const bool jump = next(30) == 0;
    const auto [px, py] = own[next(4)];
    x = std::clamp((jump ? static_cast<int>(px) : x) + next(13) - 6, -20, 220);
    y = std::clamp((jump ? static_cast<int>(py) : y) + next(13) - 6, -20, 220);
    switch (next(20)) {
    case 0:
      Press(osc == 1 ? kOsc1GroupButtonCanvas : kOsc2GroupButtonCanvas, 20, 20);
      break;
    case 1:
      Release(canvas);
      break;
    case 2:
      Press(canvas, x, y);
      break;
    default:
      Drag(canvas, x, y);
    }
    RunQueued();
    ASSERT_TRUE(KeyframesMatchPoints()) << "step " << step;
    ASSERT_EQ(PointsOf(3 - osc), other) << "step " << step;
    moved[osc - 1] += PointsOf(osc) != own;
  }
  EXPECT_GT(moved[0], 100);
  EXPECT_GT(moved[1], 100);
}

} // namespace
} // namespace velmora::test
