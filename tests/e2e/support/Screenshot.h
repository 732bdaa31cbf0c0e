// Pictures of what is on the screen: read back with BitBlt from the screen's device
// context (what a person sees, whoever painted it), kept as 24-bit pixels for checks and
// written as BMP files that the test script turns into PNG.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgr;  // top-down rows, 3 bytes a pixel, no padding

  bool Empty() const { return width <= 0 || height <= 0; }
  COLORREF Pixel(int x, int y) const;
  bool operator==(const Picture& other) const = default;
};

// The screen area `rect` (screen coordinates) as it is now.
Picture CaptureScreen(const RECT& rect);
// Waits until two captures of `rect` taken one poll apart are identical (painting has
// settled), and returns the last; after `ms` returns whatever was on the screen then.
Picture CaptureSettled(const RECT& rect, DWORD ms = 5000);
// The smallest rectangle holding both.
RECT UnionOf(const RECT& a, const RECT& b);
bool SaveBmp(const Picture& picture, const std::wstring& path);

// Counts the pixels of `picture` inside `rect` (picture coordinates) for which `match` holds.
template <typename Match>
int CountPixels(const Picture& picture, const RECT& rect, Match match) {
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x)
      if (x >= 0 && y >= 0 && x < picture.width && y < picture.height && match(picture.Pixel(x, y))) ++count;
  return count;
}

}  // namespace e2e
