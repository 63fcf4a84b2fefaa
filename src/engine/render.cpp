#include "engine/engine.h"

#include <array>
#include <cmath>

namespace velmora {

namespace {

// Onset ramp (n / 100)^5 for n = 0..99, in single precision. Built before
// main() runs, so the audio thread only reads it.
const std::array<float, 100> kOnsetRamp = [] {
  std::array<float, 100> ramp{};
  for (int n = 0; n < 100; ++n)
    ramp[n] = std::pow(static_cast<float>(n / 100.0), 5.0f);
  return ramp;
}();

} // namespace

void RenderBlock(EngineState& s, float* out, size_t frameCount) noexcept VELMORA_NONBLOCKING {
  for (size_t i = 0; i < frameCount; ++i) {
    AdvanceEnvelope(s, s.EnvelopeClock);
    // Read again: an attack start in this very frame restarts the ramp here.
    const int32_t n = s.EnvelopeClock;
    const float y = RenderOscillators(s);
    double v = static_cast<double>(y) * s.EnvelopeLevel;
    if (n >= 0 && n < 100)
      v *= kOnsetRamp[static_cast<size_t>(n)];
    out[i] = static_cast<float>(v);
    s.EnvelopeClock += 1;
  }
}

} // namespace velmora
