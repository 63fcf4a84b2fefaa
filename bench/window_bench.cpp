// Cost of a repaint as the user sees it: painting into the raster and
// putting it on the window, flushed to the X server. Needs a display
// (run under Xvfb: xvfb-run ./window_bench).
#include "ui/window.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

velmora::EngineState Engine;
velmora::EngineSink Sink(Engine);
velmora::Window SynthWindow(Sink);

void Flush() {
  Fl::flush();
  XSync(fl_display, False); // the blit has reached the server
}

void KnobRepaintAndBlit(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    velmora::Knob& k = SynthWindow.Knobs[3];
    k.Angle = static_cast<float>(i++ % 360);
    k.Value = velmora::KnobValueAt(velmora::kKnobControls[3], k.Angle);
    velmora::DrawKnob(*SynthWindow.Toolkit, k, 3);
    Flush();
  }
}

void WarpRepaintAndBlit(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    SynthWindow.Warp[0].Points[2].X = i++ % 200;
    velmora::DrawWarpCanvas(*SynthWindow.Toolkit, SynthWindow.Warp[0]);
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
  velmora::InitEngineDefaults(Engine);
  velmora::BuildWindow(SynthWindow);
  velmora::tk::ShowWindow(*SynthWindow.Toolkit);
  Flush();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
