#include "support/test_support.h"

#include "core/state.h"
#include "engine/engine.h"

#include <cmath>
#include <cstring>

namespace velmora::test {

void ResetSynth() {
  InitSynthState();
  Synth.MixMode = 1;
}

void PressKey(double frequencyHz) {
  Synth.NoteFrequency = frequencyHz;
  Synth.Gate = 1;
}

void ReleaseKey() {
  Synth.Gate = 0;
  Synth.NoteStarted = 0;
  Synth.AttackStarted = 0;
  Synth.PreviousFrequency = Synth.NoteFrequency.load();
}

double NoteHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

std::vector<float> Render(size_t frameCount, size_t blockSize) {
  std::vector<float> out(frameCount);
  for (size_t done = 0; done < frameCount;) {
    const size_t n = std::min(blockSize, frameCount - done);
    RenderAudio(nullptr, out.data() + done, n, nullptr, 0, nullptr);
    done += n;
  }
  return out;
}

::testing::AssertionResult SameSamples(const std::vector<float>& expected,
                                       const std::vector<float>& actual) {
  if (expected.size() != actual.size())
    return ::testing::AssertionFailure()
           << "lengths differ: " << expected.size() << " vs " << actual.size();
  for (size_t i = 0; i < expected.size(); ++i) {
    if (std::memcmp(&expected[i], &actual[i], sizeof(float)) != 0)
      return ::testing::AssertionFailure()
             << "first difference at sample " << i << ": " << expected[i] << " vs " << actual[i]
             << " (delta " << (actual[i] - expected[i]) << ")";
  }
  return ::testing::AssertionSuccess();
}

} // namespace velmora::test
