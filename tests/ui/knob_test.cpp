// Knobs: grabbing and turning them through steps of the window, also with two
// windows in one process, each over its own engine. Their pictures are
// checked by the end-to-end story's pixel probes.
#include "support/rigs.h"

namespace velmora::test {
namespace {

struct KnobRig : WindowRig {
  Knob& K(int i) { return Window.Knobs[i]; }
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

// A release anywhere, or no button held should the release be missed, lets go.
TEST(KnobDrag, AReleaseLetsGo) {
  for (int releasedOn : {kOsc1WarpCanvas, 0}) {
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

TEST(TwoWindows, ADragOnOneChangesOnlyItsOwnEngine) {
  KnobRig first, second;
  ASSERT_NE(&first.Tk(), &second.Tk());
  // The same control identifiers on both: each window has its own.
  second.PressOn(kSustainKnob, 40, 40);
  second.PointAt(kSustainKnob, 30, 0);
  first.Step();
  EXPECT_EQ(second.Engine->Sustain, 25);
  EXPECT_EQ(first.Engine->Sustain, 50);
  EXPECT_EQ(first.K(kSustainKnob).Value, 50);
}

} // namespace
} // namespace velmora::test
