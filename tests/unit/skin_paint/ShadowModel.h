// A slow, literal model of the effect label's shadow, for checking the painter: a grid of
// ints with a ring of zeros, the ink as a grid of booleans, plain division for the shifts.
// Shared by the native tests of the pixel core and the Windows tests of the label.
#pragma once

#include <vector>

namespace shadow_model {

using Grid = std::vector<std::vector<int>>;  // [y][x]
using Ink = std::vector<std::vector<bool>>;  // [y][x]

// The weights of every pixel after `passes` passes over `ink` ([y][x], w x h).
inline Grid Blur(const Ink& ink, int passes) {
  const int h = static_cast<int>(ink.size());
  const int w = h ? static_cast<int>(ink[0].size()) : 0;
  Grid cell(static_cast<size_t>(h + 2), std::vector<int>(static_cast<size_t>(w + 2), 0));
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (ink[y][x]) cell[y + 1][x + 1] = 255;
    for (int y = 1; y <= h; ++y)
      for (int x = 1; x <= w; ++x) cell[y][x] = (cell[y - 1][x] + cell[y + 1][x] + cell[y][x - 1] + cell[y][x + 1]) / 4;
  }
  Grid weight(static_cast<size_t>(h), std::vector<int>(static_cast<size_t>(w)));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) weight[y][x] = cell[y + 1][x + 1];
  return weight;
}

// One channel of a pixel under the shadow: `behind` pulled towards `shadow` by weight k.
inline int Channel(int behind, int shadow, int k) { return (behind * (255 - k) + shadow * k) / 256; }

}  // namespace shadow_model
