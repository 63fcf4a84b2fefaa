// Cost of the engine per sample on the default patch and two others. Reports
// ns per sample and the real-time factor (44100 samples per second of audio
// divided by samples rendered per second of CPU).
#include "core/controls.h"
#include "engine/engine.h"

#include <benchmark/benchmark.h>

#include <cmath>

#include <memory>
#include <vector>

namespace {

using namespace velmora;

// held: one note held for ever (measured in sustain, after its first two
// seconds); otherwise a note of two seconds after another, notes 50..79,
// each note-off followed at once by the next note-on.
void Play(benchmark::State& state, int mode, double mix, int sync, bool held) {
  auto voice = std::make_unique<EngineState>();
  EngineState& s = *voice;
  InitEngineDefaults(s);
  s.MixMode = mode;
  s.MixAmount = mix;
  s.Sync = sync;
  s.Osc2Pitch = sync ? 1900 : 1200;
  // The note state as the MIDI handler leaves it.
  auto noteOn = [&s](int note) {
    s.NoteFrequency = 440.0 * std::pow(2.0, (note - 69) / 12.0);
    s.Gate = 1;
  };
  auto noteOff = [&s] {
    s.Gate = 0;
    s.NoteStarted = s.AttackStarted = 0;
    s.PreviousFrequency = s.NoteFrequency.load();
  };
  std::vector<float> buffer(512);
  noteOn(57);
  if (held) {
    std::vector<float> warmup(44100 * 2);
    RenderBlock(s, warmup.data(), warmup.size());
  }
  long frame = 0;
  int note = 50;
  for (auto _ : state) {
    if (!held && frame >= 44100 * 2) {
      noteOff();
      noteOn(note = note == 79 ? 50 : note + 1);
      frame = 0;
    }
    RenderBlock(s, buffer.data(), buffer.size());
    benchmark::DoNotOptimize(buffer.data());
    frame += static_cast<long>(buffer.size());
  }
  const double samples = static_cast<double>(state.iterations()) * buffer.size();
  state.SetItemsProcessed(static_cast<int64_t>(samples));
  state.counters["ns_per_sample"] =
      benchmark::Counter(samples * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_x"] = benchmark::Counter(samples / 44100.0, benchmark::Counter::kIsRate);
}

void HeldDefaultNote(benchmark::State& s) { Play(s, 1, 50, 0, true); }
void DefaultNotesOfTwoSeconds(benchmark::State& s) { Play(s, 1, 50, 0, false); }
void FmHeld(benchmark::State& s) { Play(s, 2, 50, 0, true); }
void AmMix100SyncNotes(benchmark::State& s) { Play(s, 3, 100, 1, false); }

BENCHMARK(HeldDefaultNote)->MinTime(2.0);
BENCHMARK(DefaultNotesOfTwoSeconds)->MinTime(2.0);
BENCHMARK(FmHeld)->MinTime(2.0);
BENCHMARK(AmMix100SyncNotes)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
