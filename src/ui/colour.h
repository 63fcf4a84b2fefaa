// Colours of the window and its self-painted controls.
#pragma once

#include <cstdint>

namespace velmora {

// Colour packed as 0xBBGGRR: red in the low byte.
using Colour = uint32_t;
constexpr Colour Rgb(int r, int g, int b) {
  return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}

} // namespace velmora
