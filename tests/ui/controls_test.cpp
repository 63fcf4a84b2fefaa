// Mode selector and round buttons, through passes of the event loop.
#include "interaction_fixture.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace velmora::test {
namespace {

// Rows of the 16 x 81 surface: a black block of 30 rows from T = 0, 25 or
// 50, grey stripes on every other row from T to T + 30, light elsewhere.
bool SelectorShows(int position) {
  const Raster& r = fake::ControlById(kModeSelectorCanvas).Picture;
  const int top = (position - 1) * 25;
  for (int y = 0; y < 81; ++y) {
    const bool stripe = y >= top && y <= top + 30 && (y - top) % 2 == 0;
    const Colour want = stripe                     ? Rgb(153, 153, 153)
                        : y >= top && y < top + 30 ? 0
                                                   : Rgb(237, 237, 237);
    if (PixelAt(r, 0, y) != want || PixelAt(r, 15, y) != want)
      return false;
  }
  return r.Width == 16 && r.Height == 81;
}

using ControlsTest = InteractionTest;

TEST_F(ControlsTest, SelectorMovesByBandsAndRepaintsOnlyOnAChange) {
  EXPECT_TRUE(SelectorShows(1));
  const int cases[][3] = {{1, 30, 1}, {1, 31, 2}, {1, 44, 2}, {1, 45, 1}, {1, 46, 3},
                          {2, 24, 1}, {2, 25, 2}, {2, 55, 2}, {2, 56, 3}, {3, 34, 1},
                          {3, 35, 3}, {3, 36, 2}, {3, 49, 2}, {3, 50, 3}};
  for (const auto& [from, y, to] : cases) {
    ASSERT_TRUE(DrawModeSelector(from));
    Synth.MixMode = from;
    const int draws = Draws(kModeSelectorCanvas);
    Press(kModeSelectorCanvas, 8, y);
    RunQueued();
    EXPECT_EQ(Synth.MixMode, to) << from << " at " << y;
    EXPECT_TRUE(SelectorShows(to)) << from << " at " << y;
    EXPECT_EQ(Draws(kModeSelectorCanvas) - draws, to != from ? 1 : 0) << from << " at " << y;
  }
}

TEST_F(ControlsTest, SelectorFollowsADragDownAndBackUp) {
  std::vector<std::pair<int, int>> changes; // (y, new position)
  for (int step = 0; step <= 160; ++step) {
    const int y = step <= 80 ? step : 160 - step;
    const int before = Synth.MixMode;
    if (step == 0)
      Press(kModeSelectorCanvas, 8, y);
    else
      Drag(kModeSelectorCanvas, 8, y);
    RunQueued();
    if (Synth.MixMode != before)
      changes.emplace_back(y, Synth.MixMode);
  }
  EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{31, 2}, {56, 3}, {49, 2}, {24, 1}}));
}

TEST_F(ControlsTest, SelectorIgnoresOtherEventsAndPressesItCannotDraw) {
  Queue(kModeSelectorCanvas, tk::EventType::MouseMove, 8, 70, tk::kRightButton);
  Queue(kModeSelectorCanvas, tk::EventType::MouseEnter, 8, 70, tk::kLeftButton);
  Release(kModeSelectorCanvas);
  RunQueued();
  fake::ControlById(kModeSelectorCanvas).DrawingFails = true;
  Press(kModeSelectorCanvas, 8, 70);
  RunQueued();
  EXPECT_EQ(Synth.MixMode, 1);
  EXPECT_EQ(Draws(kModeSelectorCanvas), 1);
}

// Blend of the centre and edge colours by distance, capped at the radius,
// with one unit of slack per channel for rounding.
bool GradientAt(int x, int y, double cx, double cy, double radius, Colour centre, Colour edge) {
  const double t = std::min(1.0, std::hypot(x - cx, y - cy) / radius);
  const Colour got = PixelAt(fake::ControlById(kSyncButton).Picture, x, y);
  for (int shift : {0, 8, 16}) {
    auto channel = [shift](Colour c) { return static_cast<double>((c >> shift) & 0xFF); };
    if (std::abs(channel(got) - (channel(centre) * (1 - t) + channel(edge) * t)) > 1)
      return false;
  }
  return true;
}

TEST_F(ControlsTest, RoundButtonLooks) {
  const Colour dark = Rgb(136, 51, 34), light = Rgb(255, 255, 255);
  for (int state : {0, 1, 0}) {
    if (state != Synth.Sync) {
      Press(kSyncButton, 20, 20);
      RunQueued();
    }
    ASSERT_EQ(Synth.Sync, state);
    // The panel-coloured corners of the first drawing are never repainted.
    for (auto [x, y] : {std::pair{0, 0}, {40, 40}, {4, 4}})
      EXPECT_EQ(PixelAt(Picture(kSyncButton), x, y), Synth.PanelColour);
    for (auto [x, y] : {std::pair{20, 20}, {22, 22}, {20, 1}, {39, 20}, {8, 8}, {32, 32}})
      EXPECT_TRUE(state == 0 ? GradientAt(x, y, 20, 20, 28, light, dark)
                             : GradientAt(x, y, 22, 22, 51, dark, light))
          << state << " at " << x << ", " << y;
  }
}

TEST_F(ControlsTest, ButtonsToggleTheirOwnFlagsOnEachDrawablePress) {
  Press(kOsc1GroupButtonCanvas, 20, 20);
  RunQueued();
  EXPECT_EQ(Synth.Osc1GroupButton + Synth.Osc1GroupDrag, 2);
  EXPECT_EQ(Synth.Sync + Synth.Osc2GroupButton + Synth.Osc2GroupDrag, 0);

  // A double-click delivers two presses: on, then off again.
  for (int click = 0; click < 2; ++click) {
    Press(kOsc2GroupButtonCanvas, 20, 20);
    Release(kOsc2GroupButtonCanvas);
  }
  RunQueued();
  EXPECT_EQ(Synth.Osc2GroupButton + Synth.Osc2GroupDrag, 0);
  EXPECT_EQ(Draws(kOsc2GroupButtonCanvas), 1 + 2);

  Drag(kSyncButton, 20, 20);
  Release(kSyncButton);
  fake::ControlById(kSyncButton).DrawingFails = true;
  Press(kSyncButton, 20, 20);
  RunQueued();
  fake::ControlById(kSyncButton).DrawingFails = false;
  EventLoopPass(); // timed out: still reports the press, but is no press
  EXPECT_EQ(Synth.Sync, 0);
  EXPECT_EQ(Synth.Osc1GroupButton + Synth.Osc1GroupDrag, 2);
}

} // namespace
} // namespace velmora::test
