// Cost of the stream callback per sample, for a held note in three patches.
// Reports ns per sample and the real-time factor (44100 samples per second of
// audio divided by samples rendered per second of CPU).
#include "core/state.h"
#include "engine/engine.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using velmora::Synth;

// held: the note is held for ever (sustain after its first second);
// otherwise every note lasts two seconds and is released for half a second.
void Play(benchmark::State& state, int mode, double mix, int sync, bool held) {
  velmora::InitSynthState();
  Synth.MixMode = mode;
  Synth.MixAmount = mix;
  Synth.Sync = sync;
  Synth.Osc2Pitch = sync ? 1900 : 1200;
  Synth.NoteFrequency = 440.0 * std::pow(2.0, (57 - 69) / 12.0);
  Synth.Gate = 1;
  std::vector<float> buffer(512);
  // Cycle through a whole note: fade-out, attack, two seconds of decay and
  // sustain, release, then the next note.
  long frame = 0;
  std::vector<float> warmup(44100 * 2);
  if (held)
    velmora::RenderAudio(nullptr, warmup.data(), warmup.size(), nullptr, 0, nullptr);
  for (auto _ : state) {
    if (held) {
    } else if (frame == 44100 * 2) {
      Synth.Gate = 0;
      Synth.NoteStarted = 0;
      Synth.AttackStarted = 0;
    } else if (frame >= 44100 * 2 + 22050) {
      Synth.Gate = 1;
      frame = 0;
    }
    velmora::RenderAudio(nullptr, buffer.data(), buffer.size(), nullptr, 0, nullptr);
    benchmark::DoNotOptimize(buffer.data());
    frame += static_cast<long>(buffer.size());
  }
  const double samples = static_cast<double>(state.iterations()) * buffer.size();
  state.SetItemsProcessed(static_cast<int64_t>(samples));
  state.counters["ns_per_sample"] =
      benchmark::Counter(samples * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_x"] = benchmark::Counter(samples / 44100.0, benchmark::Counter::kIsRate);
}

void DefaultPatchNotes(benchmark::State& s) { Play(s, 1, 50, 0, false); }
void FmNotes(benchmark::State& s) { Play(s, 2, 50, 0, false); }
void AmMix100SyncNotes(benchmark::State& s) { Play(s, 3, 100, 1, false); }
void DefaultPatchHeld(benchmark::State& s) { Play(s, 1, 50, 0, true); }
void FmHeld(benchmark::State& s) { Play(s, 2, 50, 0, true); }
void AmMix100SyncHeld(benchmark::State& s) { Play(s, 3, 100, 1, true); }

BENCHMARK(DefaultPatchNotes)->MinTime(2.0);
BENCHMARK(FmNotes)->MinTime(2.0);
BENCHMARK(AmMix100SyncNotes)->MinTime(2.0);
BENCHMARK(DefaultPatchHeld)->MinTime(2.0);
BENCHMARK(FmHeld)->MinTime(2.0);
BENCHMARK(AmMix100SyncHeld)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
