// velmora-render's whole path for a dense one-minute MIDI file: reading it
// with libsmf, rendering it through the engine with every message through the
// MIDI handler, and writing the WAV file. Reports seconds of audio rendered
// per second of CPU (audio_s_per_cpu_s), counting the process that reads the
// file; the aim is at least 1000.
#include "render/bounce.h"
#include "render/midifile.h"
#include "render/options.h"
#include "render/wavfile.h"

#include "engine/engine.h"

// glib first: smf.h includes it inside extern "C", where its C++ parts fail.
#include <glib.h>
#include <smf.h>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace velmora;

constexpr int kPpqn = 480;

// CPU of this process and of the children it has waited for: the file is read
// in a child process, whose time the benchmark's own CPU clock leaves out.
double CpuSeconds() {
  double total = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    getrusage(who, &usage);
    for (const timeval& t : {usage.ru_utime, usage.ru_stime})
      total += static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  }
  return total;
}

void Add(smf_track_t* track, int pulses, int a, int b, int c) {
  smf_track_add_event_pulses(track, smf_event_new_from_bytes(a, b, c), pulses);
}

// One minute at 120 beats a minute, tempo moving by a little every bar:
// sixteenth notes on channel 1, each held into the next (legato) except at
// the end of every beat, where the note stops and the next one starts the
// envelope again; a volume sweep on channel 1 every 10 ms; a bass line and
// drums on channels 2 and 10. About 7800 messages.
std::string WriteDenseMinute(const std::string& dir) {
  smf_t* smf = smf_new();
  if (smf_set_ppqn(smf, kPpqn) != 0)
    std::abort();
  smf_track_t* tempo = smf_track_new();
  smf_track_t* lead = smf_track_new();
  smf_track_t* band = smf_track_new();
  smf_add_track(smf, tempo);
  smf_add_track(smf, lead);
  smf_add_track(smf, band);
  const int beats = 120;
  for (int bar = 0; bar < beats / 4; ++bar) {
    const int us = bar % 2 == 0 ? 500000 : 490000;
    unsigned char meta[] = {0xFF,
                            0x51,
                            0x03,
                            static_cast<unsigned char>(us >> 16),
                            static_cast<unsigned char>(us >> 8),
                            static_cast<unsigned char>(us)};
    smf_track_add_event_pulses(tempo, smf_event_new_from_pointer(meta, 6), bar * 4 * kPpqn);
  }
  const int scale[] = {0, 2, 4, 5, 7, 9, 11, 12};
  const int sixteenth = kPpqn / 4;
  for (int i = 0; i < beats * 4; ++i) {
    const int note = 48 + scale[(i * 3) % 8] + 12 * ((i / 8) % 3);
    const int at = i * sixteenth;
    Add(lead, at, 0x90, note, 100);
    Add(lead, at + (i % 4 == 3 ? sixteenth / 2 : sixteenth + sixteenth / 2), 0x80, note, 0);
  }
  const int pulsesPer10ms = kPpqn / 50; // at 120 beats a minute
  for (int at = 0; at < beats * kPpqn; at += pulsesPer10ms)
    Add(lead, at, 0xB0, 7, (at / pulsesPer10ms) % 128);
  for (int beat = 0; beat < beats; ++beat) {
    Add(band, beat * kPpqn, 0x91, 36 + beat % 5, 90);
    Add(band, beat * kPpqn + kPpqn / 2, 0x81, 36 + beat % 5, 0);
    Add(band, beat * kPpqn, 0x99, 36, 110);
    Add(band, beat * kPpqn + kPpqn / 8, 0x89, 36, 0);
  }
  const std::string path = dir + "/dense.mid";
  if (smf_save(smf, path.c_str()) != 0)
    std::abort();
  smf_delete(smf);
  return path;
}

void RenderDenseMinute(benchmark::State& state, const char* mode) {
  std::string dir = (std::filesystem::temp_directory_path() / "velmora-bench.XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr)
    std::abort();
  const std::string midi = WriteDenseMinute(dir);
  RenderOptions options = DefaultOptions();
  options.Mode = mode[0] == 'a' ? (mode[1] == 'd' ? 1 : 3) : 2;

  int64_t samples = 0;
  const double cpuBefore = CpuSeconds();
  for (auto _ : state) {
    MidiSchedule schedule;
    std::string error;
    WavOutput out;
    if (!LoadMidiSchedule(midi, schedule, error) ||
        !OpenWavOutput(dir + "/dense.wav", out, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    PrepareSynth(options);
    samples = 0;
    const bool rendered = Bounce(
        schedule, std::nullopt,
        [&](std::span<const float> block) {
          samples += static_cast<int64_t>(block.size());
          return WriteWav(out, block, error);
        },
        [](int64_t) {});
    if (!rendered || !CommitWavOutput(out, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  const double cpu = CpuSeconds() - cpuBefore;
  const double audio = static_cast<double>(samples) / kSampleRate;
  state.counters["audio_s"] = audio;
  state.counters["cpu_ms_per_file"] = cpu * 1000 / static_cast<double>(state.iterations());
  state.counters["audio_s_per_cpu_s"] = audio * static_cast<double>(state.iterations()) / cpu;
  std::filesystem::remove_all(dir);
}

void DenseMinuteAdd(benchmark::State& s) { RenderDenseMinute(s, "add"); }
void DenseMinuteFm(benchmark::State& s) { RenderDenseMinute(s, "fm"); }
void DenseMinuteAm(benchmark::State& s) { RenderDenseMinute(s, "am"); }

} // namespace

BENCHMARK(DenseMinuteAdd)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(DenseMinuteFm)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(DenseMinuteAm)->Unit(benchmark::kMillisecond)->MinTime(3);

BENCHMARK_MAIN();
