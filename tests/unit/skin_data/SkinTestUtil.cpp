#include "tests/unit/skin_data/SkinTestUtil.h"

#include <csetjmp>
#include <cstdio>
#include <new>
#include <stdexcept>

#include <jpeglib.h>
#include <zlib.h>

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

void PutInt32(Bytes& out, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes Compress(const Bytes& data, int level) {
  Bytes out(compressBound(static_cast<uLong>(data.size())));
  uLongf size = static_cast<uLongf>(out.size());
  if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), level) != Z_OK)
    throw std::runtime_error("compress2 failed");
  out.resize(size);
  return out;
}

Bytes PackageBuilder::Build(int level) const {
  Bytes out = ToBytes("ASzf");
  PutInt32(out, static_cast<int32_t>(entries.size()));
  for (const auto& [name, data] : entries) {
    PutInt32(out, static_cast<int32_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    PutInt32(out, static_cast<int32_t>(data.size()));
    const Bytes packed = Compress(data, level);
    out.insert(out.end(), packed.begin(), packed.end());
  }
  return out;
}

std::unique_ptr<TMemoryStream> StreamOf(const Bytes& bytes) {
  auto s = std::make_unique<TMemoryStream>();
  if (!bytes.empty()) s->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s->SetPosition(0);
  return s;
}

namespace {
void Put16(Bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& out, uint32_t v) { PutInt32(out, static_cast<int32_t>(v)); }

Bytes BmpHeaders(int width, int height, int bits, uint32_t paletteSize, size_t pixelBytes) {
  Bytes out = ToBytes("BM");
  const uint32_t offset = 14 + 40 + paletteSize * 4;
  Put32(out, offset + static_cast<uint32_t>(pixelBytes));
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(pixelBytes));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, paletteSize);
  Put32(out, 0);
  return out;
}
} // namespace

Bytes MakeBmp24(int width, int height, uint32_t (*colorAt)(int, int), bool topDown) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  Bytes out = BmpHeaders(width, topDown ? -height : height, 24, 0, stride * height);
  for (int row = 0; row < height; ++row) {
    const int y = topDown ? row : height - 1 - row;
    for (int x = 0; x < width; ++x) {
      const uint32_t c = colorAt(x, y);
      out.push_back(static_cast<uint8_t>(c));
      out.push_back(static_cast<uint8_t>(c >> 8));
      out.push_back(static_cast<uint8_t>(c >> 16));
    }
    out.resize(out.size() + stride - static_cast<size_t>(width) * 3, 0);
  }
  return out;
}

Bytes MakeBmp32(int width, int height, uint32_t (*colorAt)(int, int)) {
  Bytes out = BmpHeaders(width, height, 32, 0, static_cast<size_t>(width) * height * 4);
  for (int row = 0; row < height; ++row)
    for (int x = 0; x < width; ++x) Put32(out, colorAt(x, height - 1 - row) | 0x80000000u);
  return out;
}

Bytes MakeBmpIndexed(int width, int height, int bits, const std::vector<uint32_t>& palette) {
  const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  Bytes out = BmpHeaders(width, height, bits, static_cast<uint32_t>(palette.size()), stride * height);
  for (uint32_t c : palette) Put32(out, c);
  for (int row = 0; row < height; ++row) {
    const int y = height - 1 - row;
    Bytes line(stride, 0);
    for (int x = 0; x < width; ++x) {
      const uint32_t index = static_cast<uint32_t>(x + y) % palette.size();
      const int bit = x * bits;
      line[bit / 8] |= static_cast<uint8_t>(index << (8 - bits - bit % 8));
    }
    out.insert(out.end(), line.begin(), line.end());
  }
  return out;
}

Bytes MakeJpeg(int width, int height, uint32_t color) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(width) * 3);
  for (int x = 0; x < width; ++x) {
    row[x * 3] = static_cast<JSAMPLE>(color >> 16);
    row[x * 3 + 1] = static_cast<JSAMPLE>(color >> 8);
    row[x * 3 + 2] = static_cast<JSAMPLE>(color);
  }
  JSAMPROW rows[1] = {row.data()};
  while (info.next_scanline < info.image_height) jpeg_write_scanlines(&info, rows, 1);
  jpeg_finish_compress(&info);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  free(buffer);
  return out;
}

uint32_t PixelAt(const TSurface& surface, int x, int y) {
  const uint8_t* p = surface.View().Pixel(x, y);
  return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

void LoadFromPackage(const std::string& options, const std::vector<std::pair<std::string, Bytes>>& images,
                     TsSkinTables& tables) {
  PackageBuilder builder;
  builder.Add("Options.dat", options);
  for (const auto& [name, data] : images) builder.Add(name, data);
  auto stream = StreamOf(builder.Build());
  RecordingReporter reporter;
  if (!LoadSkinPackage(*stream, tables, &reporter)) throw std::runtime_error("package rejected");
}

FailingSurfaceFactory::FailingSurfaceFactory(int outOfMemoryWidth, int badAllocWidth) {
  SetSurfaceFactory([=](int width, int height, int bitsPerPixel) -> std::unique_ptr<TSurface> {
    if (width == outOfMemoryWidth) throw EOutOfMemory(L"Out of system resources");
    if (width == badAllocWidth) throw std::bad_alloc();
    return std::make_unique<THeapSurface>(width, height, bitsPerPixel);
  });
}

FailingSurfaceFactory::~FailingSurfaceFactory() { SetSurfaceFactory({}); }
