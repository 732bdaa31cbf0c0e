// Loading a skin and painting a panel from it, each against a baseline measured in the
// same run:
//
//   load:  unpacking the built-in package from memory, the three load passes and the
//          colour effects (hue 30, saturation 20), against inflating every entry of the
//          same package bytes with zlib and nothing else. Goal: at most 3 times.
//   panel: the composed picture of the "PANEL" section at 508 x 31 (PaintItem, as a
//          panel's cached picture is made), against copying a surface of that size.
//
// Each figure is the best of rounds taken in turn with its baseline.
//
//   bench-skin [PKG]     (default: the package this build made)
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "framework/Streams.h"
#include "skin/data/sSkinOptions.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/sSkinEffects.h"

namespace {

using Clock = std::chrono::steady_clock;

// Calls that take about `seconds` together.
long CallsFilling(const std::function<void()>& call, double seconds) {
  call();  // warm up caches and lazily built state
  for (long n = 1;; n *= 2) {
    const auto start = Clock::now();
    for (long i = 0; i < n; ++i) call();
    if (std::chrono::duration<double>(Clock::now() - start).count() > seconds) return n;
  }
}

// Seconds per call of `measured` and of `baseline`: the best of rounds taken in turn, so
// both see the same share of a machine that others use too.
std::pair<double, double> BestPerCall(const std::function<void()>& measured, const std::function<void()>& baseline) {
  const long n = CallsFilling(measured, 0.02), m = CallsFilling(baseline, 0.02);
  auto round = [](const std::function<void()>& call, long calls) {
    const auto start = Clock::now();
    for (long i = 0; i < calls; ++i) call();
    return std::chrono::duration<double>(Clock::now() - start).count() / static_cast<double>(calls);
  };
  double best = 1e9, bestBaseline = 1e9;
  for (int r = 0; r < 15; ++r) {
    best = std::min(best, round(measured, n));
    bestBaseline = std::min(bestBaseline, round(baseline, m));
  }
  return {best, bestBaseline};
}

void Report(const char* name, double seconds, const char* baseName, double baseSeconds) {
  std::printf("%-6s %9.3f ms   %-22s %9.3f ms   ratio %6.2f\n", name, seconds * 1e3, baseName, baseSeconds * 1e3,
              seconds / baseSeconds);
}

int32_t Int32At(const std::vector<uint8_t>& bytes, size_t at) {
  if (at + 4 > bytes.size()) throw std::runtime_error("package cut short");
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | bytes[at + static_cast<size_t>(i)];
  return static_cast<int32_t>(v);
}

// The baseline: every entry inflated into a new buffer of its size, as any unpacking
// does, and nothing else. Returns the bytes produced so the work cannot be dropped.
size_t InflateEntries(const std::vector<uint8_t>& package) {
  const int32_t count = Int32At(package, 4);
  std::vector<std::vector<uint8_t>> entries;
  size_t at = 8, produced = 0;
  for (int32_t e = 0; e < count; ++e) {
    at += 4 + static_cast<size_t>(Int32At(package, at));
    const auto size = static_cast<size_t>(Int32At(package, at));
    at += 4;
    std::vector<uint8_t>& out = entries.emplace_back(size);
    z_stream z{};
    z.next_in = const_cast<Bytef*>(package.data() + at);
    z.avail_in = static_cast<uInt>(package.size() - at);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(size);
    if (inflateInit(&z) != Z_OK) throw std::runtime_error("inflateInit failed");
    const int rc = inflate(&z, Z_FINISH);
    at += z.total_in;
    produced += z.total_out;
    inflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("damaged entry");
  }
  return produced;
}

// The lowest address of a surface's store, whichever way its rows run.
uint8_t* StoreStart(const TSurfaceView& v) { return v.rowDelta < 0 ? v.Row(v.height - 1) : v.row0; }

}  // namespace

int main(int argc, char** argv) {
  const String path = Utf8ToString(argc > 1 ? argv[1] : EQUIDIV_BUILTIN_SKIN_PACKAGE);
  if (!FileExists(path)) {
    std::printf("no skin package at %s\n", StringToUtf8(path).c_str());
    return 1;
  }
  TMemoryStream package;
  {
    TFileStream file(path, fmOpenRead | fmShareDenyWrite);
    package.LoadFromStream(file);
  }
  const std::vector<uint8_t> bytes(package.Memory(), package.Memory() + package.Size());

  TsSkinTables tables;
  auto load = [&] {
    if (!LoadSkinPackage(package, tables)) throw std::runtime_error("package rejected");
    ApplyColorEffects(tables, 30, 20);
  };
  size_t produced = 0;
  const auto [loadSeconds, inflateSeconds] = BestPerCall(load, [&] { produced += InflateEntries(bytes); });
  std::printf("%s: %zu bytes packed, %zu sections, %zu masks\n", StringToUtf8(path).c_str(), bytes.size(),
              tables.SectionTable.size(), tables.MaskTable.size());
  Report("load", loadSeconds, "inflate", inflateSeconds);

  const int w = 508, h = 31;
  auto parent = NewSurface24(w, h), picture = NewSurface24(w, h), copy = NewSurface24(w, h);
  FillRectColor(parent->View(), TsRect{0, 0, w, h}, tables.GlobalColor());
  TPaintItemSource item;
  item.Skin = &tables;
  item.SkinSection = "PANEL";
  item.SkinIndex = tables.SectionIndex(item.SkinSection);
  if (item.SkinIndex < 0) {
    std::printf("the skin has no PANEL section\n");
    return 1;
  }
  item.BorderIndex = tables.MaskIndex(item.SkinIndex, item.SkinSection, "BORDERSMASK");
  item.Texture = tables.TextureIndex(item.SkinIndex, item.SkinSection, "PATTERN");
  item.HotTexture = tables.TextureIndex(item.SkinIndex, item.SkinSection, "HOTPATTERN");
  item.HasParent = true;
  item.ParentColor = tables.GlobalColor();
  const BgInfo bg{parent->View(), 0, 0, true};
  const size_t surfaceBytes = static_cast<size_t>(SurfaceStride(w, 24)) * h;
  const auto [paintSeconds, copySeconds] = BestPerCall(
      [&] { PaintItem(item, bg, true, true, picture->View(), TPoint{}, TsRect{0, 0, w, h}, 0); },
      [&] {
        std::memcpy(StoreStart(copy->View()), StoreStart(picture->View()), surfaceBytes);
        ++produced;  // keeps the copy and the loop from being dropped
      });
  Report("panel", paintSeconds, "copy of 508x31", copySeconds);
  return produced == 0 || StoreStart(copy->View())[surfaceBytes / 2] != StoreStart(picture->View())[surfaceBytes / 2];
}
