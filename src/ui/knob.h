// The rotary knobs: the mapping between a knob's angle and its value, the
// geometry they are painted with, and their creation on the window.
//
// Two angle conventions meet here, both in degrees:
// - knob angle (Knob::Angle): clockwise from 12 o'clock, 0 = minimum,
//   360 = maximum;
// - screen angle (the geometry routines): clockwise from 3 o'clock, since
//   canvas y grows downward. A knob angle a is drawn at screen angle a - 90.
#pragma once

#include "core/state.h"
#include "ui/raster.h"

#include <string>

namespace velmora {

struct PointF {
  float X, Y;
};

// x in inLo..inHi mapped linearly onto outLo..outHi, rounded to the nearest
// integer (halves to even) and clamped into the rounded output bounds. The
// two ends are exact, and x == inLo never divides by zero.
int MapToRange(float x, int inLo, int inHi, float outLo, float outHi);

// x brought into lo..hi by whole periods of hi - lo (single precision).
float WrapIntoRange(float x, float lo, float hi);

// Screen angle, 0..360, of the direction from (fromX, fromY) to (toX, toY).
// Not a number when the two points coincide: that direction does not exist.
float AngleBetween(float fromX, float fromY, int toX, int toY);

int Clamp(int v, int lo, int hi);

// The point at screen angle t and distance d from (cx, cy).
PointF PointOnCircle(float cx, float cy, float t, float d);

// The geometry draws on r in r's current mode; the knob paint sets the modes.
// Line from (cx, cy) to the point at screen angle t, distance d; ends rounded.
void DrawSpoke(Raster& r, float cx, float cy, float t, float d, Colour c);
// Arc of radius d from screen angle t1 to t2 (either order), as 2 x 2 boxes
// about 0.79 pixel apart.
void DrawArc(Raster& r, float cx, float cy, float t1, float t2, float d, Colour c);
// Filled pie slice: two spokes and an arc, then a flood fill from inside.
// The fill is held only by that outline and by whatever of another colour
// already lies on the raster.
void DrawSector(Raster& r, int cx, int cy, int t1, int t2, int d, Colour c);

// Paints knob `index` (0..kLastKnob), whose record is `knob`, into r.
// Pitch knobs show their sector the shorter way round.
void PaintKnob(Raster& r, const Knob& knob, int index);

// Repaints Synth.Knobs[index] on its canvas. Nothing happens when drawing on
// the canvas cannot begin.
void DrawKnob(int index);

// Creates the canvases and value labels of knobs 0..lastIndex, gives the
// records their start values and paints them. Sets no synth parameter.
void CreateKnobs(int lastIndex);

// Value label text for the knob's current Value (see KnobLabel).
std::string KnobLabelText(int index);

// Writes the parameter that knob `index` drives from its current Value.
void ApplyKnobParameter(int index);

} // namespace velmora
