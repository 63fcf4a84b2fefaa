// Cost of a repaint as the user sees it: painting into the raster and
// putting it on the window, flushed to the X server. Needs a display
// (run under Xvfb: xvfb-run ./window_bench).
#include "core/state.h"
#include "ui/knob.h"
#include "ui/warpeditor.h"
#include "ui/window.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Flush() {
  Fl::flush();
  XSync(fl_display, False); // the blit has reached the server
}

void KnobRepaintAndBlit(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    velmora::Knob& k = velmora::Synth.Knobs[3];
    k.Angle = static_cast<float>(i++ % 360);
    k.Value =
        velmora::MapToRange(k.Angle, 0, 360, static_cast<float>(k.Min), static_cast<float>(k.Max));
    velmora::DrawKnob(3);
    Flush();
  }
}

void WarpRepaintAndBlit(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    velmora::Synth.Osc1Point3X = i++ % 200;
    velmora::DrawWarpCanvas(1);
    Flush();
  }
}

BENCHMARK(KnobRepaintAndBlit)->Unit(benchmark::kMicrosecond);
BENCHMARK(WarpRepaintAndBlit)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
  if (!std::getenv("DISPLAY")) {
    std::fprintf(stderr, "window_bench: needs a display (xvfb-run)\n");
    return 1;
  }
  velmora::InitSynthState();
  velmora::BuildWindow();
  Flush();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
