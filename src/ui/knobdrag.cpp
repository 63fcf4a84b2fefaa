#include "ui/knobdrag.h"

#include <cmath>

namespace velmora {

namespace {

// Distance between two pixels, rounded to the nearest whole pixel.
int PointDistance(int x1, int y1, int x2, int y2) {
  const double dx = static_cast<double>(x1) - x2;
  const double dy = static_cast<double>(y1) - y2;
  return static_cast<int>(std::nearbyint(std::sqrt(dx * dx + dy * dy)));
}

bool ReleasedThisPass(const tk::Event& current) {
  if (current.Type == tk::EventType::LeftUp)
    return true;
  // Asked only while a knob is held: the query wakes the window server.
  return tk::AsyncMouseButtons() == 0;
}

void FollowPointer(Window& w, int index) {
  Knob& knob = w.Knobs[index];
  int canvasX = 0, canvasY = 0;
  tk::ControlPosition(*w.Toolkit, knob.Canvas, canvasX, canvasY);
  const int centreX = canvasX + knob.CentreX;
  const int centreY = canvasY + knob.CentreY;
  int mouseX = 0, mouseY = 0;
  tk::WindowMousePosition(*w.Toolkit, mouseX, mouseY);
  // At the centre itself there is no direction: the knob stays as it is.
  if (mouseX == centreX && mouseY == centreY)
    return;

  // The angle seen from the mouse towards the centre points the opposite
  // way; 90 degrees less makes it the mouse's clockwise angle from 12
  // o'clock, in -90..270.
  const float raw =
      AngleBetween(static_cast<float>(mouseX), static_cast<float>(mouseY), centreX, centreY) -
      90.0f;
  const float angle = WrapIntoRange(raw, 0.0f, 360.0f);
  const int value = KnobValueAt(kKnobControls[index], angle);

  // Nothing to redo while the pointer rests: the picture shows Angle and
  // Value, and the label and parameter always match Value (set together at
  // start-up and only ever changed here).
  if (angle == knob.Angle && value == knob.Value)
    return;
  const bool valueChanged = value != knob.Value;
  knob.Angle = angle;
  knob.Value = value;
  DrawKnob(*w.Toolkit, knob, index);
  if (!valueChanged)
    return;
  const KnobControl& control = kKnobControls[index];
  // A caption (the Mix knob's) never changes.
  if (control.Rule != KnobRule::Caption)
    tk::SetLabelText(*w.Toolkit, knob.ValueLabel, KnobLabel(control, value));
  w.Sink.Set(index, ShownKnobValue(control, value));
}

// The knob a press grabs: only the press itself, and only near the centre;
// the cursor query is left for last, as it is the one that costs.
int GrabbedKnob(Window& w, const tk::Event& current) {
  if (current.Type != tk::EventType::LeftDown)
    return -1;
  for (int i = 0; i < kKnobCount; ++i) {
    const Knob& knob = w.Knobs[i];
    if (current.Control == knob.Canvas &&
        PointDistance(current.X, current.Y, knob.CentreX, knob.CentreY) < knob.Size / 2 - 1 &&
        tk::ControlUnderCursor(*w.Toolkit) == knob.Canvas)
      return i;
  }
  return -1;
}

} // namespace

void UpdateKnobDrag(Window& w, const tk::Event& current) {
  if (w.HeldKnob >= 0 && ReleasedThisPass(current))
    w.HeldKnob = -1;
  if (w.HeldKnob >= 0)
    FollowPointer(w, w.HeldKnob);
  else
    w.HeldKnob = GrabbedKnob(w, current);
}

} // namespace velmora
