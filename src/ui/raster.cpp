// Pixel rules of the raster, chosen so that shapes meet without gaps:
//
// - Pixel (x, y) is the unit square whose centre is the point (x, y).
// - A line sets, at every step along its longer axis, the pixel nearest to
//   the true line (Bresenham's choice; a tie goes away from the start point).
//   Both end pixels belong to the line. Lines are 8-connected, so a 4-connected
//   flood fill never leaks through one.
// - The disc of radius r about (cx, cy) holds every pixel whose centre lies
//   closer than r + 1/2 to (cx, cy): dx^2 + dy^2 <= r^2 + r in whole numbers.
//   It spans 2r + 1 pixels across, so radius 20 about (20, 20) fills a 41 x 41
//   canvas exactly.
// - The outline of that disc is its rim: the disc pixels that have a
//   4-neighbour outside the disc. It is a closed 8-connected ring and lies
//   exactly on the outermost pixels of the filled disc of the same radius.
// - Gradients take the colour at the pixel centre; each channel is truncated.
#include "ui/raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace velmora {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

// atan2 of whole-pixel offsets up to this far from a conical gradient's centre
// is looked up instead of computed: a knob paint needs about ten thousand of
// them, and the table gives the very same values, so the picture is unchanged.
constexpr int kAngleTableReach = 64;
constexpr int kAngleTableSide = 2 * kAngleTableReach + 1;

const double* AngleTable() {
  static const std::vector<double> table = [] {
    std::vector<double> t(kAngleTableSide * kAngleTableSide);
    for (int dy = -kAngleTableReach; dy <= kAngleTableReach; ++dy)
      for (int dx = -kAngleTableReach; dx <= kAngleTableReach; ++dx)
        t[(dy + kAngleTableReach) * kAngleTableSide + dx + kAngleTableReach] =
            std::atan2(static_cast<double>(dy), static_cast<double>(dx));
    return t;
  }();
  return table.data();
}

// The raster's current gradient, prepared once per shape.
struct GradientSetup {
  const Raster* R;
  double Start[3], End[3]; // red, green, blue of the two end colours
  double StartRadians;     // conical
  bool WholeCentre;        // the centre lies on a pixel centre: offsets are integers
  long long CentreX, CentreY;
};

GradientSetup PrepareGradient(const Raster& r) {
  GradientSetup g{};
  g.R = &r;
  for (int i = 0; i < 3; ++i) {
    g.Start[i] = static_cast<double>((r.GradientStart >> (8 * i)) & 0xFF);
    g.End[i] = static_cast<double>((r.GradientEnd >> (8 * i)) & 0xFF);
  }
  g.StartRadians = r.GradientStartAngle * kRadiansPerDegree;
  g.WholeCentre = r.GradientX == std::floor(r.GradientX) &&
                  r.GradientY == std::floor(r.GradientY) && std::abs(r.GradientX) < 1e9 &&
                  std::abs(r.GradientY) < 1e9;
  if (g.WholeCentre) {
    g.CentreX = static_cast<long long>(r.GradientX);
    g.CentreY = static_cast<long long>(r.GradientY);
  }
  return g;
}

// start * (1 - t) + end * t per channel, each channel truncated. For t in
// 0..1 every channel stays within 0..255, so no clamping is needed.
Colour Blend(const GradientSetup& g, double t) {
  const double s = 1.0 - t;
  Colour out = 0;
  for (int i = 0; i < 3; ++i)
    out |= static_cast<Colour>(static_cast<int>(g.Start[i] * s + g.End[i] * t)) << (8 * i);
  return out;
}

Colour CircularColour(const GradientSetup& g, int x, int y) {
  const Raster& r = *g.R;
  const double d = std::hypot(x - r.GradientX, y - r.GradientY);
  // A radius of 0 or less puts every pixel at or beyond the edge.
  double t = r.GradientRadius > 0 ? d / r.GradientRadius : 1.0;
  if (!(t <= 1.0)) // also NaN, from a gradient set up with NaN
    t = 1.0;
  return Blend(g, t);
}

// p = 0 on the start direction, growing clockwise on screen (y downward) to
// just below 1 back at the start direction: a hard seam there.
Colour ConicalColour(const GradientSetup& g, double angle) {
  const double turns = (angle + g.StartRadians) / kTwoPi;
  double p = turns - std::floor(turns);
  if (!(p < 1.0)) // a tiny negative turns rounds up to exactly 1; or NaN
    p = 0.0;
  return Blend(g, p);
}

// Pixels x0..x1 (on the raster) of row y in the gradient's colours.
void PaintGradientSpan(const GradientSetup& g, Colour* row, int x0, int x1, int y) {
  const Raster& r = *g.R;
  if (r.Gradient == GradientKind::Circular) {
    for (int x = x0; x <= x1; ++x)
      row[x] = CircularColour(g, x, y);
    return;
  }
  const long long dy = y - g.CentreY;
  const bool rowInTable = g.WholeCentre && dy >= -kAngleTableReach && dy <= kAngleTableReach;
  const double* tableRow =
      rowInTable ? AngleTable() + (dy + kAngleTableReach) * kAngleTableSide : nullptr;
  for (int x = x0; x <= x1; ++x) {
    const long long dx = x - g.CentreX;
    const bool inTable = rowInTable && dx >= -kAngleTableReach && dx <= kAngleTableReach;
    const double angle =
        inTable ? tableRow[dx + kAngleTableReach] : std::atan2(y - r.GradientY, x - r.GradientX);
    row[x] = ConicalColour(g, angle);
  }
}

// Sets the pixels x0..x1 of row y, clipped to the raster, to c or, given a
// gradient, to the gradient's colours.
void FillClippedSpan(Raster& r, long long x0, long long x1, long long y, Colour c,
                     const GradientSetup* gradient) {
  if (y < 0 || y >= r.Height)
    return;
  x0 = std::max<long long>(x0, 0);
  x1 = std::min<long long>(x1, r.Width - 1);
  if (x0 > x1)
    return;
  Colour* row = r.Pixels.data() + static_cast<size_t>(y) * r.Width;
  if (gradient != nullptr)
    PaintGradientSpan(*gradient, row, static_cast<int>(x0), static_cast<int>(x1),
                      static_cast<int>(y));
  else
    std::fill(row + x0, row + x1 + 1, c);
}

// Half width of the disc of radius r on the row dy away from its centre:
// the largest h with h^2 + dy^2 <= r^2 + r, or -1 when the row misses it.
long long DiscHalfWidth(long long radius, long long dy) {
  const long long room = radius * radius + radius - dy * dy;
  if (room < 0)
    return -1;
  auto h = static_cast<long long>(std::sqrt(static_cast<double>(room)));
  while (h * h > room)
    --h;
  while ((h + 1) * (h + 1) <= room)
    ++h;
  return h;
}

} // namespace

void ResizeRaster(Raster& r, int width, int height, Colour fill) {
  r.Width = std::max(width, 0);
  r.Height = std::max(height, 0);
  r.Pixels.assign(static_cast<size_t>(r.Width) * r.Height, fill);
}

Colour PixelAt(const Raster& r, int x, int y) {
  if (x < 0 || y < 0 || x >= r.Width || y >= r.Height)
    return 0;
  return r.Pixels[static_cast<size_t>(y) * r.Width + x];
}

// In Outlined mode only the box's border; in Gradient mode every pixel takes
// the gradient's colour.
void FillBox(Raster& r, int x, int y, int width, int height, Colour c) {
  if (width <= 0 || height <= 0)
    return;
  const long long x0 = x, y0 = y;
  const long long x1 = x0 + width - 1, y1 = y0 + height - 1;
  std::optional<GradientSetup> setup;
  if (r.Mode == DrawMode::Gradient)
    setup = PrepareGradient(r);
  const GradientSetup* gradient = setup ? &*setup : nullptr;
  const long long top = std::max<long long>(y0, 0);
  const long long bottom = std::min<long long>(y1, r.Height - 1);
  for (long long row = top; row <= bottom; ++row) {
    if (r.Mode == DrawMode::Outlined && row != y0 && row != y1) {
      FillClippedSpan(r, x0, x0, row, c, nullptr);
      FillClippedSpan(r, x1, x1, row, c, nullptr);
    } else {
      FillClippedSpan(r, x0, x1, row, c, gradient);
    }
  }
}

// Lines are drawn in their own colour whatever the mode. The pixel of step i
// along the longer axis is computed directly rather than by accumulating an
// error term, so that the steps outside the raster can be skipped: a line
// that reaches far beyond the canvas costs no more than one that stays on it.
void DrawLine(Raster& r, int x1, int y1, int x2, int y2, Colour c) {
  const long long dx = static_cast<long long>(x2) - x1;
  const long long dy = static_cast<long long>(y2) - y1;
  const long long adx = std::llabs(dx), ady = std::llabs(dy);
  const bool alongX = adx >= ady;
  const long long steps = alongX ? adx : ady;
  const long long rise = alongX ? ady : adx;
  const long long start = alongX ? x1 : y1;  // major axis
  const long long across = alongX ? y1 : x1; // minor axis
  const int majorDir = (alongX ? dx : dy) < 0 ? -1 : 1;
  const int minorDir = (alongX ? dy : dx) < 0 ? -1 : 1;
  const long long majorSize = alongX ? r.Width : r.Height;

  // Steps whose major coordinate lies on the raster.
  long long first = 0, last = steps;
  if (majorDir > 0) {
    first = std::max(first, -start);
    last = std::min(last, majorSize - 1 - start);
  } else {
    first = std::max(first, start - (majorSize - 1));
    last = std::min(last, start);
  }
  for (long long i = first; i <= last; ++i) {
    // Nearest minor offset to i * rise / steps, halves rounded up; in 128
    // bits when i * rise can pass 2^63, for ends far outside the raster.
    long long offset = 0; // a one-pixel line has no rise
    if (steps == 0)
      offset = 0;
    else if (steps < (1LL << 30))
      offset = (2 * i * rise + steps) / (2 * steps);
    else
      offset = static_cast<long long>((__int128{2} * i * rise + steps) / (2 * steps));
    const long long major = start + majorDir * i;
    const long long minor = across + minorDir * offset;
    const long long px = alongX ? major : minor;
    const long long py = alongX ? minor : major;
    if (px >= 0 && py >= 0 && px < r.Width && py < r.Height)
      r.Pixels[static_cast<size_t>(py) * r.Width + static_cast<size_t>(px)] = c;
  }
}

void DrawCircle(Raster& r, int cx, int cy, int radius, Colour c) {
  if (radius < 0)
    return;
  const long long rad = radius;
  const long long top = std::max<long long>(static_cast<long long>(cy) - rad, 0);
  const long long bottom = std::min<long long>(static_cast<long long>(cy) + rad, r.Height - 1);
  std::optional<GradientSetup> setup;
  if (r.Mode == DrawMode::Gradient)
    setup = PrepareGradient(r);
  const GradientSetup* gradient = setup ? &*setup : nullptr;
  for (long long y = top; y <= bottom; ++y) {
    const long long dy = y - cy;
    const long long h = DiscHalfWidth(rad, dy);
    if (h < 0)
      continue;
    if (r.Mode != DrawMode::Outlined) {
      FillClippedSpan(r, cx - h, cx + h, y, c, gradient);
      continue;
    }
    // Inner pixels of the row: their left, right, upper and lower neighbours
    // all lie in the disc. The rest of the row is rim.
    const long long inner =
        std::min({h - 1, DiscHalfWidth(rad, dy - 1), DiscHalfWidth(rad, dy + 1)});
    if (inner < 0) {
      FillClippedSpan(r, cx - h, cx + h, y, c, nullptr);
    } else {
      FillClippedSpan(r, cx - h, cx - inner - 1, y, c, nullptr);
      FillClippedSpan(r, cx + inner + 1, cx + h, y, c, nullptr);
    }
  }
}

// Scanline fill: each run of the seed colour is filled whole, and one seed
// per run of the seed colour directly above and below it goes on the stack.
// The stack is kept between calls, so a repaint allocates nothing.
void FloodFill(Raster& r, int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= r.Width || y >= r.Height)
    return;
  const Colour target = PixelAt(r, x, y);
  if (target == c)
    return;
  struct Seed {
    int X, Y;
  };
  thread_local std::vector<Seed> stack;
  stack.clear();
  stack.push_back({x, y});
  auto at = [&r](int px, int py) -> Colour& {
    return r.Pixels[static_cast<size_t>(py) * r.Width + px];
  };
  while (!stack.empty()) {
    const Seed s = stack.back();
    stack.pop_back();
    if (at(s.X, s.Y) != target)
      continue;
    int left = s.X, right = s.X;
    while (left > 0 && at(left - 1, s.Y) == target)
      --left;
    while (right < r.Width - 1 && at(right + 1, s.Y) == target)
      ++right;
    std::fill(&at(left, s.Y), &at(right, s.Y) + 1, c);
    for (int ny : {s.Y - 1, s.Y + 1}) {
      if (ny < 0 || ny >= r.Height)
        continue;
      bool inRun = false;
      for (int nx = left; nx <= right; ++nx) {
        const bool match = at(nx, ny) == target;
        if (match && !inRun)
          stack.push_back({nx, ny});
        inRun = match;
      }
    }
  }
}

void SetPlainMode(Raster& r) { r.Mode = DrawMode::Plain; }

void SetOutlinedMode(Raster& r) { r.Mode = DrawMode::Outlined; }

void SetCircularGradient(Raster& r, double cx, double cy, double radius, Colour centre,
                         Colour edge) {
  r.Mode = DrawMode::Gradient;
  r.Gradient = GradientKind::Circular;
  r.GradientX = cx;
  r.GradientY = cy;
  r.GradientRadius = radius;
  r.GradientStart = centre;
  r.GradientEnd = edge;
}

void SetConicalGradient(Raster& r, double cx, double cy, double startAngleDegrees, Colour back,
                        Colour front) {
  r.Mode = DrawMode::Gradient;
  r.Gradient = GradientKind::Conical;
  r.GradientX = cx;
  r.GradientY = cy;
  r.GradientStartAngle = startAngleDegrees;
  r.GradientStart = back;
  r.GradientEnd = front;
}

} // namespace velmora
