// The mode selector, the round buttons and the warp-point editors, through
// the fake toolkit and passes of the event loop.
#include "interaction_fixture.h"

#include <array>

namespace velmora::test {
namespace {

using ControlsTest = InteractionTest;

TEST_F(ControlsTest, SelectorMovesByOverlappingBandsAndRepaintsOnlyOnAChange) {
  const int rows[][3] = {{1, 30, 1}, {1, 31, 2}, {1, 45, 1}, {1, 46, 3}, {2, 24, 1},
                         {2, 25, 2}, {2, 55, 2}, {2, 56, 3}, {3, 34, 1}, {3, 35, 3},
                         {3, 36, 2}, {3, 49, 2}, {3, 50, 3}};
  for (const auto& [from, y, to] : rows) {
    ASSERT_TRUE(DrawModeSelector(from));
    Synth.MixMode = from;
    const int draws = Draws(kModeSelectorCanvas);
    Drag(kModeSelectorCanvas, 8, y); // a move with the left button held, as a press would
    RunQueued();
    EXPECT_EQ(Synth.MixMode, to) << from << " at " << y;
    EXPECT_EQ(Draws(kModeSelectorCanvas) - draws, to != from) << from << " at " << y;
    // The block of 30 rows at the top of its band, stripes on every other row.
    const Raster& r = Picture(kModeSelectorCanvas);
    EXPECT_EQ(std::make_pair(PixelAt(r, 5, (to - 1) * 25 + 2), PixelAt(r, 5, to == 1 ? 60 : 10)),
              std::make_pair(Rgb(153, 153, 153), Rgb(237, 237, 237)))
        << to;
  }
}

TEST_F(ControlsTest, RoundButtonsToggleOnEachPress) {
  Press(kOsc1GroupButtonCanvas, 20, 20);
  for (int click = 0; click < 2; ++click) { // a double-click: on, then off again
    Press(kOsc2GroupButtonCanvas, 20, 20);
    Release(kOsc2GroupButtonCanvas);
  }
  Drag(kSyncButton, 20, 20); // not a press
  RunQueued();
  EXPECT_EQ(Synth.Osc1GroupButton + Synth.Osc1GroupDrag, 2);
  EXPECT_EQ(Synth.Osc2GroupButton + Synth.Osc2GroupDrag + Synth.Sync, 0);
  // Off: light at the centre, red-brown at the rim; on: the other way round,
  // lit from the lower right. The corners keep the panel colour.
  const Raster &off = Picture(kOsc2GroupButtonCanvas), &on = Picture(kOsc1GroupButtonCanvas);
  EXPECT_EQ(
      std::make_tuple(PixelAt(off, 20, 20), PixelAt(off, 34, 20), PixelAt(on, 22, 22),
                      PixelAt(on, 0, 0)),
      std::make_tuple(Rgb(255, 255, 255), Rgb(195, 153, 144), Rgb(136, 51, 34), Synth.PanelColour));
}

using Points = std::array<std::array<double, 2>, 4>;
Points PointsOf(int osc) {
  const auto& f = kWarpPointFields[osc - 1];
  return {{{Synth.*f.X[0], Synth.*f.Y[0]},
           {Synth.*f.X[1], Synth.*f.Y[1]},
           {Synth.*f.X[2], Synth.*f.Y[2]},
           {Synth.*f.X[3], Synth.*f.Y[3]}}};
}
TEST_F(ControlsTest, WarpEditorPicksMovesAndDraws) {
  const Raster& r = Picture(kOsc1WarpCanvas);
  // Ground, dot 1, line 2, and the lines drawn over the dots.
  EXPECT_EQ(std::make_tuple(PixelAt(r, 100, 100), PixelAt(r, 8, 194), PixelAt(r, 140, 75),
                            PixelAt(r, 80, 10)),
            std::make_tuple(Rgb(0, 0, 0), Rgb(0, 255, 0), Rgb(255, 204, 0), Rgb(255, 0, 0)));

  // A move with the button held picks a point strictly inside its 10 x 10
  // square, the lower-numbered where squares overlap, and takes it along.
  const int rows[][3] = {{4, -4, 1}, {-4, 4, 1}, {5, 0, 0}, {0, -5, 0}};
  for (const auto& [dx, dy, picks] : rows) {
    SetUp();
    Drag(kOsc1WarpCanvas, 80 + dx, 10 + dy);
    RunQueued();
    EXPECT_EQ(Synth.Osc1DragPoint, picks ? "ThirdPoint" : "Unpressed") << dx << ", " << dy;
    EXPECT_EQ(PointsOf(1)[2][0], 80.0 + picks * dx) << dx << ", " << dy;
  }
  SetUp();
  for (auto [x, y] : {std::pair{199, 140}, {12, 190}}) // point 2 beside point 1
    Drag(kOsc1WarpCanvas, x, y);
  Release(kOsc2WarpCanvas); // a release on either canvas ends both drags
  Drag(kOsc1WarpCanvas, 10, 190);
  Drag(kOsc1WarpCanvas, 201, 50); // outside: the point stays where it was put
  RunQueued();
  EXPECT_EQ(Synth.Osc1DragPoint, "FirstPoint");
  EXPECT_EQ(PointsOf(1)[0], (std::array<double, 2>{10, 190}));
  EXPECT_EQ(PointsOf(1)[1], (std::array<double, 2>{12, 190}));

  // Group mode shifts all points, or none when one would leave the canvas.
  SetUp();
  Press(kOsc1GroupButtonCanvas, 20, 20);
  for (auto [x, y] : {std::pair{5, 194}, {4, 201}, {-1, 194}})
    Drag(kOsc1WarpCanvas, x, y);
  RunQueued();
  EXPECT_EQ(PointsOf(1), (Points{{{5, 194}, {197, 144}, {77, 14}, {157, 184}}}));
  // Keyframes follow their points: Out = x * 2.5, In = y / 2.
  EXPECT_EQ(std::tie(Synth.Osc1WarpOut2, Synth.Osc1WarpIn4), std::make_tuple(197 * 2.5, 92.0));
  EXPECT_EQ(PointsOf(2)[0], (std::array<double, 2>{8, 190}));
}

} // namespace
} // namespace velmora::test
