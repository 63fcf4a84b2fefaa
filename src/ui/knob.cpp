// Knob value mapping, knob geometry and the knob picture. Nothing here talks
// to the toolkit (that is knob_canvas.cpp), so the painting can be measured
// and tested on a bare raster.
#include "ui/knob.h"

#include <cmath>
#include <utility>

namespace velmora {

namespace {

constexpr float kRadiansPerDegree = 0.017453292519943295f;
constexpr float kDegreesPerRadian = 57.29577951308232f;
constexpr float kPi = 3.14159265358979323846f;

// Knob colours.
constexpr Colour kRingBack = Rgb(136, 136, 136);
constexpr Colour kRingFront = Rgb(51, 51, 51);
constexpr Colour kScaleMark = Rgb(170, 170, 170);
constexpr Colour kTrack = Rgb(18, 18, 18);
constexpr Colour kSector = Rgb(0, 255, 0);
constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr Colour kCapOutline = Rgb(103, 103, 103);

} // namespace

float WrapIntoRange(float x, float lo, float hi) {
  if (lo <= x && x <= hi)
    return x;
  const float period = hi - lo;
  if (!(period > 0.0f))
    return lo;
  return x - period * std::floor((x - lo) / period);
}

float AngleBetween(float fromX, float fromY, int toX, int toY) {
  const float dx = static_cast<float>(toX) - fromX;
  const float dy = static_cast<float>(toY) - fromY;
  const float d = std::sqrt(dx * dx + dy * dy);
  const float a = std::acos(dx / d) * kDegreesPerRadian;
  return static_cast<float>(toY) < fromY ? 360.0f - a : a;
}

PointF PointOnCircle(float cx, float cy, float t, float d) {
  const float radians = t * kRadiansPerDegree;
  return {cx + d * std::cos(radians), cy + d * std::sin(radians)};
}

void DrawSpoke(Raster& r, float cx, float cy, float t, float d, Colour c) {
  const PointF tip = PointOnCircle(cx, cy, t, d);
  DrawLine(r, RoundToInt(cx), RoundToInt(cy), RoundToInt(tip.X), RoundToInt(tip.Y), c);
}

void DrawArc(Raster& r, float cx, float cy, float t1, float t2, float d, Colour c) {
  float from = t1 * kRadiansPerDegree;
  float to = t2 * kRadiansPerDegree;
  if (from > to)
    std::swap(from, to);
  // About 0.79 pixel along the arc per step, so the 2 x 2 boxes overlap and
  // the arc has no gap for a flood fill to leak through.
  const float step = kPi / (4.0f * d);
  float t = from;
  for (;;) {
    FillBox(r, RoundToInt(cx + d * std::cos(t)), RoundToInt(cy + d * std::sin(t)), 2, 2, c);
    // A radius of 0 or less, or angles so large that the step no longer
    // moves t, would never end the loop: such an arc is its first box.
    if (!(step > 0.0f) || t + step == t)
      break;
    t += step;
    if (!(t <= to))
      break;
  }
}

void DrawSector(Raster& r, int cx, int cy, int t1, int t2, int d, Colour c) {
  const auto fx = static_cast<float>(cx), fy = static_cast<float>(cy);
  const auto fd = static_cast<float>(d);
  DrawSpoke(r, fx, fy, static_cast<float>(t1), fd, c);
  DrawSpoke(r, fx, fy, static_cast<float>(t2), fd, c);
  DrawArc(r, fx, fy, static_cast<float>(t1), static_cast<float>(t2), fd, c);
  // Mid angle at half radius lies inside the outline for every sector that
  // has an inside; a sector thinner than its spokes fills nothing more.
  const float mid = (static_cast<float>(t1) + static_cast<float>(t2)) / 2.0f;
  const PointF seed = PointOnCircle(fx, fy, mid, fd / 2.0f);
  FloodFill(r, RoundToInt(seed.X), RoundToInt(seed.Y), c);
}

void PaintKnob(Raster& r, const Knob& knob, int index) {
  const int radius = knob.Size / 2 - 1; // pixels, 39 for an 80-pixel knob
  const int cx = knob.CentreX, cy = knob.CentreY;
  const auto fx = static_cast<float>(cx), fy = static_cast<float>(cy);
  const auto fr = static_cast<float>(radius);

  // The raster keeps the mode of its last drawing (outlined, from the cap's
  // outline), and the background must be solid.
  SetPlainMode(r);
  FillBox(r, 0, 0, r.Width, r.Height, knob.BackgroundColour);

  // Outer ring, shaded from 12 o'clock round clockwise.
  SetConicalGradient(r, cx, cy, 90.0, kRingBack, kRingFront);
  DrawCircle(r, cx, cy, radius, 0);

  // Scale marks every 45 degrees; the track below leaves only their ends.
  SetPlainMode(r);
  for (int i = 0; i < 8; ++i)
    DrawSpoke(r, fx, fy, static_cast<float>(i * 45), 0.93f * fr, kScaleMark);

  const PointF tip = PointOnCircle(fx, fy, knob.Angle - 90.0f, 0.84f * fr);

  const int trackRadius = static_cast<int>(std::nearbyint(0.85 * radius));
  DrawCircle(r, cx, cy, trackRadius, kTrack);

  if (knob.Value > knob.Min) {
    const int end = RoundToInt(knob.Angle - 90.0f);
    // Both starts are 12 o'clock. A pitch knob past half way (a negative
    // offset) runs its sector back counter-clockwise from 12 o'clock.
    const int start =
        kKnobControls[index].Rule == KnobRule::Pitch && knob.Value >= 1200 ? 270 : -90;
    DrawSector(r, cx, cy, start, end, trackRadius, kSector);
  }

  DrawLine(r, cx, cy, cx, cy - radius, kBlack); // zero mark at 12 o'clock
  DrawLine(r, cx, cy, RoundToInt(tip.X), RoundToInt(tip.Y), kBlack);

  // The cap: rim and face shaded in opposite senses, seams on the pointer.
  const double seam = 90.0 - static_cast<double>(knob.Angle);
  SetConicalGradient(r, cx, cy, seam, knob.DarkColour, knob.LightColour);
  const int rimRadius = static_cast<int>(std::nearbyint(0.75 * radius));
  DrawCircle(r, cx, cy, rimRadius, 0);
  SetConicalGradient(r, cx, cy, seam, knob.LightColour, knob.DarkColour);
  DrawCircle(r, cx, cy, static_cast<int>(std::nearbyint(0.7 * radius)), 0);

  SetOutlinedMode(r);
  DrawCircle(r, cx, cy, rimRadius, kCapOutline);
}

} // namespace velmora
