#include "ui/knobdrag.h"

#include "core/state.h"
#include "ui/knob.h"

#include <cmath>

namespace velmora {

namespace {

bool KnobHeld() { return Synth.DraggedKnob != 0; }

bool ReleasedThisPass(const tk::Event& current) {
  if (current.Type == tk::EventType::LeftUp || Synth.KnobIndex > Synth.LastKnob)
    return true;
  // Asked only while a knob is held: the query wakes the window server.
  return tk::AsyncMouseButtons() == 0;
}

void FollowPointer(int index) {
  Knob& knob = Synth.Knobs[index];
  int canvasX = 0, canvasY = 0;
  tk::ControlPosition(Synth.DraggedKnob, canvasX, canvasY);
  const int centreX = canvasX + knob.CentreX;
  const int centreY = canvasY + knob.CentreY;
  int mouseX = 0, mouseY = 0;
  tk::WindowMousePosition(mouseX, mouseY);
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
  const int value =
      MapToRange(angle, 0, 360, static_cast<float>(knob.Min), static_cast<float>(knob.Max));

  // Nothing to redo while the pointer rests: the picture shows Angle and
  // Value, and the label and parameter always match Value (set together at
  // start-up and only ever changed here).
  if (angle == knob.Angle && value == knob.Value)
    return;
  const bool valueChanged = value != knob.Value;
  knob.Angle = angle;
  knob.Value = value;
  DrawKnob(index);
  if (!valueChanged)
    return;
  // A caption (the Mix knob's) never changes.
  if (kKnobControls[index].Rule != KnobRule::Caption)
    tk::SetLabelText(knob.ValueLabel, KnobLabelText(index));
  ApplyKnobParameter(index);
}

void TryGrab(const tk::Event& current) {
  // KnobIndex is the search's loop variable: past the last knob when none
  // is grabbed.
  for (Synth.KnobIndex = 0; Synth.KnobIndex <= Synth.LastKnob; ++Synth.KnobIndex) {
    const Knob& knob = Synth.Knobs[Synth.KnobIndex];
    // Only the press itself grabs, and only near the centre; the cursor
    // query is left for last, as it is the one that costs.
    if (current.Type != tk::EventType::LeftDown || current.Control != knob.Canvas)
      continue;
    if (PointDistance(current.X, current.Y, knob.CentreX, knob.CentreY) >= knob.Size / 2 - 1)
      continue;
    if (tk::ControlUnderCursor() != knob.Canvas)
      continue;
    Synth.DraggedKnob = knob.Canvas;
    return;
  }
}

} // namespace

int PointDistance(int x1, int y1, int x2, int y2) {
  const double dx = static_cast<double>(x1) - x2;
  const double dy = static_cast<double>(y1) - y2;
  return static_cast<int>(std::nearbyint(std::sqrt(dx * dx + dy * dy)));
}

void UpdateKnobDrag(const tk::Event& current) {
  if (KnobHeld() && ReleasedThisPass(current))
    Synth.DraggedKnob = 0;
  if (KnobHeld()) {
    FollowPointer(Synth.KnobIndex);
    return;
  }
  TryGrab(current);
}

} // namespace velmora
