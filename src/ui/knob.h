// The rotary knobs: the mapping between a knob's angle and its value, the
// geometry they are painted with, and their creation on the window.
//
// Two angle conventions meet here, both in degrees:
// - knob angle (Knob::Angle): clockwise from 12 o'clock, 0 = minimum,
//   360 = maximum;
// - screen angle (the geometry routines): clockwise from 3 o'clock, since
//   canvas y grows downward. A knob angle a is drawn at screen angle a - 90.
#pragma once

#include "core/controls.h"
#include "ui/raster.h"
#include "ui/toolkit.h"

namespace velmora {

constexpr int kKnobSize = 80; // side of a knob's square canvas, pixels

// One knob of a window.
struct Knob {
  int Canvas;  // toolkit identifier of the knob's canvas
  int Size;    // side of the square canvas, pixels
  int Min;     // smallest value
  int Max;     // largest value
  int Value;   // always within Min..Max
  int CentreX; // knob centre inside the canvas, pixels
  int CentreY;
  Colour LightColour; // cap light grey
  Colour DarkColour;  // cap dark grey
  Colour BackgroundColour;
  float Angle;    // degrees clockwise from 12 o'clock, 0..360
  int ValueLabel; // toolkit identifier of the value label
};

struct PointF {
  float X, Y;
};

// x brought into lo..hi by whole periods of hi - lo (single precision).
float WrapIntoRange(float x, float lo, float hi);

// Screen angle, 0..360, of the direction from (fromX, fromY) to (toX, toY).
// Not a number when the two points coincide: that direction does not exist.
float AngleBetween(float fromX, float fromY, int toX, int toY);

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

// Paints knob `index` (0..kKnobCount - 1), whose record is `knob`, into r.
// Pitch knobs show their sector the shorter way round.
void PaintKnob(Raster& r, const Knob& knob, int index);

// Repaints the knob on its canvas. Nothing happens when drawing on the
// canvas cannot begin.
void DrawKnob(tk::Window& w, const Knob& knob, int index);

// Creates the knobs' canvases and value labels, gives the records their
// start values and paints them. Sends nothing to the sink: the engine starts
// from the same start values.
void CreateKnobs(tk::Window& w, std::array<Knob, kKnobCount>& knobs, Colour panel);

} // namespace velmora
