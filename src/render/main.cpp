// velmora-render: plays a Standard MIDI File through the synth's engine,
// offline, into a WAV file. Run with --help for the options.
#include "render/bounce.h"
#include "render/midifile.h"
#include "render/options.h"
#include "render/wavfile.h"

#include "engine/engine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace velmora;

constexpr const char* kProgram = "velmora-render";

// Shorter renders finish before a progress line would be worth reading.
constexpr int64_t kProgressAfterSamples = 5 * static_cast<int64_t>(kSampleRate);
// Longer renders are announced when no progress line shows them: a few bytes
// of MIDI file can ask for hours of audio and gigabytes of WAV file.
constexpr int64_t kAnnounceAfterSamples = 10 * 60 * static_cast<int64_t>(kSampleRate);

// Writing the WAV file over the MIDI file would destroy it; a hard link or a
// symbolic link is the same file under another name.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

int Fail(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "%s: %s: %s\n", kProgram, path.c_str(), reason.c_str());
  return 1;
}

// Percent done on one terminal line, rewritten when it changes. The length
// of the release after the file's end is known only when it is reached, so
// the percentage counts the file and a given tail, and shows 100 only at the
// end.
struct Progress {
  bool Shown = false;
  int64_t Total = 1;
  int Percent = -1;

  void Update(int64_t done) {
    if (!Shown)
      return;
    const int percent = static_cast<int>(std::min<int64_t>(99, done * 100 / Total));
    if (percent != Percent)
      Show(percent, done);
  }
  void Finish(int64_t done, bool succeeded) {
    if (!Shown)
      return;
    if (succeeded)
      Show(100, done);
    std::fputc('\n', stderr);
  }
  void Show(int percent, int64_t done) {
    Percent = percent;
    std::fprintf(stderr, "\r%s: %3d%%, %.1f s of audio", kProgram, percent,
                 static_cast<double>(done) / kSampleRate);
    std::fflush(stderr);
  }
};

} // namespace

int main(int argc, char** argv) {
  const CommandLine command = ParseCommandLine(argc - 1, argv + 1);
  switch (command.Do) {
  case CommandLine::Action::Help:
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  case CommandLine::Action::Version:
    std::fputs(VersionText().c_str(), stdout);
    return 0;
  case CommandLine::Action::Refuse:
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for the options.\n", kProgram,
                 command.Error.c_str(), kProgram);
    return 2;
  case CommandLine::Action::Render:
    break;
  }
  const RenderOptions& options = command.Options;
  if (SameFile(options.Input, options.Output)) {
    std::fprintf(stderr, "%s: %s and %s are the same file; nothing was written\n", kProgram,
                 options.Input.c_str(), options.Output.c_str());
    return 2;
  }

  MidiSchedule schedule;
  std::string error;
  if (!LoadMidiSchedule(options.Input, schedule, error))
    return Fail(options.Input, error);

  const int64_t tail = MostTailSamples(options.TailSeconds);
  if (schedule.EndSample + tail > kMostWavFrames) {
    // The file's own length: its end sample stops short of a far one.
    char reason[160];
    std::snprintf(reason, sizeof reason,
                  "the render could last %.0f s, more than a WAV file holds (%.0f s)",
                  schedule.EndSeconds + static_cast<double>(tail) / kSampleRate,
                  static_cast<double>(kMostWavFrames) / kSampleRate);
    return Fail(options.Input, reason);
  }

  WavOutput output;
  if (!OpenWavOutput(options.Output, output, error))
    return Fail(options.Output, error);

  Progress progress;
  progress.Total = std::max<int64_t>(
      1, schedule.EndSample + (options.TailSeconds ? SampleAt(*options.TailSeconds) : 0));
  progress.Shown = progress.Total > kProgressAfterSamples && isatty(STDERR_FILENO);
  if (!progress.Shown && progress.Total > kAnnounceAfterSamples) {
    const int64_t seconds = progress.Total / static_cast<int64_t>(kSampleRate);
    std::fprintf(stderr, "%s: %s: rendering %lld:%02lld:%02lld of audio%s\n", kProgram,
                 options.Output.c_str(), static_cast<long long>(seconds / 3600),
                 static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60),
                 options.TailSeconds ? "" : " and the release of the last note");
  }

  // Heap: the engine state holds the oscillators' sine memos (192 KiB).
  const auto engine = std::make_unique<EngineState>();
  PrepareEngine(*engine, options);
  int64_t written = 0;
  const bool rendered = Bounce(
      *engine, schedule, options.TailSeconds,
      [&](std::span<const float> samples) {
        written += static_cast<int64_t>(samples.size());
        return WriteWav(output, samples, error);
      },
      [&](int64_t done) { progress.Update(done); });
  progress.Finish(written, rendered);
  if (!rendered) {
    DiscardWavOutput(output);
    return Fail(options.Output, error);
  }
  if (!CommitWavOutput(output, error))
    return Fail(options.Output, error);
  return 0;
}
