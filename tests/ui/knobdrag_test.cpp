// Grabbing and turning knobs, through passes of the event loop.
#include "interaction_fixture.h"

#include <string>

namespace velmora::test {
namespace {

class KnobDragTest : public InteractionTest {
protected:
  static Knob& K(int i) { return Synth.Knobs[i]; }
  // A left press at (x, y) in knob i's canvas, the cursor over it.
  static void PressOn(int i, int x, int y) {
    fake::Get().UnderCursor = K(i).Canvas;
    fake::Get().AsyncButtons = tk::kLeftButton;
    Press(K(i).Canvas, x, y);
    EventLoopPass();
  }
  static void Grab(int i) {
    PressOn(i, 40, 40);
    ASSERT_EQ(Synth.DraggedKnob, K(i).Canvas);
  }
  // The mouse at (dx, dy) from knob i's centre, then a pass without event.
  static void PointAt(int i, int dx, int dy) {
    const fake::Control& c = fake::ControlById(K(i).Canvas);
    fake::Get().MouseX = c.X + K(i).CentreX + dx;
    fake::Get().MouseY = c.Y + K(i).CentreY + dy;
    EventLoopPass();
  }
  static std::string Label(int i) { return tk::LabelText(K(i).ValueLabel); }
};

TEST_F(KnobDragTest, APressGrabsWithinARoundedDistanceOf38) {
  const int cases[][3] = {{78, 40, 1}, {79, 40, 0}, {40, 2, 1},  {40, 1, 0}, {67, 67, 1},
                          {68, 67, 0}, {0, 0, 0},   {40, 40, 1}, {2, 40, 1}, {1, 40, 0}};
  for (const auto& [x, y, grabs] : cases) {
    SetUp();
    const Knob before = K(5);
    PressOn(5, x, y);
    EXPECT_EQ(Synth.DraggedKnob, grabs ? before.Canvas : 0) << x << ", " << y;
    EXPECT_EQ(Synth.KnobIndex, grabs ? 5 : 7) << x << ", " << y;
    EXPECT_EQ(K(5).Angle, before.Angle); // the grab itself turns nothing
  }
}

TEST_F(KnobDragTest, OnlyThePressItselfWithTheCursorOverTheKnobGrabs) {
  fake::Get().UnderCursor = K(4).Canvas;
  Press(K(5).Canvas, 40, 40);
  EventLoopPass();
  fake::Get().UnderCursor = K(5).Canvas; // too late for that press
  EventLoopPass();
  Drag(K(5).Canvas, 40, 40);
  Release(K(5).Canvas);
  RunQueued();
  EXPECT_EQ(Synth.DraggedKnob, 0);
}

TEST_F(KnobDragTest, ValueLabelAndParameterFollowTheDirection) {
  struct Case {
    int knob, dx, dy, value;
    const char* label;
    const std::atomic<double>& parameter;
    double expected;
  };
  const Case cases[] = {
      {0, 30, 0, 600, "600", Synth.Osc1Pitch, 1800},
      {0, 0, 30, 1200, "1200", Synth.Osc1Pitch, 2400},
      {0, -30, 0, 1800, "-600", Synth.Osc1Pitch, 600},
      {0, -1, -90, 2396, "-4", Synth.Osc1Pitch, 1196}, // just left of 12 o'clock
      {1, 30, 0, 600, "600", Synth.Osc2Pitch, 1800},
      {2, 30, 0, 25, "Mix", Synth.MixAmount, 25},
      {2, -1, -90, 100, "Mix", Synth.MixAmount, 100},
      {3, 1, -90, 1, "1", Synth.Attack, 20},
      {3, -1, -90, 100, "100", Synth.Attack, 2000},
      {4, 30, 0, 26, "26", Synth.Decay, 1300},
      {5, 30, 0, 25, "25", Synth.Sustain, 25},
      {6, 0, 30, 50, "50", Synth.Release, 2500}, // 50.5 rounds to even
  };
  for (const Case& c : cases) {
    SetUp();
    Grab(c.knob);
    PointAt(c.knob, c.dx, c.dy);
    EXPECT_EQ(K(c.knob).Value, c.value) << c.knob << " at " << c.dx << ", " << c.dy;
    EXPECT_EQ(Label(c.knob), c.label) << c.knob << " at " << c.dx << ", " << c.dy;
    EXPECT_EQ(c.parameter.load(), c.expected) << c.knob << " at " << c.dx << ", " << c.dy;
  }
  // Absolute positioning: right after a press right of the centre, with the
  // mouse not moved, the knob points there.
  SetUp();
  PressOn(5, 78, 40);
  PointAt(5, 38, 0);
  EXPECT_FLOAT_EQ(K(5).Angle, 90);
}

TEST_F(KnobDragTest, AReleaseAnywhereOrNoButtonHeldEndsTheDrag) {
  for (int canvas : {kOsc1WarpCanvas, kModeSelectorCanvas, -1}) {
    SetUp();
    Grab(5);
    if (canvas >= 0)
      Release(canvas);
    else
      fake::Get().AsyncButtons = 0; // the release event was missed
    PointAt(5, 30, 0);
    EXPECT_EQ(Synth.DraggedKnob, 0) << canvas;
    EXPECT_EQ(K(5).Value, 50) << canvas;
  }
  Grab(5);
  fake::Get().AsyncButtons = tk::kRightButton;
  PointAt(5, 30, 0);
  EXPECT_EQ(K(5).Value, 25);
}

TEST_F(KnobDragTest, RepaintsOnlyWhenTheKnobChangesAndNeverAtItsCentre) {
  Grab(5);
  const int canvas = K(5).Canvas;
  int draws = Draws(canvas);
  for (int pass = 0; pass < 5; ++pass)
    PointAt(5, 30, 0);
  EXPECT_EQ(Draws(canvas), ++draws);
  PointAt(5, 0, 0); // no direction: the knob keeps its angle and value
  EXPECT_FLOAT_EQ(K(5).Angle, 90);
  EXPECT_EQ(Draws(canvas), draws);
  PointAt(5, 60, 1); // a new angle with the same value
  EXPECT_EQ(K(5).Value, 25);
  EXPECT_EQ(Draws(canvas), ++draws);
  PointAt(5, 30, 30);
  EXPECT_EQ(Label(5), "38");
  EXPECT_EQ(Draws(canvas), ++draws);
}

TEST_F(KnobDragTest, ThePointerIsAskedOnlyWhenTheAnswerCanMatter) {
  auto& w = fake::Get();
  w.AsyncButtons = tk::kLeftButton;
  w.UnderCursor = K(3).Canvas;
  // Idle passes, other events and presses far from a knob's centre ask
  // nothing, nor do the timed-out passes that still report such a press.
  Press(kModeSelectorCanvas, 8, 10);
  Drag(K(3).Canvas, 40, 40);
  Press(K(3).Canvas, 2, 2);
  RunQueued();
  for (int pass = 0; pass < 20; ++pass)
    EventLoopPass();
  EXPECT_EQ(w.AsyncQueries + w.PointerQueries, 0);

  Press(K(3).Canvas, 40, 40);
  EventLoopPass();
  EXPECT_EQ(w.PointerQueries, 1); // the control under the cursor
  for (int pass = 0; pass < 10; ++pass)
    PointAt(3, 10, 10);
  EXPECT_EQ(w.AsyncQueries, 10);
  EXPECT_EQ(w.PointerQueries, 11);

  Release(K(3).Canvas);
  for (int pass = 0; pass < 20; ++pass)
    EventLoopPass();
  EXPECT_EQ(w.AsyncQueries, 10);
  EXPECT_EQ(w.PointerQueries, 11);
}

} // namespace
} // namespace velmora::test
