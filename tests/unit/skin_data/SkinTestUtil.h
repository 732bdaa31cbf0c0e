// Helpers of the skin data tests: packages built with zlib directly (not with our
// packer), small bitmaps and JPEGs made in memory, and a reporter that records.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/Streams.h"
#include "skin/data/acSkinReport.h"
#include "skin/data/sSkinOptions.h"

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(std::string_view text);
void PutInt32(Bytes& out, int32_t value);
Bytes Compress(const Bytes& data, int level = 6);

// Entries in order; `Build` writes magic, count and each entry with a zlib stream.
struct PackageBuilder {
  std::vector<std::pair<std::string, Bytes>> entries;
  PackageBuilder& Add(std::string name, Bytes data) {
    entries.emplace_back(std::move(name), std::move(data));
    return *this;
  }
  PackageBuilder& Add(std::string name, std::string_view text) { return Add(std::move(name), ToBytes(text)); }
  Bytes Build(int level = 6) const;
};

std::unique_ptr<TMemoryStream> StreamOf(const Bytes& bytes);

// Bitmap files: each pixel's colour is `colorAt(x, y)` as 0x00RRGGBB, y from the top.
Bytes MakeBmp24(int width, int height, uint32_t (*colorAt)(int x, int y), bool topDown = false);
Bytes MakeBmp32(int width, int height, uint32_t (*colorAt)(int x, int y));
// Palette bitmap of `bits` (1, 4 or 8): pixel index (x + y) % palette size.
Bytes MakeBmpIndexed(int width, int height, int bits, const std::vector<uint32_t>& palette);
// A JPEG of one colour (0x00RRGGBB).
Bytes MakeJpeg(int width, int height, uint32_t color);

// While alive, `NewSurface` raises EOutOfMemory for stores `outOfMemoryWidth` pixels wide
// and std::bad_alloc for stores `badAllocWidth` wide (as the DIB factory and the heap do
// when they give up), and makes heap stores otherwise. Restores the plain factory.
class FailingSurfaceFactory {
public:
  FailingSurfaceFactory(int outOfMemoryWidth, int badAllocWidth = -1);
  ~FailingSurfaceFactory();
  FailingSurfaceFactory(const FailingSurfaceFactory&) = delete;
  FailingSurfaceFactory& operator=(const FailingSurfaceFactory&) = delete;
};

// Pixel (x, y) of a 24- or 32-bit surface as 0x00RRGGBB.
uint32_t PixelAt(const TSurface& surface, int x, int y);

class RecordingReporter : public TacSkinReporter {
public:
  void Warning(const String& caption, const String& text) override { reports.emplace_back(caption, text); }
  std::vector<std::pair<String, String>> reports;
};

// Loads `options` with `images` as package entries into `tables` (through a package).
void LoadFromPackage(const std::string& options, const std::vector<std::pair<std::string, Bytes>>& images,
                     TsSkinTables& tables);
