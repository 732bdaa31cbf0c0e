// Decoders for the images of a skin: Windows bitmap files and JPEG pictures.
//
// Both produce pixel stores through `NewSurface`, so on Windows they are DIB sections.
// Bitmaps of 1, 4, 8 and 24 bits become 24-bit surfaces, 32-bit ones (uncompressed or
// with 8-bit channel masks) 32-bit surfaces; RLE and other compressions are not read.
// JPEGs become 24-bit surfaces. Damaged, truncated or unsupported input gives null; the
// only exceptions are those of the surface factory when it cannot make a store (memory,
// system resources), and they leave nothing allocated behind.
//
// Limits: each side at most kMaxImageSide pixels and at most kMaxImagePixels pixels in
// all, so a header cannot make us allocate more than about 64 MB for one image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/Surface.h"

inline constexpr int kMaxImageSide = 16384;
inline constexpr int64_t kMaxImagePixels = int64_t{16} << 20;

std::unique_ptr<TSurface> DecodeBmp(const uint8_t* data, size_t size);
std::unique_ptr<TSurface> DecodeJpeg(const uint8_t* data, size_t size);

// A copy of `source` at 24 bits (alpha dropped) or 32 bits (alpha 255 where the source
// has none); null for an empty source.
std::unique_ptr<TSurface> CopySurface(const TSurface& source, int bitsPerPixel);
