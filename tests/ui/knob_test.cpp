#include "ui/knob.h"

#include "support/fake_toolkit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora {
namespace {

constexpr Colour kGreen = Rgb(0, 255, 0);
constexpr Colour kTrack = Rgb(18, 18, 18);
constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr double kRad = std::numbers::pi / 180;

int Grey(Colour c) { return static_cast<int>(c & 0xFF); }

TEST(KnobMath, MapToRangeRoundsHalvesToEvenAndClamps) {
  EXPECT_EQ(MapToRange(40, 0, 360, 1, 100), 12);
  EXPECT_EQ(MapToRange(70, 0, 360, 1, 100), 20);  // 20.25
  EXPECT_EQ(MapToRange(215, 0, 360, 1, 100), 60); // 60.125
  EXPECT_EQ(MapToRange(0, 0, 360, 1, 100), 1);
  EXPECT_EQ(MapToRange(360, 0, 360, 1, 100), 100);
  EXPECT_EQ(MapToRange(360.5f, 0, 360, 0, 2400), 2400);
  EXPECT_EQ(MapToRange(-3, 0, 360, 1, 100), 1);
  EXPECT_EQ(MapToRange(1, 0, 8, 0, 4), 0); // 0.5
  EXPECT_EQ(MapToRange(3, 0, 8, 0, 4), 2); // 1.5
  EXPECT_EQ(MapToRange(5, 0, 8, 0, 4), 2); // 2.5
}

TEST(KnobMath, WrapAndDirections) {
  EXPECT_EQ(WrapIntoRange(-90, 0, 360), 270.0f);
  EXPECT_EQ(WrapIntoRange(-0.5f, 0, 360), 359.5f);
  EXPECT_EQ(WrapIntoRange(200, 0, 360), 200.0f);
  EXPECT_EQ(WrapIntoRange(400, 0, 360), 40.0f);
  EXPECT_FLOAT_EQ(AngleBetween(0, 0, 10, 0), 0.0f);
  EXPECT_FLOAT_EQ(AngleBetween(0, 0, 0, 10), 90.0f); // y grows downward
  EXPECT_FLOAT_EQ(AngleBetween(0, 0, -10, 0), 180.0f);
  EXPECT_FLOAT_EQ(AngleBetween(0, 0, 0, -10), 270.0f);
  EXPECT_FLOAT_EQ(AngleBetween(2.5f, 2.5f, -7, 12), 135.0f);
  const PointF p = PointOnCircle(40, 40, -90, 32.76f);
  EXPECT_NEAR(p.X, 40, 1e-5);
  EXPECT_NEAR(p.Y, 7.24, 1e-5);
}

TEST(KnobGeometry, ArcIsTheSameEitherWay) {
  Raster a, b, one;
  ResizeRaster(a, 80, 80);
  ResizeRaster(b, 80, 80);
  DrawArc(a, 40, 40, -90, 125, 33, kGreen);
  DrawArc(b, 40, 40, 125, -90, 33, kGreen);
  EXPECT_EQ(a.Pixels, b.Pixels);
  EXPECT_EQ(PixelAt(a, 73, 40), kGreen); // through 3 o'clock, not 9
  EXPECT_EQ(PixelAt(a, 7, 40), 0u);
  ResizeRaster(one, 10, 10);
  DrawArc(one, 4, 4, 30, 30, 3, kGreen); // an empty arc is its first box
  EXPECT_EQ(std::count(one.Pixels.begin(), one.Pixels.end(), kGreen), 4);
}

TEST(KnobGeometry, SectorFillStaysInsideItsOutline) {
  struct {
    int t1, t2;
    double in, out; // screen angles
  } cases[] = {{-90, -50, -70, -30}, {0, 90, 45, 135}, {-90, 125, 60, 160}, {270, 90, 180, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.t1 << ".." << c.t2);
    Raster r;
    ResizeRaster(r, 80, 80, kTrack);
    DrawSector(r, 40, 40, c.t1, c.t2, 33, kGreen);
    auto at = [&r](double t, double d) {
      return PixelAt(r, static_cast<int>(std::lround(40 + d * std::cos(t * kRad))),
                     static_cast<int>(std::lround(40 + d * std::sin(t * kRad))));
    };
    EXPECT_EQ(at(c.in, 20), kGreen);
    EXPECT_EQ(at(c.out, 20), kTrack);
    EXPECT_EQ(at(c.in, 37), kTrack); // beyond the arc
  }
}

class Knobs : public testing::Test {
protected:
  void SetUp() override {
    fake::Reset();
    test::ResetSynth();
    CreateKnobs(kLastKnob);
  }
  static const Raster& Picture(int i) { return fake::ControlById(Synth.Knobs[i].Canvas).Picture; }
  // Pixel at a knob angle (clockwise from 12 o'clock) and radius.
  static Colour At(int i, double angle, double radius) {
    return PixelAt(Picture(i), static_cast<int>(std::lround(40 + radius * std::sin(angle * kRad))),
                   static_cast<int>(std::lround(40 - radius * std::cos(angle * kRad))));
  }
  static int Greens(int i) {
    return static_cast<int>(std::count(Picture(i).Pixels.begin(), Picture(i).Pixels.end(), kGreen));
  }
  static void Turn(int i, float angle) {
    Knob& k = Synth.Knobs[i];
    k.Angle = angle;
    k.Value = MapToRange(angle, 0, 360, static_cast<float>(k.Min), static_cast<float>(k.Max));
    DrawKnob(i);
  }
  // The value track (radius 29 to 33) is green at `on` and dark at `off`.
  static void ExpectSector(int i, std::initializer_list<double> on,
                           std::initializer_list<double> off) {
    for (double a : on)
      EXPECT_EQ(At(i, a, 31), kGreen) << "knob " << i << " at " << a;
    for (double a : off)
      EXPECT_EQ(At(i, a, 31), kTrack) << "knob " << i << " at " << a;
  }
};

TEST_F(Knobs, StartLooks) {
  EXPECT_EQ(Greens(0) + Greens(1), 0);
  ExpectSector(2, {10, 90, 170}, {190, 270, 350});
  ExpectSector(5, {10, 90, 170}, {190, 270, 350});
  ExpectSector(3, {10, 30}, {50, 180, 300});
  ExpectSector(4, {10, 60}, {80, 180});
  ExpectSector(6, {10, 200}, {225, 300});

  // Knob 3 in detail. Outer ring: light right of the seam at 12 o'clock,
  // dark left of it, (136 * 3 + 51) / 4 truncated at 3 o'clock.
  const Raster& p = Picture(3);
  EXPECT_GT(Grey(PixelAt(p, 41, 2)), 130);
  EXPECT_LT(Grey(PixelAt(p, 39, 2)), 56);
  EXPECT_EQ(PixelAt(p, 78, 40), Rgb(114, 114, 114));
  for (auto [x, y] : {std::pair{75, 40}, {65, 65}, {40, 75}, {15, 65}, {5, 40}, {15, 15}, {65, 15}})
    EXPECT_EQ(PixelAt(p, x, y), Rgb(170, 170, 170)) << "scale mark at " << x << "," << y;
  EXPECT_NE(At(3, 67.5, 35), Rgb(170, 170, 170));
  EXPECT_EQ(PixelAt(p, 40, 5), kBlack); // zero mark
  EXPECT_EQ(PixelAt(p, 0, 0), Synth.PanelColour);
  EXPECT_EQ(PixelAt(p, 69, 40), Rgb(103, 103, 103)); // cap outline
  // The pointer (40 degrees, radius 31) shows between cap and track; the
  // cap's face is light just clockwise of it, its rim the other way round.
  int pointer = 0;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      pointer += PixelAt(p, 60 + dx, 16 + dy) == kBlack;
  EXPECT_GT(pointer, 0);
  EXPECT_GT(Grey(At(3, 45, 20)), 180);
  EXPECT_LT(Grey(At(3, 35, 20)), 80);
  EXPECT_LT(Grey(At(3, 45, 28)), 80);
  EXPECT_GT(Grey(At(3, 35, 28)), 180);
}

TEST_F(Knobs, SectorFollowsTheValue) {
  Turn(0, 179.85f); // pitch knobs take the shorter way from 12 o'clock
  ASSERT_EQ(Synth.Knobs[0].Value, 1199);
  ExpectSector(0, {10, 90, 170}, {190, 270, 350});
  Turn(0, 180);
  ASSERT_EQ(Synth.Knobs[0].Value, 1200);
  ExpectSector(0, {190, 270, 350}, {10, 90, 170});
  Turn(0, 270);
  ExpectSector(0, {280, 350}, {260, 90});
  Turn(0, 359.95f); // 2400: a sector of no width, only a spoke at 12 o'clock
  ASSERT_EQ(Synth.Knobs[0].Value, 2400);
  ExpectSector(0, {}, {5, 90, 180, 270, 355});
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 80; ++x)
      EXPECT_TRUE(PixelAt(Picture(0), x, y) != kGreen || (std::abs(x - 40) <= 1 && y <= 10));

  Turn(5, 0.5f); // Value 0, the minimum
  Turn(3, 1.8f); // 1.495 rounds to the minimum 1
  ASSERT_EQ(Synth.Knobs[3].Value, 1);
  EXPECT_EQ(Greens(5) + Greens(3), 0);
}

TEST_F(Knobs, RecordsCanvasesAndLabels) {
  const char* texts[] = {"0", "0", "Mix", "12", "20", "50", "60"};
  const float angles[] = {0, 0, 180, 40, 70, 180, 215};
  for (int i = 0; i <= kLastKnob; ++i) {
    SCOPED_TRACE(i);
    const Knob& k = Synth.Knobs[i];
    EXPECT_EQ(k.Angle, angles[i]);
    EXPECT_EQ(k.Value, MapToRange(k.Angle, 0, 360, k.Min, k.Max));
    const fake::Control& canvas = fake::ControlById(k.Canvas);
    EXPECT_TRUE(canvas.Width == 80 && canvas.Focusable && !canvas.Sunken && canvas.Draws == 1);
    const fake::Control& label = fake::ControlById(k.ValueLabel);
    EXPECT_EQ(label.Text, texts[i]);
    EXPECT_TRUE(label.X == canvas.X + 40 && label.Y == canvas.Y - 35);
    EXPECT_EQ(label.TextColour, Rgb(255, 255, 255));
    EXPECT_EQ(label.Background, Synth.PanelColour);
    EXPECT_EQ(label.Font, i == 2 ? 1 : 0);
  }
  EXPECT_EQ(fake::ControlById(Synth.Knobs[3].ValueLabel).X, 280);
}

// A repaint covers whatever the canvas held, in whatever mode it was left;
// a canvas that cannot be drawn on keeps its picture.
TEST_F(Knobs, RepaintCoversTheCanvasOrNothing) {
  Raster r;
  ResizeRaster(r, 80, 80, Rgb(255, 255, 255));
  SetOutlinedMode(r);
  PaintKnob(r, Synth.Knobs[3], 3);
  EXPECT_EQ(r.Pixels, Picture(3).Pixels);

  fake::Control& canvas = fake::ControlById(Synth.Knobs[4].Canvas);
  const std::vector<Colour> before = canvas.Picture.Pixels;
  canvas.DrawingFails = true;
  Turn(4, 300);
  EXPECT_EQ(canvas.Picture.Pixels, before);
  EXPECT_EQ(canvas.Draws, 1);
}

TEST_F(Knobs, OnlyApplyingWritesAParameter) {
  std::atomic<double>* params[] = {&Synth.Osc1Pitch, &Synth.Osc2Pitch, &Synth.MixAmount,
                                   &Synth.Attack,    &Synth.Decay,     &Synth.Sustain,
                                   &Synth.Release};
  for (auto* p : params)
    *p = -7;
  CreateKnobs(kLastKnob);
  for (int i = 0; i <= kLastKnob; ++i)
    DrawKnob(i);
  for (auto* p : params)
    EXPECT_EQ(p->load(), -7);

  const int values[] = {1800, 2400, 3, 3, 3, 3, 3};
  const double expected[] = {600, 1200, 3, 60, 150, 3, 150};
  for (int i = 0; i <= kLastKnob; ++i) {
    Synth.Knobs[i].Value = values[i];
    ApplyKnobParameter(i);
    EXPECT_EQ(params[i]->load(), expected[i]) << i;
  }
  EXPECT_EQ(KnobLabelText(0), "-600");
  EXPECT_EQ(KnobLabelText(1), "0");
  EXPECT_EQ(KnobLabelText(2), "Mix");
  EXPECT_EQ(KnobLabelText(6), "3");
  Synth.Knobs[1].Value = 1200;
  EXPECT_EQ(KnobLabelText(1), "1200");
}

} // namespace
} // namespace velmora
