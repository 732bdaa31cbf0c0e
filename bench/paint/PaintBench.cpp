// bench-paint [PKG|DIR]: megapixels per second of the painters on 24-bit surfaces, each
// as a ratio against a plain memcpy of a surface of the same size timed in the same run,
// with the heap allocations one call makes. The PaintItem rows need a skin (the built-in
// package, build/native/skins/Frost.asz); without one they are left out.
//
// Goals: row filling (vertical gradient, tint) at least 0.3 of memcpy, per-pixel work
// (horizontal gradient, blends) at least 0.1, no allocation per pixel or per row.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "framework/Streams.h"
#include "skin/data/sSkinOptions.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/sGradient.h"
#include "bench/BenchTiming.h"

namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t size) {
  ++gAllocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {


double MemcpySeconds(int w, int h) {
  const size_t bytes = static_cast<size_t>(SurfaceStride(w, 24)) * static_cast<size_t>(h);
  std::vector<uint8_t> a(bytes, 1), b(bytes, 2);
  return TimePerCall([&] {
    std::memcpy(b.data(), a.data(), bytes);
    a[bytes / 2] = static_cast<uint8_t>(a[bytes / 2] + b[bytes / 3]);  // keep the copy alive
  });
}

long AllocationsPerCall(const std::function<void()>& call) {
  const long before = gAllocations.load();
  call();
  return gAllocations.load() - before;
}

void Report(const char* name, int w, int h, const std::function<void()>& call) {
  const double seconds = TimePerCall(call);
  const double base = MemcpySeconds(w, h);
  const double mpx = w * static_cast<double>(h) / seconds / 1e6;
  const double baseMpx = w * static_cast<double>(h) / base / 1e6;
  std::printf("%-28s %4dx%-4d %9.1f Mpx/s   memcpy %9.1f Mpx/s   ratio %6.3f   allocations/call %ld\n", name, w,
              h, mpx, baseMpx, mpx / baseMpx, AllocationsPerCall(call));
}

TsGradientStep Step(TColor c1, TColor c2, int percent, int mode) {
  TsGradientStep s;
  s.Color1 = c1;
  s.Color2 = c2;
  s.Percent = static_cast<int8_t>(percent);
  s.Mode = mode;
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const int w = 508, h = 200;
  auto dst = NewSurface24(w, h), src = NewSurface24(w, h);
  const TSurfaceView d = dst->View(), s = src->View();
  FillRectColor(s, TsRect{0, 0, w, h}, 0x00C08040);

  // The four-step button gradient of the built-in skin, in both directions.
  TsGradArray vertical = {Step(16184299, 15788256, 45, 0), Step(15788256, 14866631, 10, 0),
                          Step(14866631, 16184300, 42, 0), Step(16184300, 16184300, 0, 0)};
  TsGradArray horizontal = vertical;
  horizontal[0].Mode = 1;

  Report("vertical gradient", w, h, [&] { PaintGradient(d, TsRect{0, 0, w, h}, vertical); });
  Report("horizontal gradient", w, h, [&] { PaintGradient(d, TsRect{0, 0, w, h}, horizontal); });
  Report("BlendSurfaces", w, h, [&] { BlendSurfaces(d, s, 100); });
  Report("TintRect", w, h, [&] { TintRect(d, TsRect{0, 0, w, h}, 30, 0x00FFFFFF); });

  // A 3-frame border with mask rows, like a button's, on a synthetic master.
  auto master = NewSurface24(36, 24);
  FillRectColor(master->View(), TsRect{0, 0, 36, 12}, 0x00A0B0C0);
  FillRectColor(master->View(), TsRect{0, 0, 1, 1}, clFuchsia);
  TsMaskData border;
  border.R = TsRect{0, 0, 36, 24};
  border.ImageCount = 3;
  border.MaskType = 1;
  border.DrawMode = 4;
  border.WL = border.WT = border.WR = border.WB = 4;
  const TMaskRef ref = MaskRef(border, master->View());
  auto parent = NewSurface24(w, h);
  const BgInfo bg{parent->View(), 0, 0, true};
  Report("PaintBorderMask", w, h, [&] { PaintBorderMask(d, TsRect{0, 0, w, h}, true, true, 1, ref, bg); });
  Report("PaintBorderMask", 113, 25, [&] { PaintBorderMask(d, TsRect{0, 0, 113, 25}, true, true, 1, ref, bg); });

  if (argc < 2) {
    std::printf("PaintItem rows left out: no skin folder given\n");
    return 0;
  }
  TsSkinTables tables;
  const String path = Utf8ToString(argv[1]);
  bool loaded = false;
  if (DirectoryExists(path)) {
    loaded = LoadSkinFolder(path, tables);
  } else if (FileExists(path)) {
    TFileStream file(path, fmOpenRead | fmShareDenyWrite);
    loaded = LoadSkinPackage(file, tables);
  }
  if (!loaded) {
    std::printf("no skin package or folder at %s\n", argv[1]);
    return 1;
  }
  for (auto [name, iw, ih] : {std::tuple{"BUTTON", 113, 25}, std::tuple{"PAGECONTROL", 508, 200}}) {
    TPaintItemSource item;
    item.Skin = &tables;
    item.SkinIndex = tables.SectionIndex(name);
    item.SkinSection = name;
    item.BorderIndex = tables.MaskIndex(item.SkinIndex, name, "BORDERSMASK");
    item.Texture = tables.TextureIndex(item.SkinIndex, name, "PATTERN");
    item.HotTexture = tables.TextureIndex(item.SkinIndex, name, "HOTPATTERN");
    item.HasParent = true;
    item.ParentColor = tables.GlobalColor();
    const std::string label = std::string("PaintItem ") + name;
    Report(label.c_str(), iw, ih, [&] { PaintItem(item, bg, true, true, d, TPoint{}, TsRect{0, 0, iw, ih}, 0); });
  }
  return 0;
}
