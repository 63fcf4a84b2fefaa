// The drawing primitives the pictures are made of: clipping, nearest-pixel
// lines, discs and their outlines, flood fill. The gradients show in the
// knob and button probes.
#include "ui/raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace velmora {
namespace {

constexpr Colour kInk = Rgb(255, 0, 0), kFill = Rgb(0, 0, 255);

int Count(const Raster& r, Colour c) {
  return int(std::count(r.Pixels.begin(), r.Pixels.end(), c));
}

TEST(Raster, BoxesLinesAndFills) {
  Raster r;
  ResizeRaster(r, 10, 8, kFill);
  FillBox(r, -3, 6, 5, 10, kInk); // clipped at the left and bottom edges
  SetOutlinedMode(r);
  FillBox(r, 3, 0, 4, 4, kInk); // a frame of 12 pixels
  EXPECT_EQ(Count(r, kInk), 4 + 12);
  EXPECT_EQ(PixelAt(r, 4, 1), kFill);

  // One pixel per step along the longer axis, each nearest the true line;
  // ends far outside cost nothing.
  ResizeRaster(r, 20, 20);
  SetPlainMode(r);
  DrawLine(r, 3, 19, 19, 14, kInk); // dx 16, dy -5
  EXPECT_EQ(Count(r, kInk), 17);
  for (int x = 3; x <= 19; ++x) {
    const double y = 19 - 5 * (x - 3) / 16.0;
    EXPECT_EQ(PixelAt(r, x, int(std::floor(y))) == kInk ? y - std::floor(y) : std::ceil(y) - y,
              std::min(y - std::floor(y), std::ceil(y) - y))
        << x;
  }
  DrawLine(r, -2000000000, 0, 2000000000, 0, kInk);
  EXPECT_EQ(Count(r, kInk), 17 + 20);

  // Diagonal steps only: a 4-connected fill does not pass them.
  ResizeRaster(r, 12, 12);
  DrawLine(r, 0, 9, 9, 0, kInk);
  FloodFill(r, 0, 0, kFill);
  EXPECT_EQ(PixelAt(r, 8, 0), kFill);
  EXPECT_EQ(PixelAt(r, 9, 1), 0u);
  // A serpentine of a million pixels: deeper than a recursive fill's stack.
  ResizeRaster(r, 1000, 1000);
  for (int x = 2; x < 1000; x += 4)
    FillBox(r, x, x % 8 == 2 ? 0 : 1, 1, 999, kInk);
  FloodFill(r, 0, 0, kFill);
  EXPECT_EQ(Count(r, 0), 0);
}

// The disc holds the pixels within half a pixel of its radius; its outline
// is its own edge and closed, so a fill from inside covers the disc exactly.
TEST(Raster, DiscAndItsOutline) {
  Raster disc, ring;
  ResizeRaster(disc, 41, 41);
  ResizeRaster(ring, 41, 41);
  DrawCircle(disc, 20, 20, 11, kFill);
  SetOutlinedMode(ring);
  DrawCircle(ring, 20, 20, 11, kInk);
  FloodFill(ring, 20, 20, kFill);
  for (int y = 0; y < 41; ++y)
    for (int x = 0; x < 41; ++x) {
      const double d = std::hypot(x - 20, y - 20);
      const bool in = PixelAt(disc, x, y) == kFill;
      EXPECT_TRUE(d <= 11 ? in : d >= 11.5 ? !in : true) << x << "," << y;
      const bool edge = in && (PixelAt(disc, x - 1, y) == 0 || PixelAt(disc, x + 1, y) == 0 ||
                               PixelAt(disc, x, y - 1) == 0 || PixelAt(disc, x, y + 1) == 0);
      EXPECT_EQ(PixelAt(ring, x, y), edge ? kInk : in ? kFill : 0u) << x << "," << y;
    }
}

} // namespace
} // namespace velmora
