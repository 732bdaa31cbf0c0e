// A small fixed package of images (a 24-bit master, an 8-bit and a 32-bit bitmap) for the
// targets that fuzz an options text.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "skin/data/sSkinOptions.h"

namespace fuzz {

inline std::vector<uint8_t> Bmp(int width, int height, int bits) {
  const int stride = ((width * bits + 31) / 32) * 4;
  const int palette = bits == 8 ? 256 * 4 : 0;
  const uint32_t offset = 54 + palette;
  std::vector<uint8_t> b(offset + static_cast<size_t>(stride) * height, 0x5A);
  auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, static_cast<uint32_t>(b.size()), 4);
  put(6, 0, 4);
  put(10, offset, 4);
  put(14, 40, 4);
  put(18, static_cast<uint32_t>(width), 4);
  put(22, static_cast<uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, static_cast<uint32_t>(bits), 2);
  put(30, 0, 4);
  std::fill(b.begin() + 34, b.begin() + 46, 0);
  put(46, bits == 8 ? 256 : 0, 4);
  put(50, 0, 4);
  return b;
}

inline const TacSkinConvertor& Images() {
  static std::unique_ptr<TacSkinConvertor> images = [] {
    auto reader = std::make_unique<TacSkinConvertor>();
    auto add = [&](const char* name, std::vector<uint8_t> bytes) {
      auto data = std::make_unique<TMemoryStream>();
      data->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
      reader->ImageItems.push_back(TacImageItem{name, IsBitmapName(name), std::move(data)});
    };
    add("Master.bmp", Bmp(64, 32, 24));
    add("TopRight.bmp", Bmp(30, 24, 8));
    add("Frame.bmp", Bmp(12, 6, 32));
    return reader;
  }();
  return *images;
}

// Loads fuzzed bytes as an options text over Images(); false when the load was refused.
inline bool LoadFuzzedOptions(const uint8_t* data, size_t size, TsSkinTables& tables) {
  TsSkinSource source;
  source.Package = &Images();
  try {
    LoadSkinOptions(std::string_view(reinterpret_cast<const char*>(data), size), source, tables);
  } catch (const Exception&) {
    return false;
  }
  return true;
}

} // namespace fuzz
