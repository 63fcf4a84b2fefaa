#include "support/test_support.h"

#include "core/controls.h"
#include "engine/engine.h"
#include "midi/handler.h"

#include <cmath>
#include <cstring>

namespace velmora::test {

std::unique_ptr<EngineState> NewVoice() {
  auto s = std::make_unique<EngineState>();
  InitEngineDefaults(*s);
  return s;
}

void NoteOn(EngineState& s, int note) { HandleMidiData(s, 0x640090u | uint32_t(note) << 8); }
void NoteOff(EngineState& s) { HandleMidiData(s, 0x80u); }
double NoteHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

std::vector<float> Render(EngineState& s, size_t frameCount, size_t blockSize,
                          std::vector<float> out) {
  const size_t start = out.size();
  out.resize(start + frameCount);
  for (size_t done = 0; done < frameCount; done += blockSize)
    RenderBlock(s, &out[start + done], std::min(blockSize, frameCount - done));
  return out;
}

::testing::AssertionResult SameSamples(const std::vector<float>& expected,
                                       const std::vector<float>& actual) {
  if (expected.size() != actual.size())
    return ::testing::AssertionFailure()
           << "lengths " << expected.size() << " vs " << actual.size();
  for (size_t i = 0; i < expected.size(); ++i)
    if (std::memcmp(&expected[i], &actual[i], sizeof(float)) != 0 || !std::isfinite(actual[i]))
      return ::testing::AssertionFailure()
             << "first difference at sample " << i << ": " << expected[i] << " vs " << actual[i];
  return ::testing::AssertionSuccess();
}

} // namespace velmora::test
