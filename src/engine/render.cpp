#include "engine/engine.h"

#include <cmath>

namespace velmora {

void RenderBlock(EngineState& s, float* out, size_t frameCount) noexcept VELMORA_NONBLOCKING {
  for (size_t i = 0; i < frameCount; ++i) {
    AdvanceEnvelope(s, s.EnvelopeClock);
    // Read again: an attack start in this very frame restarts the ramp here.
    const int32_t n = s.EnvelopeClock;
    const float y = RenderOscillators(s);
    double v = static_cast<double>(y) * s.EnvelopeLevel;
    // Onset ramp (n / length)^5, in single precision, over the first
    // samples of the attack (100 at 44100).
    if (n >= 0 && n < s.OnsetRampLength)
      v *= std::pow(static_cast<float>(n / static_cast<double>(s.OnsetRampLength)), 5.0f);
    out[i] = static_cast<float>(v);
    s.EnvelopeClock += 1;
  }
}

} // namespace velmora
