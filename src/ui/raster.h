// A small RGB raster that the self-painted canvases (knobs, mode selector,
// round buttons, warp editors) are drawn into; the toolkit then shows it.
// Keeping the pictures in our own memory makes them testable pixel by pixel
// without a display.
#pragma once

#include "ui/colour.h"

#include <cstdint>
#include <vector>

namespace velmora {

enum class DrawMode { Plain, Outlined, Gradient };
enum class GradientKind { Circular, Conical };

struct Raster {
  int Width = 0;
  int Height = 0;
  std::vector<Colour> Pixels; // row-major, Width * Height, 0xBBGGRR

  // Drawing mode for the shape primitives. In Gradient mode a filled shape
  // takes every pixel's colour from the gradient instead of its own colour.
  DrawMode Mode = DrawMode::Plain;
  GradientKind Gradient = GradientKind::Circular;
  double GradientX = 0, GradientY = 0; // centre, pixels
  double GradientRadius = 0;           // circular: colour reaches End here
  double GradientStartAngle = 0;       // conical: degrees counter-clockwise from 3 o'clock
  Colour GradientStart = 0;            // circular: centre; conical: back colour
  Colour GradientEnd = 0;              // circular: radius; conical: front colour
};

void ResizeRaster(Raster& r, int width, int height, Colour fill = 0);
Colour PixelAt(const Raster& r, int x, int y); // 0 outside the raster

// Shape primitives; everything outside the raster is clipped.
void FillBox(Raster& r, int x, int y, int width, int height, Colour c);
void DrawLine(Raster& r, int x1, int y1, int x2, int y2, Colour c);
// Filled disc in Plain and Gradient mode; in Outlined mode only its rim.
void DrawCircle(Raster& r, int cx, int cy, int radius, Colour c);
// Every pixel 4-connected to (x, y) that has the seed's colour becomes c.
void FloodFill(Raster& r, int x, int y, Colour c);

void SetPlainMode(Raster& r);
void SetOutlinedMode(Raster& r);
void SetCircularGradient(Raster& r, double cx, double cy, double radius, Colour centre,
                         Colour edge);
void SetConicalGradient(Raster& r, double cx, double cy, double startAngleDegrees, Colour back,
                        Colour front);

} // namespace velmora
