// Cost of one knob repaint. While a knob is dragged it is repainted on every
// pass of the event loop, so this bounds how quickly the knob follows the
// mouse.
#include "ui/knob.h"
#include "ui/raster.h"

#include <benchmark/benchmark.h>

namespace {

using namespace velmora;

Knob MakeKnob(int min, int max, float angle) {
  Knob k{};
  k.Size = 80;
  k.Min = min;
  k.Max = max;
  k.Angle = angle;
  k.Value = MapToRange(angle, 0, 360, static_cast<float>(min), static_cast<float>(max));
  k.CentreX = k.CentreY = 40;
  k.LightColour = Rgb(191, 191, 191);
  k.DarkColour = Rgb(69, 69, 69);
  k.BackgroundColour = Rgb(85, 0, 0);
  return k;
}

// The Release knob with no sector, at its start angle (215 degrees) and
// nearly a full turn, the largest sector fill.
void BM_PaintKnob(benchmark::State& state) {
  Raster raster;
  ResizeRaster(raster, 80, 80);
  const Knob knob = MakeKnob(1, 100, static_cast<float>(state.range(0)));
  for (auto _ : state) {
    PaintKnob(raster, knob, 6);
    benchmark::DoNotOptimize(raster.Pixels.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PaintKnob)->Arg(0)->Arg(215)->Arg(359)->Unit(benchmark::kMicrosecond);

// A drag turns the knob a little on every pass.
void BM_PaintKnobWhileTurning(benchmark::State& state) {
  Raster raster;
  ResizeRaster(raster, 80, 80);
  Knob knob = MakeKnob(0, 2400, 0.0f);
  float angle = 0.0f;
  for (auto _ : state) {
    angle = angle >= 359.0f ? 0.0f : angle + 1.0f;
    knob.Angle = angle;
    knob.Value = MapToRange(angle, 0, 360, 0.0f, 2400.0f);
    PaintKnob(raster, knob, 0);
    benchmark::DoNotOptimize(raster.Pixels.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PaintKnobWhileTurning)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
