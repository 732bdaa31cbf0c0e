#include "framework/Surface.h"

#include <algorithm>

THeapSurface::THeapSurface(int width, int height, int bitsPerPixel, bool bottomUp) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const std::ptrdiff_t stride = SurfaceStride(width, bitsPerPixel);
  pixels_.assign(static_cast<size_t>(stride * height), 0);
  view_.width = width;
  view_.height = height;
  view_.bitsPerPixel = bitsPerPixel;
  if (pixels_.empty()) return;
  view_.row0 = bottomUp ? pixels_.data() + stride * (height - 1) : pixels_.data();
  view_.rowDelta = bottomUp ? -stride : stride;
}

namespace {
TSurfaceFactory& CurrentFactory() {
  static TSurfaceFactory factory;
  return factory;
}
}  // namespace

void SetSurfaceFactory(TSurfaceFactory factory) { CurrentFactory() = std::move(factory); }

std::unique_ptr<TSurface> NewSurface(int width, int height, int bitsPerPixel) {
  if (CurrentFactory()) return CurrentFactory()(width, height, bitsPerPixel);
  return std::make_unique<THeapSurface>(width, height, bitsPerPixel);
}
