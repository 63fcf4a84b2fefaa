// The sound engine: everything the audio thread runs. Nothing here allocates,
// locks, logs, throws or calls the window system.
#pragma once

#include <portaudio.h>

#include <cstdint>

#if defined(__clang__) && __clang_major__ >= 20
#define VELMORA_NONBLOCKING [[clang::nonblocking]]
#else
#define VELMORA_NONBLOCKING
#endif

namespace velmora {

constexpr double kSampleRate = 44100.0;

// Samples of fade-out before every attack: FadeCounter runs 0..1000.
constexpr int32_t kFadeOutLast = 1000;

// Past this the envelope clock restarts at 0 (about 13.5 hours).
constexpr int32_t kClockLimit = 2147483640;

// One sample of the oscillator pair, before the envelope.
float RenderOscillators() noexcept VELMORA_NONBLOCKING;

// Bends both phases through their current knees and combines the two sines by
// MixMode; stores the result in OscOutput.
float WarpAndCombine(float phase1, float phase2) noexcept VELMORA_NONBLOCKING;

// One envelope step; t is EnvelopeClock at the start of the frame.
void AdvanceEnvelope(int32_t t) noexcept VELMORA_NONBLOCKING;

// The stream callback.
int RenderAudio(const void* input, void* output, unsigned long frameCount,
                const PaStreamCallbackTimeInfo* timeInfo, PaStreamCallbackFlags statusFlags,
                void* userData) noexcept VELMORA_NONBLOCKING;

} // namespace velmora
