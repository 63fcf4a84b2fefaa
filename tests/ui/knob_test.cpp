// Knobs: a few probes of their pictures, and grabbing and turning them
// through steps of the window.
#include "support/rigs.h"

#include <cmath>
#include <numbers>

namespace velmora::test {
namespace {

constexpr Colour kGreen = Rgb(0, 255, 0), kTrack = Rgb(18, 18, 18);

struct KnobRig : WindowRig {
  Knob& K(int i) { return Window.Knobs[i]; }
  // The value track (radius 29 to 33) at a knob angle, clockwise from 12.
  Colour Track(int i, double angle) {
    const double a = angle * std::numbers::pi / 180;
    return PixelAt(Picture(K(i).Canvas), static_cast<int>(std::lround(40 + 31 * std::sin(a))),
                   static_cast<int>(std::lround(40 - 31 * std::cos(a))));
  }
  void TurnTo(int i, float angle) {
    K(i).Angle = angle;
    K(i).Value = KnobValueAt(kKnobControls[i], angle);
    DrawKnob(Tk(), K(i), i);
  }
  // A left press at (x, y) in knob i's canvas, the cursor over it.
  void PressOn(int i, int x, int y) {
    Tk().UnderCursor = K(i).Canvas;
    fake::HeldButtons = tk::kLeftButton;
    Press(K(i).Canvas, x, y);
    Step();
  }
  // The mouse at (dx, dy) from knob i's centre, then a step without event.
  void PointAt(int i, int dx, int dy) {
    Tk().MouseX = Tk()[K(i).Canvas].X + 40 + dx;
    Tk().MouseY = Tk()[K(i).Canvas].Y + 40 + dy;
    Step();
  }
};

struct SectorProbe {
  int Knob;
  float Angle; // -1: as built
  std::vector<double> Green, Dark;
};

TEST(KnobPicture, ShowsTheValueAsAGreenSector) {
  const SectorProbe probes[] = {
      {3, -1, {10, 30}, {50, 180, 300}},   // Attack 12, the sector's edge off the axes
      {0, 179.85f, {10, 170}, {190, 270}}, // pitch knobs take the shorter way
      {0, 270, {280, 350}, {260, 90}},
      {5, 0.5f, {}, {10, 270}}}; // the minimum
  for (const SectorProbe& p : probes) {
    KnobRig rig;
    if (p.Angle >= 0)
      rig.TurnTo(p.Knob, p.Angle);
    for (double a : p.Green)
      EXPECT_EQ(rig.Track(p.Knob, a), kGreen) << "knob " << p.Knob << " at " << a;
    for (double a : p.Dark)
      EXPECT_EQ(rig.Track(p.Knob, a), kTrack) << "knob " << p.Knob << " at " << a;
  }
}

TEST(KnobPicture, RingScaleMarkAndCapOutline) {
  KnobRig rig;
  const Raster& p = rig.Picture(rig.K(3).Canvas);
  EXPECT_EQ(PixelAt(p, 78, 40), Rgb(114, 114, 114));
  EXPECT_EQ(PixelAt(p, 75, 40), Rgb(170, 170, 170));
  EXPECT_EQ(PixelAt(p, 69, 40), Rgb(103, 103, 103));
  EXPECT_NE(PixelAt(p, 68, 40), Rgb(103, 103, 103)) << "the outline is one pixel wide";
  // The ring darkens clockwise from a seam at 12 o'clock.
  EXPECT_LT(PixelAt(p, 39, 2), Rgb(56, 56, 56));
  EXPECT_GT(PixelAt(p, 41, 2), Rgb(130, 130, 130));
}

struct PressAt {
  int X, Y;
  bool Grabs;
};

// A press grabs within a rounded distance of 38 from the centre, and the
// grab turns nothing.
TEST(KnobDrag, APressNearTheCentreGrabs) {
  const PressAt presses[] = {{78, 40, true}, {79, 40, false}, {40, 2, true},
                             {40, 1, false}, {67, 67, true},  {68, 67, false}};
  for (const PressAt& p : presses) {
    KnobRig rig;
    rig.PressOn(5, p.X, p.Y);
    EXPECT_EQ(rig.Window.HeldKnob, p.Grabs ? 5 : -1) << p.X << ", " << p.Y;
    EXPECT_EQ(rig.K(5).Value, 50);
  }
}

TEST(KnobDrag, OnlyAPressOnTheKnobUnderTheCursorGrabs) {
  KnobRig rig;
  rig.Tk().UnderCursor = rig.K(4).Canvas;
  fake::HeldButtons = tk::kLeftButton;
  rig.Press(rig.K(5).Canvas, 40, 40);
  rig.Drag(rig.K(4).Canvas, 40, 40);
  rig.RunQueued();
  EXPECT_EQ(rig.Window.HeldKnob, -1);
}

// A release anywhere, or no button held should the release be missed, lets go.
TEST(KnobDrag, AReleaseLetsGo) {
  for (int releasedOn : {kOsc1WarpCanvas, kSyncButton, 0}) {
    KnobRig rig;
    rig.PressOn(5, 40, 40);
    if (releasedOn != 0)
      rig.Release(releasedOn);
    else
      fake::HeldButtons = 0;
    rig.PointAt(5, 30, 0);
    EXPECT_EQ(rig.Window.HeldKnob, -1) << releasedOn;
    EXPECT_EQ(rig.K(5).Value, 50) << releasedOn;
  }
}

struct Turn {
  int Knob, DX, DY, Value;
  const char* Label;
  double Parameter;
};

TEST(KnobDrag, ValueLabelAndParameterFollowTheMouse) {
  const Turn turns[] = {
      {0, 30, 0, 600, "600", 1800},   {0, -1, -90, 2396, "-4", 1196}, // just left of 12 o'clock
      {1, 0, 30, 1200, "1200", 2400}, {2, 30, 0, 25, "Mix", 25},
      {3, -1, -90, 100, "100", 2000}, {6, 0, 30, 50, "50", 2500}, // 50.5 rounds to even
      {5, -481, -91, 78, "78", 78}, // cursor outside the window: towards its corner
      {5, 0, 0, 50, "50", 50},      // at the centre: no direction, no turn
  };
  for (const Turn& t : turns) {
    SCOPED_TRACE(testing::Message() << "knob " << t.Knob << " at " << t.DX << ", " << t.DY);
    KnobRig rig;
    rig.PressOn(t.Knob, 40, 40);
    rig.PointAt(t.Knob, t.DX, t.DY);
    EXPECT_EQ(rig.K(t.Knob).Value, t.Value);
    EXPECT_EQ(tk::LabelText(rig.Tk(), rig.K(t.Knob).ValueLabel), t.Label);
    EXPECT_EQ((*rig.Engine.*kKnobControls[t.Knob].Parameter).load(), t.Parameter);
  }
}

TEST(KnobDrag, ARestingPointerRepaintsNothing) {
  KnobRig rig;
  rig.PressOn(3, 40, 40);
  rig.PointAt(3, 30, 0);
  const int draws = rig.Draws(rig.K(3).Canvas);
  rig.PointAt(3, 30, 0);
  EXPECT_EQ(rig.Draws(rig.K(3).Canvas), draws);
}

} // namespace
} // namespace velmora::test
