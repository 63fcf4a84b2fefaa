// The sound engine: everything the audio thread runs, on the state it is
// given. Nothing here allocates, locks, logs, throws or calls the window
// system.
#pragma once

#include "engine/state.h"

#include <cstddef>
#include <cstdint>

#if defined(__clang__) && __clang_major__ >= 20
#define VELMORA_NONBLOCKING [[clang::nonblocking]]
#else
#define VELMORA_NONBLOCKING
#endif

namespace velmora {

// Past this the envelope clock restarts at 0 (about 13.5 hours).
constexpr int32_t kClockLimit = 2147483640;

// One sample of the oscillator pair, before the envelope.
float RenderOscillators(EngineState& s) noexcept VELMORA_NONBLOCKING;

// Bends both phases through their current knees and combines the two sines by
// MixMode; stores the result in OscOutput.
float WarpAndCombine(EngineState& s, float phase1, float phase2) noexcept VELMORA_NONBLOCKING;

// One envelope step; t is EnvelopeClock at the start of the frame.
void AdvanceEnvelope(EngineState& s, int32_t t) noexcept VELMORA_NONBLOCKING;

// Renders frameCount samples into out, one at a time: what the stream
// callback does with its buffer.
void RenderBlock(EngineState& s, float* out, size_t frameCount) noexcept VELMORA_NONBLOCKING;

} // namespace velmora
