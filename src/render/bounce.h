// Playing a schedule of MIDI messages through the synth's engine: the stream
// callback renders, and each message goes through the live MIDI handler
// between the samples where it arrives.
#pragma once

#include "engine/state.h"
#include "render/midifile.h"

#include <functional>
#include <optional>
#include <span>

namespace velmora {

// Takes each rendered block; false stops the render.
using BlockSink = std::function<bool(std::span<const float>)>;
// Told the number of samples rendered so far, after each block.
using ProgressSink = std::function<void(int64_t)>;

// Samples after the file's end, from a tail in seconds or, without one, an
// upper bound for the release of the last note (the longest release the
// Release knob can set). For checking the size of the output beforehand.
int64_t MostTailSamples(const std::optional<double>& tailSeconds);

// Renders from the engine state as it stands (PrepareEngine sets it up): up to
// the file's end with the messages in place, then releases the notes still
// held, then renders the tail: tailSeconds if given, else up to the last
// sample that the release of the last note leaves above silence. Returns
// false if the sink stopped it.
bool Bounce(EngineState& s, const MidiSchedule& schedule, const std::optional<double>& tailSeconds,
            const BlockSink& sink, const ProgressSink& progress);

} // namespace velmora
