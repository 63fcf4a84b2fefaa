#include "render/bounce.h"

#include "engine/engine.h"
#include "midi/handler.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmora {

namespace {

constexpr int64_t kBlockSamples = 4096;

// Note-off on channel 1; the handler counts note-offs without matching notes.
constexpr uint32_t kNoteOffWord = 0x80;

// Release 5000 (knob 100) gives 5.0 s; a bound, with room to spare.
constexpr double kLongestReleaseSeconds = 5.1;

// Samples left until the release has run its full length. The envelope
// stays released once the gate is closed and no message comes, so this is
// known as soon as the last message has been handled. Level at t is
// ReleaseStartLevel x (ReleaseStartClock + ReleaseSamples - t) / ReleaseSamples:
// the last sample above zero is the one before ceil(ReleaseStartClock +
// ReleaseSamples), and EnvelopeClock is the t of the next sample.
int64_t ReleaseSamplesLeft(const EngineState& s) {
  const double end = std::ceil(s.ReleaseStartClock + s.ReleaseSamples);
  return std::max<int64_t>(0, static_cast<int64_t>(end) - s.EnvelopeClock);
}

} // namespace

int64_t MostTailSamples(const std::optional<double>& tailSeconds) {
  return SampleAt(tailSeconds.value_or(kLongestReleaseSeconds)) + 1;
}

bool Bounce(EngineState& s, const MidiSchedule& schedule, const std::optional<double>& tailSeconds,
            const BlockSink& sink, const ProgressSink& progress) {
  std::vector<float> block(kBlockSamples);
  int64_t done = 0;
  // Everything the engine keeps between samples is in its state, so splitting
  // the render at message positions leaves the samples as a live stream would
  // have them.
  auto renderUntil = [&](int64_t until) {
    while (done < until) {
      const int64_t n = std::min(kBlockSamples, until - done);
      RenderBlock(s, block.data(), static_cast<size_t>(n));
      if (!sink(std::span<const float>(block.data(), static_cast<size_t>(n))))
        return false;
      done += n;
      progress(done);
    }
    return true;
  };

  for (const TimedMessage& message : schedule.Messages) {
    if (!renderUntil(message.Sample()))
      return false;
    HandleMidiData(s, message.Word());
  }
  if (!renderUntil(schedule.EndSample))
    return false;
  // A held note would sound for ever; the file's end lets go of it.
  while (s.HeldNotes > 0)
    HandleMidiData(s, kNoteOffWord);
  const int64_t tail = tailSeconds ? SampleAt(*tailSeconds) : ReleaseSamplesLeft(s);
  return renderUntil(schedule.EndSample + tail);
}

} // namespace velmora
