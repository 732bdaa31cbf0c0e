// Pixel stores shared by every layer that touches pixels.
//
// `TSurfaceView` owns nothing: row 0, width, height, bits per pixel (24 or 32) and the
// signed row delta, so bottom-up (DIB-like, negative delta) and top-down stores are
// addressed the same way. Pixels are stored B, G, R (, A) as in Windows DIBs; rows are
// padded to 4 bytes.
//
// `TSurface` owns a store. Natively it is heap memory (`THeapSurface`); on Windows the GUI
// framework installs a factory that backs surfaces with DIB sections, so GDI can draw
// text into them. Code that needs a new surface calls `NewSurface`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct TSurfaceView {
  uint8_t* row0 = nullptr;
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;
  std::ptrdiff_t rowDelta = 0;

  int BytesPerPixel() const { return bitsPerPixel / 8; }
  bool Empty() const { return row0 == nullptr || width <= 0 || height <= 0; }
  // Does not check bounds.
  uint8_t* Row(int y) const { return row0 + static_cast<std::ptrdiff_t>(y) * rowDelta; }
  uint8_t* Pixel(int x, int y) const { return Row(y) + static_cast<std::ptrdiff_t>(x) * BytesPerPixel(); }
};

// Bytes per row of a DIB-compatible store: rows padded to a multiple of 4 bytes.
constexpr std::ptrdiff_t SurfaceStride(int width, int bitsPerPixel) {
  return ((static_cast<std::ptrdiff_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

class TSurface {
public:
  TSurface() = default;
  TSurface(const TSurface&) = delete;
  TSurface& operator=(const TSurface&) = delete;
  virtual ~TSurface() = default;

  const TSurfaceView& View() const { return view_; }
  int Width() const { return view_.width; }
  int Height() const { return view_.height; }
  int BitsPerPixel() const { return view_.bitsPerPixel; }

protected:
  TSurfaceView view_;
};

// Heap-backed store, zero-filled. Bottom-up by default, like a DIB section.
class THeapSurface : public TSurface {
public:
  THeapSurface(int width, int height, int bitsPerPixel, bool bottomUp = true);

private:
  std::vector<uint8_t> pixels_;
};

using TSurfaceFactory = std::function<std::unique_ptr<TSurface>(int width, int height, int bitsPerPixel)>;

// Replaces how `NewSurface` makes stores; an empty factory restores heap surfaces.
void SetSurfaceFactory(TSurfaceFactory factory);

// A new zero-filled store of 24 or 32 bits per pixel. Sizes below 1 give an empty store.
std::unique_ptr<TSurface> NewSurface(int width, int height, int bitsPerPixel);
