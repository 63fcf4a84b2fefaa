#include "engine/engine.h"

#include <cmath>

namespace velmora {

namespace {

// The four coordinates of the knees move by one rule, each with its own
// keyframes.
struct KneeTrack {
  double EngineState::*current;
  double EngineState::*releaseStart;
  const KeyframeField* key; // keyframes 1..4
};

constexpr KneeTrack kKnees[4] = {
    {&EngineState::Osc1WarpIn, &EngineState::ReleaseStartOsc1WarpIn, kWarpKeyframes[0].In},
    {&EngineState::Osc1WarpOut, &EngineState::ReleaseStartOsc1WarpOut, kWarpKeyframes[0].Out},
    {&EngineState::Osc2WarpIn, &EngineState::ReleaseStartOsc2WarpIn, kWarpKeyframes[1].In},
    {&EngineState::Osc2WarpOut, &EngineState::ReleaseStartOsc2WarpOut, kWarpKeyframes[1].Out},
};

inline double Key(EngineState& s, const KneeTrack& k, int index) noexcept {
  return (s.*k.key[index]).load();
}

// The attack and decay ends are rounded to whole samples for the stage
// tests, at the note start with the times they come from.
void TakeNoteTimes(EngineState& s) noexcept {
  s.AttackSeconds = std::pow(1.00517037535, s.Attack.load()) * 0.0994856 / 1000.0;
  s.DecaySeconds = s.Decay / 1000.0;
  s.SustainFraction = s.Sustain / 100.0;
  s.ReleaseSeconds = std::pow(1.00170523, s.Release.load()) * 0.9982977 / 1000.0;
  s.AttackSamples = s.AttackSeconds * s.SampleRate;
  s.DecaySamples = s.DecaySeconds * s.SampleRate;
  s.SustainLevel = s.SustainFraction;
  s.ReleaseSamples = s.ReleaseSeconds * s.SampleRate;
  s.AttackEnd = std::nearbyint(s.AttackSamples);
  s.DecayEnd = std::nearbyint(s.AttackSamples + s.DecaySamples);
}

void KeyUp(EngineState& s, int32_t t) noexcept {
  const double releaseEnd = s.ReleaseStartClock + s.ReleaseSamples;
  if (t >= releaseEnd) {
    // Also the zero-length release before the first note.
    s.EnvelopeLevel = 0.0;
    for (const KneeTrack& k : kKnees)
      s.*k.current = Key(s, k, 3);
  } else {
    const double r = (releaseEnd - t) / s.ReleaseSamples;
    s.EnvelopeLevel = s.ReleaseStartLevel * r;
    for (const KneeTrack& k : kKnees) {
      const double from = s.*k.releaseStart;
      s.*k.current = from + (Key(s, k, 3) - from) * (t - static_cast<double>(s.ReleaseStartClock)) /
                                s.ReleaseSamples;
    }
  }
  s.FadeOutLevel = s.EnvelopeLevel;
  s.KeyWasDown = 0;
}

void KeyDown(EngineState& s, int32_t t) noexcept {
  if (s.NoteStarted == 0) {
    s.NoteStarted = 1;
    s.FadeCounter = -1;
    TakeNoteTimes(s);
    // A release and a new note between the same two samples leave no key-up
    // sample to carry the sounding level into FadeOutLevel; without this the
    // fade-out would start from a stale level, a click.
    if (s.KeyWasDown != 0)
      s.FadeOutLevel = s.EnvelopeLevel;
  }
  s.KeyWasDown = 1;
  // The counter stops once past the fade-out, so a note held for ever cannot
  // overflow it.
  if (s.FadeCounter <= s.FadeOutLast)
    s.FadeCounter += 1;

  if (s.FadeCounter <= s.FadeOutLast) {
    // Fade what was sounding to silence; the knees stay frozen.
    s.EnvelopeLevel = (1.0 - s.FadeCounter / static_cast<double>(s.FadeOutLast)) * s.FadeOutLevel;
  } else {
    if (s.AttackStarted == 0) {
      s.Osc1PhaseCounter = -1;
      s.Osc2PhaseCounter = -1;
      s.AttackStarted = 1;
      s.EnvelopeClock = 0;
      t = 0;
    }
    if (t <= s.AttackEnd) {
      s.EnvelopeLevel = t / s.AttackSamples;
      for (const KneeTrack& k : kKnees) {
        const double k1 = Key(s, k, 0);
        s.*k.current = k1 + (Key(s, k, 1) - k1) * t / s.AttackSamples;
      }
    } else if (t <= s.DecayEnd) {
      s.EnvelopeLevel = s.SustainLevel + (s.AttackSamples + s.DecaySamples - t) *
                                             (1.0 - s.SustainLevel) / s.DecaySamples;
      for (const KneeTrack& k : kKnees) {
        const double k2 = Key(s, k, 1);
        s.*k.current = k2 + (Key(s, k, 2) - k2) * (t - s.AttackSamples) / s.DecaySamples;
      }
    } else {
      s.EnvelopeLevel = s.SustainLevel;
      for (const KneeTrack& k : kKnees)
        s.*k.current = Key(s, k, 2);
    }
  }

  // Where a release would start from, should the key go up now.
  s.ReleaseStartLevel = s.EnvelopeLevel;
  s.ReleaseStartClock = t;
  for (const KneeTrack& k : kKnees)
    s.*k.releaseStart = s.*k.current;
}

} // namespace

void AdvanceEnvelope(EngineState& s, int32_t t) noexcept VELMORA_NONBLOCKING {
  if (t > kClockLimit) {
    s.EnvelopeClock = 0;
    s.ReleaseStartLevel = 0.0;
  }
  // The gate is read twice on purpose: a note-on that lands between the two
  // reads is seen at this very sample.
  if (s.Gate == 0)
    KeyUp(s, t);
  if (s.Gate == 1)
    KeyDown(s, t);
}

} // namespace velmora
