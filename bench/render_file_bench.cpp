// velmora-render's whole path for a dense one-minute MIDI file: reading it,
// rendering it through the engine with every message through the MIDI
// handler, and writing the WAV file. Reports seconds of audio rendered per
// second of CPU (audio_s_per_cpu_s); the aim is at least 1000. And the reader
// alone on a 40 MB file (MB_per_s; the aim is a 40 MB file in about a second).
//
// For the program's wall time and peak memory on that file:
//   render_file_bench --write-large-midi=/tmp/large.mid
//   /usr/bin/time -v velmora-render /tmp/large.mid /tmp/large.wav
#include "render/bounce.h"
#include "render/midifile.h"
#include "render/options.h"
#include "render/wavfile.h"

#include "engine/engine.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace velmora;
using Bytes = std::vector<uint8_t>;

struct TrackEvent {
  int Pulses;
  Bytes Data;
};

void PutQuantity(Bytes& out, uint32_t value) {
  uint8_t bytes[4];
  int n = 0;
  do {
    bytes[n++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (n > 1)
    out.push_back(bytes[--n] | 0x80);
  out.push_back(bytes[0]);
}

// A track chunk of events in time order (stable for ties), with running
// status wherever the status repeats, as sequencers write it.
Bytes TrackChunk(std::vector<TrackEvent> events) {
  std::stable_sort(events.begin(), events.end(),
                   [](const TrackEvent& a, const TrackEvent& b) { return a.Pulses < b.Pulses; });
  Bytes data;
  int last = 0;
  uint8_t running = 0;
  for (const TrackEvent& e : events) {
    PutQuantity(data, static_cast<uint32_t>(e.Pulses - last));
    last = e.Pulses;
    const bool channel = e.Data[0] < 0xF0;
    data.insert(data.end(), e.Data.begin() + (channel && e.Data[0] == running ? 1 : 0),
                e.Data.end());
    running = channel ? e.Data[0] : 0;
  }
  data.insert(data.end(), {0x00, 0xFF, 0x2F, 0x00});
  Bytes chunk = {'M', 'T', 'r', 'k'};
  for (int shift = 24; shift >= 0; shift -= 8)
    chunk.push_back(static_cast<uint8_t>(data.size() >> shift));
  chunk.insert(chunk.end(), data.begin(), data.end());
  return chunk;
}

Bytes FormatOne(int ppqn, const std::vector<Bytes>& tracks) {
  Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
  for (const int field : {static_cast<int>(tracks.size()), ppqn})
    file.insert(file.end(), {static_cast<uint8_t>(field >> 8), static_cast<uint8_t>(field)});
  for (const Bytes& t : tracks)
    file.insert(file.end(), t.begin(), t.end());
  return file;
}

TrackEvent Message(int pulses, int a, int b, int c = -1) {
  TrackEvent e{pulses, {static_cast<uint8_t>(a), static_cast<uint8_t>(b)}};
  if (c >= 0)
    e.Data.push_back(static_cast<uint8_t>(c));
  return e;
}

TrackEvent TempoEvent(int pulses, int us) {
  return {pulses,
          {0xFF, 0x51, 0x03, static_cast<uint8_t>(us >> 16), static_cast<uint8_t>(us >> 8),
           static_cast<uint8_t>(us)}};
}

// One minute at 120 beats a minute, tempo moving by a little every bar:
// sixteenth notes on channel 1, each held into the next (legato) except at
// the end of every beat, where the note stops and the next one starts the
// envelope again; a volume sweep on channel 1 every 10 ms; a bass line and
// drums on channels 2 and 10. About 7800 messages.
Bytes DenseMinute() {
  constexpr int kPpqn = 480, kBeats = 120;
  std::vector<TrackEvent> tempo, lead, band;
  for (int bar = 0; bar < kBeats / 4; ++bar)
    tempo.push_back(TempoEvent(bar * 4 * kPpqn, bar % 2 == 0 ? 500000 : 490000));
  const int scale[] = {0, 2, 4, 5, 7, 9, 11, 12};
  const int sixteenth = kPpqn / 4;
  for (int i = 0; i < kBeats * 4; ++i) {
    const int note = 48 + scale[(i * 3) % 8] + 12 * ((i / 8) % 3);
    const int at = i * sixteenth;
    lead.push_back(Message(at, 0x90, note, 100));
    lead.push_back(
        Message(at + (i % 4 == 3 ? sixteenth / 2 : sixteenth + sixteenth / 2), 0x80, note, 0));
  }
  const int pulsesPer10ms = kPpqn / 50; // at 120 beats a minute
  for (int at = 0; at < kBeats * kPpqn; at += pulsesPer10ms)
    lead.push_back(Message(at, 0xB0, 7, (at / pulsesPer10ms) % 128));
  for (int beat = 0; beat < kBeats; ++beat) {
    band.push_back(Message(beat * kPpqn, 0x91, 36 + beat % 5, 90));
    band.push_back(Message(beat * kPpqn + kPpqn / 2, 0x81, 36 + beat % 5, 0));
    band.push_back(Message(beat * kPpqn, 0x99, 36, 110));
    band.push_back(Message(beat * kPpqn + kPpqn / 8, 0x89, 36, 0));
  }
  return FormatOne(kPpqn, {TrackChunk(tempo), TrackChunk(lead), TrackChunk(band)});
}

// About 40 MB and 13 million messages in nine and a half minutes at 960
// pulses a beat: a tempo track, channel 1's notes (legato sixteenths) with a
// volume message on every pulse, and eleven tracks of pitch bend on every
// pulse, channels 2 to 12, all with running status.
Bytes LargeFile() {
  constexpr int kPpqn = 960, kPulses = 9 * 60 * 2 * kPpqn + 30 * 2 * kPpqn;
  std::vector<Bytes> tracks;
  std::vector<TrackEvent> events;
  for (int bar = 0; bar * 4 * kPpqn < kPulses; ++bar)
    events.push_back(TempoEvent(bar * 4 * kPpqn, 500000 - (bar % 4) * 1000));
  tracks.push_back(TrackChunk(std::move(events)));
  events = {};
  for (int at = 0, i = 0; at < kPulses; at += kPpqn / 4, ++i) {
    events.push_back(Message(at, 0x90, 48 + (i * 7) % 36, 100));
    events.push_back(Message(at + kPpqn / 4 + 10, 0x80, 48 + (i * 7) % 36, 0));
  }
  for (int at = 0; at < kPulses; ++at)
    events.push_back(Message(at, 0xB0, 7, at % 128));
  tracks.push_back(TrackChunk(std::move(events)));
  for (int channel = 1; channel <= 11; ++channel) {
    events = {};
    for (int at = 0; at < kPulses; ++at)
      events.push_back(Message(at, 0xE0 | channel, at % 128, (at / 128) % 128));
    tracks.push_back(TrackChunk(std::move(events)));
  }
  return FormatOne(kPpqn, tracks);
}

std::string TempDir() {
  std::string dir = (std::filesystem::temp_directory_path() / "velmora-bench.XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr)
    std::abort();
  return dir;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  double total = 0;
  for (const timeval& t : {usage.ru_utime, usage.ru_stime})
    total += static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  return total;
}

void RenderDenseMinute(benchmark::State& state, int mode) {
  const std::string dir = TempDir();
  const std::string midi = dir + "/dense.mid";
  WriteFile(midi, DenseMinute());
  RenderOptions options = DefaultOptions();
  options.Mode = mode;
  const auto engine = std::make_unique<EngineState>();

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
    PrepareEngine(*engine, options);
    samples = 0;
    const bool rendered = Bounce(
        *engine, schedule, std::nullopt,
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

void DenseMinuteAdd(benchmark::State& s) { RenderDenseMinute(s, 1); }
void DenseMinuteFm(benchmark::State& s) { RenderDenseMinute(s, 2); }
void DenseMinuteAm(benchmark::State& s) { RenderDenseMinute(s, 3); }

void ReadLargeFile(benchmark::State& state) {
  const Bytes file = LargeFile();
  size_t messages = 0;
  for (auto _ : state) {
    MidiSchedule schedule;
    std::string error;
    if (!ParseMidiSchedule(file, schedule, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    messages = schedule.Messages.size();
  }
  state.counters["file_MB"] = static_cast<double>(file.size()) / 1e6;
  state.counters["messages"] = static_cast<double>(messages);
  state.counters["MB_per_s"] = benchmark::Counter(static_cast<double>(file.size()) / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(DenseMinuteAdd)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(DenseMinuteFm)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(DenseMinuteAm)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(ReadLargeFile)->Unit(benchmark::kMillisecond)->MinTime(3);

int main(int argc, char** argv) {
  constexpr const char* kWrite = "--write-large-midi=";
  if (argc == 2 && std::strncmp(argv[1], kWrite, std::strlen(kWrite)) == 0) {
    WriteFile(argv[1] + std::strlen(kWrite), LargeFile());
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
