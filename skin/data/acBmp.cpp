// Windows bitmap files: BITMAPFILEHEADER, then a core (12-byte) or info (40 bytes and up)
// header, an optional palette and the rows, bottom-up unless the height is negative.
#include <cstring>
#include <vector>

#include "skin/data/acImages.h"

namespace {

uint32_t U16(const uint8_t* p) { return p[0] | static_cast<uint32_t>(p[1]) << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }
int32_t S32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

constexpr uint32_t kBI_RGB = 0;
constexpr uint32_t kBI_BITFIELDS = 3;
constexpr size_t kFileHeader = 14;

struct Bgr {
  uint8_t b = 0, g = 0, r = 0;
};

// The position of the lowest set bit and the width of a contiguous channel mask; false
// for masks that are not one run of 8 bits.
bool ByteChannel(uint32_t mask, int& shift) {
  if (mask == 0) return false;
  shift = 0;
  while (!(mask & 1u)) {
    mask >>= 1;
    ++shift;
  }
  return mask == 0xFFu;
}

} // namespace

std::unique_ptr<TSurface> DecodeBmp(const uint8_t* data, size_t size) {
  if (!data || size < kFileHeader + 12 || data[0] != 'B' || data[1] != 'M') return nullptr;
  const uint32_t pixelOffset = U32(data + 10);
  const uint8_t* info = data + kFileHeader;
  const uint32_t headerSize = U32(info);
  if (headerSize != 12 && headerSize < 40) return nullptr;
  if (headerSize > size - kFileHeader) return nullptr;

  int64_t width = 0, height = 0;
  uint32_t bits = 0, compression = kBI_RGB, colorsUsed = 0;
  size_t paletteEntry = 4;
  if (headerSize == 12) {
    width = U16(info + 4);
    height = static_cast<int16_t>(U16(info + 6));
    bits = U16(info + 10);
    paletteEntry = 3;
  } else {
    width = S32(info + 4);
    height = S32(info + 8);
    bits = U16(info + 14);
    compression = U32(info + 16);
    colorsUsed = U32(info + 32);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
      width * height > kMaxImagePixels)
    return nullptr;

  // Channel masks for 32 bits: BGRA order unless BI_BITFIELDS says otherwise.
  int shiftR = 16, shiftG = 8, shiftB = 0;
  if (compression == kBI_BITFIELDS) {
    if (bits != 32) return nullptr;
    const size_t masksAt = kFileHeader + (headerSize >= 52 ? 40 : headerSize);
    if (masksAt + 12 > size) return nullptr;
    if (!ByteChannel(U32(data + masksAt), shiftR) || !ByteChannel(U32(data + masksAt + 4), shiftG) ||
        !ByteChannel(U32(data + masksAt + 8), shiftB))
      return nullptr;
  } else if (compression != kBI_RGB) {
    return nullptr;
  }

  std::vector<Bgr> palette;
  if (bits == 1 || bits == 4 || bits == 8) {
    const uint32_t most = 1u << bits;
    const uint32_t entries = colorsUsed == 0 ? most : colorsUsed;
    if (entries > most) return nullptr;
    const size_t at = kFileHeader + headerSize;
    if (at + static_cast<size_t>(entries) * paletteEntry > size) return nullptr;
    palette.resize(most); // indexes past the palette read black
    for (uint32_t i = 0; i < entries; ++i) {
      const uint8_t* p = data + at + i * paletteEntry;
      palette[i] = {p[0], p[1], p[2]};
    }
  } else if (bits != 24 && bits != 32) {
    return nullptr;
  }

  const int64_t stride = SurfaceStride(static_cast<int>(width), static_cast<int>(bits));
  if (pixelOffset > size || static_cast<uint64_t>(stride) * height > size - pixelOffset) return nullptr;

  // The palette as the bytes of a pixel in memory (blue, green, red, 0), for 8-bit rows.
  uint32_t wide[256] = {};
  if (bits == 8)
    for (size_t i = 0; i < 256; ++i) {
      const uint8_t bytes[4] = {palette[i].b, palette[i].g, palette[i].r, 0};
      std::memcpy(&wide[i], bytes, 4);
    }

  const int w = static_cast<int>(width), h = static_cast<int>(height);
  auto surface = NewSurface(w, h, bits == 32 ? 32 : 24);
  if (!surface || surface->View().Empty()) return nullptr;
  const TSurfaceView& view = surface->View();
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = data + pixelOffset + static_cast<size_t>(topDown ? y : h - 1 - y) * stride;
    uint8_t* dst = view.Row(y);
    if (bits == 24) {
      std::memcpy(dst, src, static_cast<size_t>(w) * 3);
    } else if (bits == 32) {
      for (int x = 0; x < w; ++x) {
        const uint32_t v = U32(src + x * 4);
        dst[x * 4 + 0] = static_cast<uint8_t>(v >> shiftB);
        dst[x * 4 + 1] = static_cast<uint8_t>(v >> shiftG);
        dst[x * 4 + 2] = static_cast<uint8_t>(v >> shiftR);
        dst[x * 4 + 3] = static_cast<uint8_t>(v >> 24);
      }
    } else if (bits == 8) {
      // Four bytes a pixel, the fourth overwritten by the next pixel; three for the last.
      for (int x = 0; x + 1 < w; ++x) std::memcpy(dst + x * 3, &wide[src[x]], 4);
      std::memcpy(dst + (w - 1) * 3, &wide[src[w - 1]], 3);
    } else {
      const int perByte = 8 / static_cast<int>(bits);
      const uint32_t mask = (1u << bits) - 1;
      for (int x = 0; x < w; ++x) {
        const int shift = (perByte - 1 - x % perByte) * static_cast<int>(bits);
        const Bgr& c = palette[(src[x / perByte] >> shift) & mask];
        dst[x * 3 + 0] = c.b;
        dst[x * 3 + 1] = c.g;
        dst[x * 3 + 2] = c.r;
      }
    }
  }
  return surface;
}

std::unique_ptr<TSurface> CopySurface(const TSurface& source, int bitsPerPixel) {
  const TSurfaceView& from = source.View();
  if (from.Empty() || (bitsPerPixel != 24 && bitsPerPixel != 32)) return nullptr;
  auto copy = NewSurface(from.width, from.height, bitsPerPixel);
  if (!copy || copy->View().Empty()) return nullptr;
  const TSurfaceView& to = copy->View();
  const int fromStep = from.BytesPerPixel(), toStep = to.BytesPerPixel();
  for (int y = 0; y < from.height; ++y) {
    const uint8_t* s = from.Row(y);
    uint8_t* d = to.Row(y);
    for (int x = 0; x < from.width; ++x) {
      std::memcpy(d + x * toStep, s + x * fromStep, 3);
      if (toStep == 4) d[x * 4 + 3] = fromStep == 4 ? s[x * 4 + 3] : 0xFF;
    }
  }
  return copy;
}
