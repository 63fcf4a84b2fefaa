// Helpers shared by the unit tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

// Fresh start-up state with the mode selector built (MixMode 1), as the
// stream sees it when it starts.
void ResetSynth();

// Direct note-state edits in the order the MIDI handler makes them, for tests
// of the engine alone.
void PressKey(double frequencyHz);
void ReleaseKey();

double NoteHz(int note);

// Renders frameCount samples through the stream callback, in buffers of
// blockSize frames.
std::vector<float> Render(size_t frameCount, size_t blockSize = 256);

// Compares two sample runs bit for bit; on a mismatch, says where the first
// difference is and how large it is.
::testing::AssertionResult SameSamples(const std::vector<float>& expected,
                                       const std::vector<float>& actual);

} // namespace velmora::test
