// bench-shadow [OPTIONS.DAT]: the effect label's shadow (blur and blend) at the skin's
// SHADOW1BLUR, as a ratio against a plain copy of the same 32-bit surface timed in the
// same run, with the heap allocations one paint's shadow makes once its buffer has grown.
// The skin is the built-in one's options text unless another is given.
//
// Goals: at the built-in skin's blur the shadow runs at no less than 0.002 of a copy's
// speed (every pass visits every pixel, and a pass chains each row through the left
// neighbour it has just smoothed, so it cannot be vectorised); the limit keeps the most
// any skin can ask for within kMaxShadowBlur / SHADOW1BLUR times that; a paint allocates
// nothing once the buffer has grown.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "skin/data/sSkinOptions.h"
#include "skin/paint/LabelShadow.h"
#include "skin/paint/Pixels.h"
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


long AllocationsPerCall(const std::function<void()>& call) {
  const long before = gAllocations.load();
  call();
  return gAllocations.load() - before;
}

// Text-like ink: vertical strokes two pixels wide and a bar, inside a one-line label.
void DrawInk(const TSurfaceView& mask) {
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x) {
      const bool stroke = x % 7 < 2 && y % 17 > 2 && y % 17 < 13;
      const bool bar = y % 17 == 7 && x % 14 < 7;
      mask.Pixel(x, y)[0] = stroke || bar ? 255 : 0;
    }
}

void Report(int w, int h, int passes) {
  auto mask = NewSurface32(w, h), picture = NewSurface32(w, h);
  DrawInk(mask->View());
  const TSurfaceView m = mask->View(), p = picture->View();
  FillRectColor(p, TsRect{0, 0, w, h}, 0x00ECF0F6);
  TsShadowBlur blur;
  const auto shadow = [&] {
    blur.Blur(m, passes);
    blur.Composite(p, 0x00726359);
  };
  const size_t bytes = static_cast<size_t>(SurfaceStride(w, 32)) * static_cast<size_t>(h);
  std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
  const auto copy = [&] {
    std::memcpy(to.data(), from.data(), bytes);
    from[bytes / 2] = static_cast<uint8_t>(from[bytes / 2] + to[bytes / 3]);  // keep the copy alive
  };
  const double shadowSeconds = TimePerCall(shadow), copySeconds = TimePerCall(copy);
  std::printf("shadow %4dx%-4d blur %2d  %9.1f us   copy %7.2f us   ratio %6.4f   allocations/paint %ld\n", w, h,
              passes, shadowSeconds * 1e6, copySeconds * 1e6, copySeconds / shadowSeconds, AllocationsPerCall(shadow));
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : EQUIDIV_FROST_OPTIONS;
  std::ifstream in(path, std::ios::binary);
  const std::string options((std::istreambuf_iterator<char>(in)), {});
  if (options.empty()) {
    std::printf("no options file at %s\n", path);
    return 1;
  }
  TsSkinTables tables;
  LoadSkinOptions(options, TsSkinSource{}, tables);  // images are not needed: only GLOBALINFO
  const int skinBlur = tables.GlobalInfo.Shadow1Blur;
  std::printf("%s: SHADOW1BLUR=%d (passes after the limit: %d)\n", path, skinBlur,
              ClampShadowExtent(skinBlur, 0).Blur);
  for (auto [w, h] : {std::pair{193, 17}, {508, 200}}) Report(w, h, skinBlur);
  Report(193, 17, kMaxShadowBlur);  // the most a skin can ask for
  return 0;
}
