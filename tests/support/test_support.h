// Helpers shared by the unit tests.
#pragma once

#include "engine/state.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace velmora::test {

// A voice with the start-up defaults (heap: the sine memos are large).
std::unique_ptr<EngineState> NewVoice();

// Notes through the MIDI handler, as the MIDI thread plays them.
void NoteOn(EngineState& s, int note);
void NoteOff(EngineState& s);
double NoteHz(int note);

// out with frameCount samples of s added through RenderBlock, in buffers of blockSize.
std::vector<float> Render(EngineState& s, size_t frameCount, size_t blockSize = 256,
                          std::vector<float> out = {});

// Bit for bit and finite; on a mismatch says where the first difference is.
::testing::AssertionResult SameSamples(const std::vector<float>& expected,
                                       const std::vector<float>& actual);

} // namespace velmora::test
