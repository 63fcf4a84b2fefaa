// The state one synth voice runs on: the sound parameters and the note state
// that other threads write, and everything the audio thread keeps from one
// sample to the next, caches included. The program has exactly one (inside
// its global synth state); a plugin host may run many, each on its own.
//
// Fields that more than one thread touches are std::atomic and always
// lock-free; the default (sequentially consistent) ordering keeps the note-on
// order (frequency before gate) and the last-release order (gate first,
// previous frequency last) as the audio thread sees them. Fields owned by the
// audio thread are plain.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace velmora {

// Samples per second of the program and velmora-render, and a plugin's
// unless its host asks for another (SetSampleRate).
constexpr double kSampleRate = 44100.0;

// The note label crosses from the MIDI thread to the user-interface thread as
// up to 8 characters packed into one atomic word, NUL-padded, so the reader
// never sees half of an old text and half of a new one.
using PackedLabel = uint64_t;

// Caches of the oscillator pair. Each keeps the last answer of a costly step
// for the exact inputs it was computed from, so a hit gives the very bits a
// fresh computation would: they change the cost of a sample, never its value.
struct RatioCache { // pitch ratio, single precision
  double Pitch = 1200.0;
  float Ratio = 1.0f;
};
struct PeriodCache { // whole-sample period, 0 when it cannot be played
  double Frequency = 0.0;
  float Ratio = 0.0f;
  int32_t Period = 0;
};
struct KneeCache { // the knee in fractions of a cycle
  double In = 50.0, Out = 50.0;
  double X = 0.5, Y = 0.5;
};
struct MixCache { // MixAmount / 100 and / 15
  double Mix = 0.0;
  double Hundredth = 0.0, Fifteenth = 0.0;
};
// A held note repeats the same sine arguments period after period, so each
// sine remembers results keyed by the argument's exact bits.
constexpr int kSineMemoBits = 12;
constexpr size_t kSineMemoSize = size_t{1} << kSineMemoBits; // 64 KiB per sine
struct SineMemo {
  std::array<uint64_t, kSineMemoSize> Argument;
  std::array<double, kSineMemoSize> Sine;
};

// clang-format off
#define VELMORA_SHARED_DOUBLES(X)                                             \
  /* sound parameters, written by the user-interface thread */                \
  X(Osc1Pitch)    /* cents + 1200, 1..2400 */                                 \
  X(Osc2Pitch)                                                                \
  X(MixAmount)    /* 0..100 */                                                \
  X(Attack)       /* 20..2000, exponential setting */                         \
  X(Decay)        /* 50..5000, milliseconds */                                \
  X(Sustain)      /* 0..100, percent */                                       \
  X(Release)      /* 50..5000, exponential setting */                         \
  /* warp keyframes, percent: In 0..100, Out 0..500 */                        \
  X(Osc1WarpIn1) X(Osc1WarpIn2) X(Osc1WarpIn3) X(Osc1WarpIn4)                 \
  X(Osc1WarpOut1) X(Osc1WarpOut2) X(Osc1WarpOut3) X(Osc1WarpOut4)             \
  X(Osc2WarpIn1) X(Osc2WarpIn2) X(Osc2WarpIn3) X(Osc2WarpIn4)                 \
  X(Osc2WarpOut1) X(Osc2WarpOut2) X(Osc2WarpOut3) X(Osc2WarpOut4)             \
  /* note state, written by the MIDI thread; Hz */                            \
  X(NoteFrequency) X(PreviousFrequency)

#define VELMORA_SHARED_INTS(X)                                                \
  X(MixMode)       /* 1 "-Add", 2 "-FM", 3 "-AM" */                           \
  X(Sync)          /* flag */                                                 \
  X(Gate)          /* flag, MIDI thread */                                    \
  X(HeldNotes)     /* MIDI thread */                                          \
  X(NoteStarted)   /* set by the audio thread, cleared by the MIDI thread */  \
  X(AttackStarted) /* likewise */

// Fields of the audio thread alone (envelope and oscillators).
#define VELMORA_AUDIO_DOUBLES(X)                                              \
  /* current knee, and where the release takes it from; percent */            \
  X(Osc1WarpIn) X(Osc1WarpOut) X(Osc2WarpIn) X(Osc2WarpOut)                   \
  X(ReleaseStartOsc1WarpIn) X(ReleaseStartOsc1WarpOut)                        \
  X(ReleaseStartOsc2WarpIn) X(ReleaseStartOsc2WarpOut)                        \
  /* levels, 0..1 */                                                          \
  X(FadeOutLevel) X(EnvelopeLevel) X(ReleaseStartLevel)                       \
  /* the note's times, taken at its start: seconds, then samples */           \
  X(AttackSeconds) X(DecaySeconds) X(SustainFraction) X(ReleaseSeconds)       \
  X(AttackSamples) X(DecaySamples) X(SustainLevel) X(ReleaseSamples)          \
  /* the attack and decay ends rounded to whole samples, for the stage tests */ \
  X(AttackEnd) X(DecayEnd)

#define VELMORA_AUDIO_INTS(X)                                                 \
  X(FadeCounter)       /* samples since the note start, stops past 1000 */    \
  X(EnvelopeClock)     /* samples since the attack began */                   \
  X(ReleaseStartClock)                                                        \
  X(Osc1Period)        /* whole samples */                                    \
  X(Osc2Period)                                                               \
  X(Osc1PhaseCounter)  /* samples into the period */                          \
  X(Osc2PhaseCounter)                                                         \
  X(KeyWasDown)        /* flag: the last sample was rendered with the key down */
// clang-format on

struct EngineState {
#define VELMORA_ATOMIC_DOUBLE(name) std::atomic<double> name;
#define VELMORA_ATOMIC_INT(name) std::atomic<int32_t> name;
#define VELMORA_DOUBLE(name) double name;
#define VELMORA_INT(name) int32_t name;
  VELMORA_SHARED_DOUBLES(VELMORA_ATOMIC_DOUBLE)
  VELMORA_SHARED_INTS(VELMORA_ATOMIC_INT)
  VELMORA_AUDIO_DOUBLES(VELMORA_DOUBLE)
  VELMORA_AUDIO_INTS(VELMORA_INT)
#undef VELMORA_ATOMIC_DOUBLE
#undef VELMORA_ATOMIC_INT
#undef VELMORA_DOUBLE
#undef VELMORA_INT

  float OscOutput; // the oscillator pair's last sample, audio thread

  // The rate everything in samples derives from (SetSampleRate): samples per
  // second, and at that rate the last sample of the fade-out before every
  // attack (1000 at 44100) and the length of the onset ramp (100 at 44100).
  double SampleRate;
  int32_t FadeOutLast;
  int32_t OnsetRampLength;

  // Audio thread: see the cache types above.
  RatioCache Ratio1, Ratio2;
  PeriodCache Period1, Period2;
  KneeCache Knee1, Knee2;
  MixCache Mix;
  SineMemo Memo1, Memo2, MemoFm;

  // Written by the MIDI thread, shown by the user-interface thread.
  std::atomic<PackedLabel> NoteLabel;
  // Bumped after every data message, so the user-interface thread refreshes
  // the label even when its text stays the same.
  std::atomic<uint32_t> NoteLabelSerial;
  std::string NoteNames; // two characters per semitone from C, set at start-up
};

static_assert(std::atomic<double>::is_always_lock_free);
static_assert(std::atomic<int32_t>::is_always_lock_free);
static_assert(std::atomic<PackedLabel>::is_always_lock_free);
static_assert(std::atomic<uint32_t>::is_always_lock_free);

// One oscillator's four warp keyframes (index 0..3 for keyframes 1..4): the
// fields the envelope reads and the warp editors, the renderer's options and
// the plugin's ports write.
using KeyframeField = std::atomic<double> EngineState::*;
struct WarpKeyframeFields {
  KeyframeField In[4];
  KeyframeField Out[4];
};
inline constexpr WarpKeyframeFields kWarpKeyframes[2] = {
    {{&EngineState::Osc1WarpIn1, &EngineState::Osc1WarpIn2, &EngineState::Osc1WarpIn3,
      &EngineState::Osc1WarpIn4},
     {&EngineState::Osc1WarpOut1, &EngineState::Osc1WarpOut2, &EngineState::Osc1WarpOut3,
      &EngineState::Osc1WarpOut4}},
    {{&EngineState::Osc2WarpIn1, &EngineState::Osc2WarpIn2, &EngineState::Osc2WarpIn3,
      &EngineState::Osc2WarpIn4},
     {&EngineState::Osc2WarpOut1, &EngineState::Osc2WarpOut2, &EngineState::Osc2WarpOut3,
      &EngineState::Osc2WarpOut4}},
};

// Zero-fills every field and empties the caches: the state before start-up
// gives it its defaults. The rate is 44100 samples per second. Not for a
// state the audio thread is rendering.
void ClearEngineState(EngineState& s);

// Periods, envelope times, the fade-out and the onset ramp follow this rate,
// so that pitch and timing are the same in hertz and seconds at any rate
// (periods are still whole samples). At 44100 every sample is as the
// program has always rendered it. Not while the audio thread renders.
void SetSampleRate(EngineState& s, double samplesPerSecond);

} // namespace velmora
