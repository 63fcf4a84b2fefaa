#include "ui/raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>

namespace velmora {
namespace {

constexpr Colour kInk = Rgb(255, 0, 0);
constexpr Colour kFill = Rgb(0, 0, 255);

int Count(const Raster& r, Colour c) {
  return static_cast<int>(std::count(r.Pixels.begin(), r.Pixels.end(), c));
}

TEST(Raster, BoxesAreClipped) {
  Raster r;
  ResizeRaster(r, 10, 8, kFill);
  FillBox(r, -3, 6, 5, 10, kInk); // past the left and bottom edges
  FillBox(r, 0, 0, 0, 5, kInk);
  EXPECT_EQ(Count(r, kInk), 2 * 2);
  EXPECT_EQ(PixelAt(r, 1, 7), kInk);
  EXPECT_EQ(PixelAt(r, -1, 7), 0u);
  SetOutlinedMode(r);
  FillBox(r, 3, 0, 4, 4, kInk); // a frame of 12 pixels
  EXPECT_EQ(Count(r, kInk), 4 + 12);
  EXPECT_EQ(PixelAt(r, 4, 1), kFill);
}

// In every direction: both ends drawn, one pixel per step along the longer
// axis, each the nearest to the true line.
TEST(Raster, LinesPickTheNearestPixelPerStep) {
  const int ends[][2] = {{19, 3}, {3, 19}, {0, 0}, {10, 10}, {0, 17}, {19, 10}, {11, 0}};
  for (const auto& a : ends)
    for (const auto& b : ends) {
      Raster r;
      ResizeRaster(r, 20, 20);
      DrawLine(r, a[0], a[1], b[0], b[1], kInk);
      const int dx = b[0] - a[0], dy = b[1] - a[1];
      SCOPED_TRACE(testing::Message() << a[0] << "," << a[1] << " -> " << b[0] << "," << b[1]);
      EXPECT_EQ(PixelAt(r, a[0], a[1]), kInk);
      EXPECT_EQ(PixelAt(r, b[0], b[1]), kInk);
      EXPECT_EQ(Count(r, kInk), std::max(std::abs(dx), std::abs(dy)) + 1);
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
          const double off = std::abs(dx) >= std::abs(dy)
                                 ? y - (a[1] + double(dy) * (x - a[0]) / (dx ? dx : 1))
                                 : x - (a[0] + double(dx) * (y - a[1]) / dy);
          EXPECT_TRUE(PixelAt(r, x, y) != kInk || std::abs(off) <= 0.5) << x << "," << y;
        }
    }

  Raster r; // ends far beyond the raster cost nothing extra
  ResizeRaster(r, 50, 50);
  const auto start = std::chrono::steady_clock::now();
  DrawLine(r, -2000000000, 10, 2000000000, 10, kInk);
  DrawLine(r, 20, 2000000000, 20, -2000000000, kInk);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(Count(r, kInk), 50 + 50 - 1);
}

// The disc holds the pixels within half a pixel of its radius; its outline
// is its own edge and closed, so a fill from inside covers the disc exactly.
TEST(Raster, DiscAndItsOutline) {
  for (int radius : {20, 11}) { // 20 about (20, 20): a round button fills its canvas
    Raster disc, ring;
    ResizeRaster(disc, 41, 41);
    ResizeRaster(ring, 41, 41);
    DrawCircle(disc, 20, 20, radius, kFill);
    SetOutlinedMode(ring);
    DrawCircle(ring, 20, 20, radius, kInk);
    FloodFill(ring, 20, 20, kFill);
    for (int y = 0; y < 41; ++y)
      for (int x = 0; x < 41; ++x) {
        SCOPED_TRACE(testing::Message() << radius << ": " << x << "," << y);
        const double d = std::hypot(x - 20, y - 20);
        const bool in = PixelAt(disc, x, y) == kFill;
        EXPECT_TRUE(d <= radius ? in : d >= radius + 0.5 ? !in : true);
        const bool edge = in && (PixelAt(disc, x - 1, y) == 0 || PixelAt(disc, x + 1, y) == 0 ||
                                 PixelAt(disc, x, y - 1) == 0 || PixelAt(disc, x, y + 1) == 0);
        EXPECT_EQ(PixelAt(ring, x, y), edge ? kInk : in ? kFill : 0u);
      }
  }
}

TEST(Raster, FloodFillIsFourConnected) {
  Raster r;
  ResizeRaster(r, 12, 12);
  DrawLine(r, 0, 9, 9, 0, kInk); // diagonal steps only: no 4-connected way through
  FillBox(r, 1, 1, 2, 2, kFill); // an island of another colour
  FloodFill(r, 0, 0, Rgb(0, 255, 0));
  FloodFill(r, 11, 11, 0); // already the seed's colour: nothing to do
  EXPECT_EQ(PixelAt(r, 8, 0), Rgb(0, 255, 0));
  EXPECT_EQ(PixelAt(r, 1, 1), kFill);
  EXPECT_EQ(PixelAt(r, 9, 1), 0u);

  // A serpentine of a million pixels: deeper than a recursive fill's stack.
  ResizeRaster(r, 1000, 1000);
  for (int x = 2; x < 1000; x += 4)
    FillBox(r, x, x % 8 == 2 ? 0 : 1, 1, 999, kInk);
  FloodFill(r, 0, 0, kFill);
  EXPECT_EQ(Count(r, 0), 0);
}

TEST(Raster, CircularGradientBlendsByDistance) {
  Raster r;
  ResizeRaster(r, 41, 41);
  SetCircularGradient(r, 20, 20, 28, Rgb(255, 255, 255), Rgb(136, 51, 34));
  DrawCircle(r, 20, 20, 20, 0);
  EXPECT_EQ(PixelAt(r, 20, 20), Rgb(255, 255, 255));
  EXPECT_EQ(PixelAt(r, 34, 20), Rgb(195, 153, 144)); // t = 1/2, truncated
  SetCircularGradient(r, 0, 0, 10, Rgb(255, 255, 255), Rgb(136, 51, 34));
  FillBox(r, 0, 0, 41, 41, 0);
  EXPECT_EQ(PixelAt(r, 40, 40), Rgb(136, 51, 34)); // capped beyond the radius
}

// Back colour on the start direction, then clockwise on screen towards the
// front colour, with the seam just counter-clockwise of the start.
TEST(Raster, ConicalGradientTurnsClockwiseFromItsStart) {
  auto grey = [](const Raster& r, int x, int y) {
    return static_cast<int>(PixelAt(r, x, y) & 0xFF);
  };
  for (int c : {30, 90}) { // near the centre and far from it
    SCOPED_TRACE(c);
    Raster r;
    ResizeRaster(r, 2 * c + 1, 2 * c + 1);
    SetConicalGradient(r, c, c, 90, Rgb(136, 136, 136), Rgb(51, 51, 51));
    DrawCircle(r, c, c, c, 0);
    EXPECT_EQ(grey(r, c, 0), 136);     // 12 o'clock
    EXPECT_EQ(grey(r, 2 * c, c), 114); // 3 o'clock, 114.75
    EXPECT_EQ(grey(r, c, 2 * c), 93);  // 6 o'clock, 93.5
    EXPECT_EQ(grey(r, 0, c), 72);      // 9 o'clock, 72.25
    EXPECT_GT(grey(r, c + 1, 0), 130);
    EXPECT_LT(grey(r, c - 1, 0), 56);
  }
  Raster r;
  ResizeRaster(r, 21, 21);
  SetConicalGradient(r, 10, 10, 0, Rgb(136, 136, 136), Rgb(51, 51, 51));
  FillBox(r, 0, 0, 21, 21, 0);
  EXPECT_EQ(grey(r, 20, 10), 136);
  EXPECT_EQ(grey(r, 10, 20), 114);
  EXPECT_LT(grey(r, 20, 9), 56);
}

} // namespace
} // namespace velmora
