// The drawing primitives below the pictures, where a probe of a picture
// would not see a fault: clipping at the edges and nearest-pixel lines.
// Discs, fills and gradients show in the knob and button probes.
#include "ui/raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace velmora {
namespace {

constexpr Colour kInk = Rgb(255, 0, 0);

int Count(const Raster& r) { return int(std::count(r.Pixels.begin(), r.Pixels.end(), kInk)); }

TEST(Raster, ClippedBoxesAndNearestPixelLines) {
  Raster r;
  ResizeRaster(r, 20, 20);
  FillBox(r, -3, 16, 5, 10, kInk); // past the left and bottom edges
  EXPECT_EQ(Count(r), 2 * 4);
  ResizeRaster(r, 20, 20);
  // One pixel per step along the longer axis, each nearest the true line.
  DrawLine(r, 3, 19, 19, 14, kInk);
  EXPECT_EQ(Count(r), 17);
  for (int x = 3; x <= 19; ++x) {
    const double y = 19 - 5 * (x - 3) / 16.0;
    const int nearest = int(std::lround(y));
    EXPECT_TRUE(PixelAt(r, x, nearest) == kInk || std::abs(y - nearest) == 0.5) << x;
  }
  // Ends far beyond the raster cost no more than the pixels drawn.
  DrawLine(r, -2000000000, 0, 2000000000, 0, kInk);
  DrawLine(r, 1, 2000000000, 1, -2000000000, kInk);
  EXPECT_EQ(Count(r), 17 + 20 + 19);
}

} // namespace
} // namespace velmora
