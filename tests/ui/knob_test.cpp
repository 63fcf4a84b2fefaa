// Knobs: a few probes of their pictures, and grabbing and turning them
// through passes of the event loop.
#include "interaction_fixture.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora::test {
namespace {

constexpr Colour kGreen = Rgb(0, 255, 0), kTrack = Rgb(18, 18, 18);

class Knobs : public InteractionTest {
protected:
  static Knob& K(int i) { return Synth.Knobs[i]; }
  // The value track (radius 29 to 33) at a knob angle, clockwise from 12.
  static Colour Track(int i, double angle) {
    const double a = angle * std::numbers::pi / 180;
    return PixelAt(Picture(K(i).Canvas), int(std::lround(40 + 31 * std::sin(a))),
                   int(std::lround(40 - 31 * std::cos(a))));
  }
  // A left press at (x, y) in knob i's canvas, the cursor over it.
  static void PressOn(int i, int x, int y) {
    fake::Get().UnderCursor = K(i).Canvas, fake::Get().AsyncButtons = tk::kLeftButton;
    Press(K(i).Canvas, x, y);
    EventLoopPass();
  }
  // The mouse at (dx, dy) from knob i's centre, then a pass without event.
  static void PointAt(int i, int dx, int dy) {
    fake::Get().MouseX = fake::ControlById(K(i).Canvas).X + 40 + dx;
    fake::Get().MouseY = fake::ControlById(K(i).Canvas).Y + 40 + dy;
    EventLoopPass();
  }
};

TEST_F(Knobs, PicturesShowTheValueAsAGreenSector) {
  // Knob, its angle (-1: as built), track angles that must be green, and dark.
  const std::tuple<int, float, std::vector<double>, std::vector<double>> rows[] = {
      {3, -1, {10, 30}, {50, 180, 300}},   // Attack 12, the sector's edge off the axes
      {0, 179.85f, {10, 170}, {190, 270}}, // pitch knobs take the shorter way
      {0, 270, {280, 350}, {260, 90}},
      {5, 0.5f, {}, {10, 270}}}; // the minimum
  for (const auto& [i, angle, green, dark] : rows) {
    if (angle >= 0)
      K(i).Angle = angle, K(i).Value = MapToRange(angle, 0, 360, K(i).Min, K(i).Max), DrawKnob(i);
    for (double a : green)
      EXPECT_EQ(Track(i, a), kGreen) << "knob " << i << " at " << a;
    for (double a : dark)
      EXPECT_EQ(Track(i, a), kTrack) << "knob " << i << " at " << a;
  }
  // The ring and the scale mark; the cap's outline, one pixel wide.
  const Raster& p = Picture(K(3).Canvas);
  EXPECT_EQ(std::make_tuple(PixelAt(p, 78, 40), PixelAt(p, 75, 40), PixelAt(p, 69, 40)),
            std::make_tuple(Rgb(114, 114, 114), Rgb(170, 170, 170), Rgb(103, 103, 103)));
  EXPECT_NE(PixelAt(p, 68, 40), Rgb(103, 103, 103));
  // The ring darkens clockwise from a seam at 12 o'clock.
  EXPECT_TRUE(PixelAt(p, 39, 2) < Rgb(56, 56, 56) && PixelAt(p, 41, 2) > Rgb(130, 130, 130));
}

// A press grabs within a rounded distance of 38 from the centre; the grab
// turns nothing, and a release anywhere (or no button held, should the
// release be missed) ends it.
TEST_F(Knobs, GrabAndLetGo) {
  // clang-format off
  const int rows[][4] = { // x, y, grabs; then released: 0 not, on a canvas, or -1 no button held
      {78, 40, 1, 0}, {79, 40, 0, 0}, {40, 2, 1, 0}, {40, 1, 0, 0}, {67, 67, 1, 0}, {68, 67, 0, 0},
      {40, 40, 1, kOsc1WarpCanvas}, {40, 40, 1, kSyncButton}, {40, 40, 1, -1}};
  // clang-format on
  for (const auto& [x, y, grabs, release] : rows) {
    SCOPED_TRACE(testing::Message() << x << ", " << y << " released on " << release);
    SetUp();
    PressOn(5, x, y);
    EXPECT_EQ(std::make_pair(Synth.DraggedKnob, K(5).Value),
              std::make_pair(grabs ? K(5).Canvas : 0, 50));
    if (release > 0)
      Release(release);
    fake::Get().AsyncButtons = release < 0 ? 0 : tk::kLeftButton;
    PointAt(5, 30, 0);
    EXPECT_EQ(std::make_pair(Synth.DraggedKnob, K(5).Value),
              grabs && !release ? std::make_pair(K(5).Canvas, 25) : std::make_pair(0, 50));
  }
  SetUp(); // a press with the cursor over another knob, or a move with the button held, grabs none
  fake::Get().UnderCursor = K(4).Canvas, fake::Get().AsyncButtons = tk::kLeftButton;
  Press(K(5).Canvas, 40, 40);
  Drag(K(4).Canvas, 40, 40);
  RunQueued();
  EXPECT_EQ(Synth.DraggedKnob, 0);
}

TEST_F(Knobs, ValueLabelAndParameterFollowTheMouse) {
  struct Row {
    int knob, dx, dy, value;
    const char* label;
    double parameter;
  } const rows[] = {
      {0, 30, 0, 600, "600", 1800},   {0, -30, 0, 1800, "-600", 600},
      {0, -1, -90, 2396, "-4", 1196}, // just left of 12 o'clock
      {1, 0, 30, 1200, "1200", 2400}, {2, 30, 0, 25, "Mix", 25},
      {3, -1, -90, 100, "100", 2000}, {4, 30, 0, 26, "26", 1300},
      {5, 30, 30, 38, "38", 38},      {6, 0, 30, 50, "50", 2500}, // 50.5 rounds to even
      {5, -481, -91, 78, "78", 78}, // cursor outside the window: towards its corner
      {5, 0, 0, 50, "50", 50},      // at the centre: no direction, no turn
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "knob " << r.knob << " at " << r.dx << ", " << r.dy);
    SetUp();
    PressOn(r.knob, 40, 40);
    const int draws = Draws(K(r.knob).Canvas);
    PointAt(r.knob, r.dx, r.dy);
    EXPECT_EQ(K(r.knob).Value, r.value);
    EXPECT_EQ(tk::LabelText(K(r.knob).ValueLabel), r.label);
    EXPECT_EQ((Synth.*kKnobControls[r.knob].Parameter).load(), r.parameter);
    PointAt(r.knob, r.dx, r.dy); // a resting pointer repaints nothing
    EXPECT_EQ(Draws(K(r.knob).Canvas) - draws, r.dx || r.dy ? 1 : 0);
  }
}

} // namespace
} // namespace velmora::test
