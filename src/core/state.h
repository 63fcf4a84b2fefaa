// The one program-wide synth state, shared by the user-interface thread, the
// MIDI thread and the audio thread.
//
// Fields that more than one thread touches are std::atomic and always
// lock-free; the default (sequentially consistent) ordering keeps the note-on
// order (frequency before gate) and the last-release order (gate first,
// previous frequency last) as the audio thread sees them. Fields owned by one
// thread are plain.
#pragma once

#include <portaudio.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace velmora {

struct MidiInputPort; // the platform's open MIDI input, see src/midi

// Colour packed as 0xBBGGRR: red in the low byte.
using Colour = uint32_t;
constexpr Colour Rgb(int r, int g, int b) {
  return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}

// One knob of the window; every field is owned by the user-interface thread.
struct Knob {
  int32_t Canvas;  // toolkit identifier of the knob's canvas
  int32_t Size;    // side of the square canvas, pixels
  int32_t Min;     // smallest value
  int32_t Max;     // largest value
  int32_t Value;   // always within Min..Max
  int32_t CentreX; // knob centre inside the canvas, pixels
  int32_t CentreY;
  Colour LightColour; // cap light grey
  Colour DarkColour;  // cap dark grey
  Colour BackgroundColour;
  float Angle;        // degrees clockwise from 12 o'clock, 0..360
  int32_t ValueLabel; // toolkit identifier of the value label
};

// The note label crosses from the MIDI thread to the user-interface thread as
// up to 8 characters packed into one atomic word, NUL-padded, so the reader
// never sees half of an old text and half of a new one.
using PackedLabel = uint64_t;
PackedLabel PackLabel(const char* text) noexcept;
std::string UnpackLabel(PackedLabel packed);

constexpr int32_t kLastKnob = 6;
constexpr int32_t kKnobCount = kLastKnob + 1;

// Shared fields, by type. The X-macros let the zero-fill and the lock-free
// checks cover every field without a list to keep in step by hand.
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
  X(AttackSamples) X(DecaySamples) X(SustainLevel) X(ReleaseSamples)

#define VELMORA_AUDIO_INTS(X)                                                 \
  X(FadeCounter)       /* samples since the note start, stops past 1000 */    \
  X(EnvelopeClock)     /* samples since the attack began */                   \
  X(ReleaseStartClock)                                                        \
  X(Osc1Period)        /* whole samples */                                    \
  X(Osc2Period)                                                               \
  X(Osc1PhaseCounter)  /* samples into the period */                          \
  X(Osc2PhaseCounter)

// Fields of the user-interface thread alone.
#define VELMORA_GUI_DOUBLES(X)                                                \
  /* warp canvas points, pixels 0..200 */                                     \
  X(Osc1Point1X) X(Osc1Point1Y) X(Osc1Point2X) X(Osc1Point2Y)                 \
  X(Osc1Point3X) X(Osc1Point3Y) X(Osc1Point4X) X(Osc1Point4Y)                 \
  X(Osc2Point1X) X(Osc2Point1Y) X(Osc2Point2X) X(Osc2Point2Y)                 \
  X(Osc2Point3X) X(Osc2Point3Y) X(Osc2Point4X) X(Osc2Point4Y)

#define VELMORA_GUI_INTS(X)                                                   \
  X(AudioError) X(MidiDevice) X(LastKnob) X(DraggedKnob) X(KnobIndex)         \
  X(Osc1GroupButton) X(Osc2GroupButton) X(Osc1GroupDrag) X(Osc2GroupDrag)     \
  X(CanvasMouseX) X(CanvasMouseY) X(Osc2CanvasMouseX) X(Osc2CanvasMouseY)     \
  X(Osc1DragDX) X(Osc1DragDY) X(Osc2DragDX) X(Osc2DragDY)
// clang-format on

struct SynthState {
#define VELMORA_ATOMIC_DOUBLE(name) std::atomic<double> name;
#define VELMORA_ATOMIC_INT(name) std::atomic<int32_t> name;
#define VELMORA_DOUBLE(name) double name;
#define VELMORA_INT(name) int32_t name;
  VELMORA_SHARED_DOUBLES(VELMORA_ATOMIC_DOUBLE)
  VELMORA_SHARED_INTS(VELMORA_ATOMIC_INT)
  VELMORA_AUDIO_DOUBLES(VELMORA_DOUBLE)
  VELMORA_AUDIO_INTS(VELMORA_INT)
  VELMORA_GUI_DOUBLES(VELMORA_DOUBLE)
  VELMORA_GUI_INTS(VELMORA_INT)
#undef VELMORA_ATOMIC_DOUBLE
#undef VELMORA_ATOMIC_INT
#undef VELMORA_DOUBLE
#undef VELMORA_INT

  float OscOutput; // the oscillator pair's last sample, audio thread

  // Written by the MIDI thread, shown by the user-interface thread.
  std::atomic<PackedLabel> NoteLabel;
  // Bumped after every data message, so the user-interface thread refreshes
  // the label even when its text stays the same.
  std::atomic<uint32_t> NoteLabelSerial;
  std::string NoteNames; // two characters per semitone from C

  // Devices.
  PaStream* AudioStream;
  PaStreamParameters OutputParameters;
  MidiInputPort* MidiIn;

  // User interface.
  Colour PanelColour;
  std::array<Knob, kKnobCount> Knobs;
  std::string Osc1DragPoint; // "FirstPoint" .. "FourthPoint" or "Unpressed"
  std::string Osc2DragPoint;
};

static_assert(std::atomic<double>::is_always_lock_free);
static_assert(std::atomic<int32_t>::is_always_lock_free);
static_assert(std::atomic<PackedLabel>::is_always_lock_free);
static_assert(std::atomic<uint32_t>::is_always_lock_free);

extern SynthState Synth;

// Zero-fills the state and gives it its start-up defaults, in start-up order.
// Called once at start-up before any other thread exists; tests call it to
// reset the state between cases.
void InitSynthState();

// Knob value -> parameter, shared by the defaults and the knob drag so the two
// stay in step.
double PitchFromKnobValue(int32_t v); // cents + 1200

} // namespace velmora
