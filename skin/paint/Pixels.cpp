#include "skin/paint/Pixels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

bool IsKey(const uint8_t* p, TColor key) { return SameRGB(GetRGB(p), key); }

bool Attachable(const TSurfaceView& v) { return !v.Empty() && v.width >= 2 && v.height >= 2; }

// An inclusive rectangle of the source after clipping it to the source; the destination
// point moves with a clipped left or top. Empty when nothing is left.
struct TInclusiveSource {
  int left, top, right, bottom;
  int dx, dy;
  bool empty;
};

TInclusiveSource ClipSourceInclusive(TsRect r, int width, int height, int x, int y) {
  TInclusiveSource s{r.Left, r.Top, r.Right, r.Bottom, x, y, false};
  if (s.left < 0) {
    s.dx -= s.left;
    s.left = 0;
  }
  if (s.top < 0) {
    s.dy -= s.top;
    s.top = 0;
  }
  s.right = std::min(s.right, width - 1);
  s.bottom = std::min(s.bottom, height - 1);
  s.empty = s.right < s.left || s.bottom < s.top;
  return s;
}

// Visits each pixel of a clipped inclusive source whose destination lies inside dst, with
// the source pixel, the destination pixel and the destination position.
template <typename Visit>
void ForEachSourcePixel(const TSurfaceView& dst, const TSurfaceView& src, const TInclusiveSource& s, Visit visit) {
  const int sb = src.BytesPerPixel();
  for (int row = s.top; row <= s.bottom; ++row) {
    const int dy = s.dy + row - s.top;
    if (dy < 0 || dy >= dst.height) continue;
    const uint8_t* sp = src.Pixel(s.left, row);
    for (int col = s.left; col <= s.right; ++col, sp += sb) {
      const int dx = s.dx + col - s.left;
      if (dx < 0 || dx >= dst.width) continue;
      visit(sp, dst.Pixel(dx, dy), dx, dy);
    }
  }
}

}  // namespace

double RoundEven(double x) {
  // Adding and taking away 2^52 leaves no fraction bits, so the sum is rounded in the
  // current rounding mode (painting never changes it), as nearbyint rounds, without the
  // library call that costs more than the pixel it is for. Larger values, infinities and
  // NaN are whole already; the sign is the argument's, so -0.3 gives -0.
  constexpr double kWhole = 4503599627370496.0;  // 2^52
  if (!(std::fabs(x) < kWhole)) return x;
  const double rounded = x >= 0 ? (x + kWhole) - kWhole : (x - kWhole) + kWhole;
  return std::copysign(rounded, x);
}

void FillPixels(uint8_t* p, int count, int bytesPerPixel, TColor color) {
  if (count <= 0) return;
  if (bytesPerPixel == 3) {
    // A 48-byte pattern (16 pixels, a whole number of 16-byte words) copied in fixed-size
    // blocks, which the compiler turns into plain vector stores.
    constexpr int kPatternPixels = 16;
    uint8_t pattern[kPatternPixels * 3];
    for (int i = 0; i < kPatternPixels; ++i) PutRGB(pattern + 3 * i, color);
    const size_t total = static_cast<size_t>(count) * 3;
    size_t done = 0;
    for (; done + sizeof pattern <= total; done += sizeof pattern) std::memcpy(p + done, pattern, sizeof pattern);
    std::memcpy(p + done, pattern, total - done);
    return;
  }
  for (int i = 0; i < count; ++i) PutRGB(p + static_cast<ptrdiff_t>(i) * bytesPerPixel, color);
}

// ---- creation -------------------------------------------------------------------------

std::unique_ptr<TSurface> NewSurface24(int width, int height) { return NewSurface(width, height, 24); }
std::unique_ptr<TSurface> NewSurface32(int width, int height) { return NewSurface(width, height, 32); }
std::unique_ptr<TSurface> NewSurfaceLike(const TSurfaceView& like) {
  return NewSurface24(like.width, like.height);
}

// ---- accessors ------------------------------------------------------------------------

namespace {
// The accessors' common attach: records a surface of the given depth, or sets Width to 0.
template <typename Fast>
bool AttachSurface(Fast& fast, const TSurfaceView& bitmap, int bitsPerPixel) {
  if (!Attachable(bitmap) || bitmap.bitsPerPixel != bitsPerPixel) {
    fast.Width = 0;
    return false;
  }
  fast.Bitmap = bitmap;
  fast.Width = bitmap.width;
  fast.Height = bitmap.height;
  fast.RowDelta = bitmap.rowDelta;
  fast.Scan0 = bitmap.row0;
  return true;
}
}  // namespace

bool TacFast24::Attach(const TSurfaceView& bitmap) { return AttachSurface(*this, bitmap, 24); }
bool TacFast32::Attach(const TSurfaceView& bitmap) { return AttachSurface(*this, bitmap, 32); }

bool TacFastSum24::Attach(const TSurfaceView& src, const TSurfaceView& dst) {
  if (!Attachable(src) || !Attachable(dst) || src.bitsPerPixel != dst.bitsPerPixel) return false;
  Src = src;
  Dst = dst;
  Width = std::min(src.width, dst.width);
  Height = std::min(src.height, dst.height);
  SrcScan0 = src.row0;
  DstScan0 = dst.row0;
  SrcDelta = src.rowDelta;
  DstDelta = dst.rowDelta;
  bytesPerPixel_ = dst.BytesPerPixel();
  return true;
}

void TacFastSum24::BlendRect() {
  const int bpp = bytesPerPixel_;
  const uint16_t a = Alpha;
  const uint16_t b = static_cast<uint16_t>(255 - Alpha);
  const ptrdiff_t bytes = static_cast<ptrdiff_t>(DstX2 - DstX1) * bpp;
  if (bytes <= 0) return;
  // d * a + s * b + 127 is at most 255 * 255 + 127, so 16-bit lanes hold it; blocks of a
  // fixed size let the compiler use vector registers. Each byte depends only on its own
  // two inputs, so the order within a row does not matter.
  constexpr ptrdiff_t kBlock = 64;
  for (int y = DstY2 - 1; y >= DstY1; --y) {
    uint8_t* d = DstScan0 + y * DstDelta + static_cast<ptrdiff_t>(DstX1) * bpp;
    const uint8_t* s = SrcScan0 + static_cast<ptrdiff_t>(y - DstY2 + SrcY2) * SrcDelta +
                       static_cast<ptrdiff_t>(SrcX1) * bpp;
    ptrdiff_t i = 0;
    for (; i + kBlock <= bytes; i += kBlock)
      for (ptrdiff_t j = i; j < i + kBlock; ++j)
        d[j] = static_cast<uint8_t>(static_cast<uint16_t>(d[j] * a + s[j] * b + 127) >> 8);
    for (; i < bytes; ++i) d[i] = static_cast<uint8_t>(static_cast<uint16_t>(d[i] * a + s[i] * b + 127) >> 8);
  }
}

TacFast24& SharedFast24() {
  static TacFast24 instance;
  return instance;
}
TacFast24& SharedFast24Second() {
  static TacFast24 instance;
  return instance;
}
TacFast32& SharedFast32() {
  static TacFast32 instance;
  return instance;
}
TacFastSum24& SharedFastSum24() {
  static TacFastSum24 instance;
  return instance;
}

// ---- operations -----------------------------------------------------------------------

namespace {

// (p * v + k) / 100 rounded half to even, for p <= 100 and k = (100 - p) * c + 50: the
// sum is at most 25550, so 16-bit lanes hold every step. Division by 100 is a multiply by
// 41944 / 2^22, exact for these numbers. q = floor((n + 50) / 100) rounds ties up; a tie
// (n + 50 divisible by 100) whose q is odd goes one back to the even neighbour.
inline uint8_t TintByte(uint16_t v, uint16_t p, uint16_t k) {
  const uint16_t n = static_cast<uint16_t>(v * p + k);
  const uint16_t q = static_cast<uint16_t>(static_cast<uint16_t>((static_cast<uint32_t>(n) * 41944u) >> 16) >> 6);
  const uint16_t rem = static_cast<uint16_t>(n - q * 100);
  const uint16_t oddTie = static_cast<uint16_t>((rem == 0 ? 1 : 0) & q & 1);
  return static_cast<uint8_t>(q - oddTie);
}

}  // namespace

void TintRect(const TSurfaceView& surface, TsRect rect, int percent, TColor color) {
  if (surface.Empty()) return;
  color = SkinColorToRGB(color);
  rect.Left = std::max(rect.Left, 0);
  rect.Top = std::max(rect.Top, 0);
  rect.Right = std::min(rect.Right, surface.width - 1);
  rect.Bottom = std::min(rect.Bottom, surface.height - 1);
  if (rect.Right < rect.Left || rect.Bottom < rect.Top) return;

  percent &= 0xFF;
  const int c[3] = {BlueOf(color), GreenOf(color), RedOf(color)};
  const int bpp = surface.BytesPerPixel();
  const int columns = rect.Right - rect.Left + 1;
  // The mix e * v + (1 - e) * c with e = percent / 100, rounded to even, is computed
  // exactly as (percent * v + (100 - percent) * c) / 100 in integers.
  if (percent <= 100 && bpp == 3) {
    const uint16_t p = static_cast<uint16_t>(percent);
    // The per-byte constant repeats every 3 bytes: blocks of 48 bytes (16 pixels).
    constexpr int kBlock = 48;
    uint16_t k[kBlock];
    for (int j = 0; j < kBlock; ++j) k[j] = static_cast<uint16_t>((100 - percent) * c[j % 3] + 50);
    const int bytes = columns * 3;
    for (int y = rect.Top; y <= rect.Bottom; ++y) {
      uint8_t* row = surface.Pixel(rect.Left, y);
      int i = 0;
      for (; i + kBlock <= bytes; i += kBlock) {
        uint8_t* block = row + i;
        for (int j = 0; j < kBlock; ++j) block[j] = TintByte(block[j], p, k[j]);
      }
      for (int j = 0; i < bytes; ++i, ++j) row[i] = TintByte(row[i], p, k[j]);
    }
    return;
  }
  // Percentages above 100 leave the range and are clamped; 32-bit rows skip the fourth byte.
  uint8_t table[3][256];
  for (int ch = 0; ch < 3; ++ch)
    for (int v = 0; v < 256; ++v) {
      const int n = percent * v + (100 - percent) * c[ch];
      table[ch][v] = ClampByte(static_cast<int>(RoundEven(n / 100.0)));
    }
  for (int y = rect.Top; y <= rect.Bottom; ++y) {
    uint8_t* px = surface.Pixel(rect.Left, y);
    for (int i = 0; i < columns; ++i, px += bpp) {
      px[0] = table[0][px[0]];
      px[1] = table[1][px[1]];
      px[2] = table[2][px[2]];
    }
  }
}

void BlendSurfaces(const TSurfaceView& dst, const TSurfaceView& src, int alpha) {
  if (dst.width != src.width || dst.height != src.height) return;
  TacFastSum24& sum = SharedFastSum24();
  if (!sum.Attach(src, dst)) return;
  sum.Alpha = static_cast<uint8_t>(std::clamp(alpha, 0, 255));
  sum.DstX1 = sum.SrcX1 = 0;
  sum.DstY1 = sum.SrcY1 = 0;
  sum.DstX2 = sum.SrcX2 = dst.width;
  sum.DstY2 = sum.SrcY2 = dst.height;
  sum.BlendRect();
}

bool ClipRectCopy(int& x, int& y, TsRect& r, const TSurfaceView& dst, const TSurfaceView& src) {
  if (x < 0) {
    r.Left -= x;
    x = 0;
  }
  if (y < 0) {
    r.Top -= y;
    y = 0;
  }
  if (r.Left < 0) {
    x -= r.Left;
    r.Left = 0;
  }
  if (r.Top < 0) {
    y -= r.Top;
    r.Top = 0;
  }
  r.Right = std::min(r.Right, src.width);
  r.Bottom = std::min(r.Bottom, src.height);
  if (x + r.Width() > dst.width) r.Right = dst.width + r.Left - x;
  if (y + r.Height() > dst.height) r.Bottom = dst.height + r.Top - y;
  return r.Width() > 0 && r.Height() > 0;
}

void BlendSurfaceRect(const TSurfaceView& dst, const TSurfaceView& src, int alpha, TPoint point,
                      TsRect r) {
  int x = point.x;
  int y = point.y;
  if (!ClipRectCopy(x, y, r, dst, src)) return;

  TacFastSum24& sum = SharedFastSum24();
  if (!sum.Attach(src, dst)) return;
  sum.Alpha = static_cast<uint8_t>(std::clamp(alpha, 0, 255));
  sum.DstX1 = x;
  sum.DstY1 = y;
  sum.DstX2 = x + r.Width();
  sum.DstY2 = y + r.Height();
  sum.SrcX1 = r.Left;
  sum.SrcY1 = r.Top;
  sum.SrcX2 = r.Right;
  sum.SrcY2 = r.Bottom;
  sum.BlendRect();
}

void BlendKeyedRect(const TSurfaceView& dst, int x, int y, TColor key, double factor, TsRect srcRect,
                    const TSurfaceView& src) {
  if (!Attachable(dst) || !Attachable(src)) return;
  const bool noKey = (static_cast<uint32_t>(key) >> 24) == 0xFF;
  key = SkinColorToRGB(key);
  const TInclusiveSource s = ClipSourceInclusive(srcRect, src.width, src.height, x, y);
  if (s.empty) return;
  ForEachSourcePixel(dst, src, s, [&](const uint8_t* sp, uint8_t* dp, int, int) {
    if (!noKey && IsKey(sp, key)) return;
    for (int ch = 0; ch < 3; ++ch)
      dp[ch] = ClampByte(static_cast<int>(RoundEven(sp[ch] - factor * (sp[ch] - dp[ch]))));
  });
}

void CopyKeyed(const TSurfaceView& dst, const TSurfaceView& src, int x, TColor key, int y) {
  CopyKeyedRect(dst, src, x, key, TsRect{0, 0, src.width - 1, src.height - 1}, y);
}

void CopyKeyedRect(const TSurfaceView& dst, const TSurfaceView& src, int x, TColor key, TsRect srcRect,
                   int y) {
  CopyKeyedFill(dst, src, x, false, BgInfo{}, key, srcRect, y);
}

void CopyKeyedFill(const TSurfaceView& dst, const TSurfaceView& src, int x, bool useParent, const BgInfo& bg,
                   TColor key, TsRect srcRect, int y) {
  if (!Attachable(dst) || !Attachable(src)) return;
  key = SkinColorToRGB(key);
  const TInclusiveSource s = ClipSourceInclusive(srcRect, src.width, src.height, x, y);
  if (s.empty) return;

  TacFast24& parent = SharedFast24();
  const bool fromParent = useParent && bg.Ready && bg.HasBmp() && parent.Attach(bg.Bmp);
  ForEachSourcePixel(dst, src, s, [&](const uint8_t* sp, uint8_t* dp, int dx, int dy) {
    if (!IsKey(sp, key)) {
      dp[0] = sp[0];
      dp[1] = sp[1];
      dp[2] = sp[2];
      return;
    }
    if (!fromParent) return;
    // A key pixel whose parent position lies outside the parent stays as it is.
    const int px = bg.X + dx;
    const int py = bg.Y + dy;
    if (px < 0 || py < 0 || px >= parent.Width || py >= parent.Height) return;
    PutRGB(dp, parent.Pixel(px, py));
  });
}

namespace {

TsRect ClippedTo(const TSurfaceView& src, TsRect r) {
  r = TsRect{std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, src.width), std::min(r.Bottom, src.height)};
  return r.Right > r.Left && r.Bottom > r.Top ? r : TsRect{};
}

}  // namespace

void TPixelSnapshot::Keep(const TSurfaceView& src, TsRect area) {
  area_ = src.Empty() ? TsRect{} : ClippedTo(src, area);
  const size_t row = static_cast<size_t>(area_.Width()) * static_cast<size_t>(src.BytesPerPixel());
  pixels_.resize(row * static_cast<size_t>(area_.Height()));
  for (int y = area_.Top; y < area_.Bottom; ++y)
    std::memcpy(pixels_.data() + static_cast<size_t>(y - area_.Top) * row, src.Pixel(area_.Left, y), row);
}

bool TPixelSnapshot::Same(const TSurfaceView& src, TsRect area) const {
  const TsRect r = src.Empty() ? TsRect{} : ClippedTo(src, area);
  if (!(r == area_)) return false;
  const size_t row = static_cast<size_t>(r.Width()) * static_cast<size_t>(src.BytesPerPixel());
  if (pixels_.size() != row * static_cast<size_t>(r.Height())) return false;
  for (int y = r.Top; y < r.Bottom; ++y)
    if (std::memcmp(pixels_.data() + static_cast<size_t>(y - r.Top) * row, src.Pixel(r.Left, y), row) != 0) return false;
  return true;
}

void BlendPictures(const TSurfaceView& dst, const TSurfaceView& now, const TSurfaceView& before, int weight) {
  const int w = std::min({dst.width, now.width, before.width});
  const int h = std::min({dst.height, now.height, before.height});
  if (w <= 0 || h <= 0) return;
  const int keep = 256 - weight;
  const int db = dst.BytesPerPixel(), nb = now.BytesPerPixel(), bb = before.BytesPerPixel();
  for (int y = 0; y < h; ++y) {
    uint8_t* out = dst.Row(y);
    const uint8_t* n = now.Row(y);
    const uint8_t* b = before.Row(y);
    for (int x = 0; x < w; ++x, out += db, n += nb, b += bb)
      for (int c = 0; c < 3; ++c) out[c] = ClampByte((n[c] * keep + b[c] * weight) >> 8);
  }
}

void RepairKeyedPixels(const TSurfaceView& dst, int x, int y, const TSurfaceView& mask, TsRect srcRect, TColor key,
                       TColor fill, const BgInfo& bg) {
  if (dst.Empty() || mask.Empty()) return;
  key = SkinColorToRGB(key);
  const bool fromParent = fill == key;
  if (fromParent && (!bg.HasBmp() || bg.Bmp.Empty())) return;
  for (int row = std::max(srcRect.Top, 0); row < std::min(srcRect.Bottom, mask.height); ++row) {
    const int dy = y + row - srcRect.Top;
    if (dy < 0 || dy >= dst.height) continue;
    const int py = bg.Y + dy;
    if (fromParent && (py < 0 || py >= bg.Bmp.height)) continue;
    for (int col = std::max(srcRect.Left, 0); col < std::min(srcRect.Right, mask.width); ++col) {
      const int dx = x + col - srcRect.Left;
      if (dx < 0 || dx >= dst.width) continue;
      if (!IsKey(mask.Pixel(col, row), key)) continue;
      uint8_t* dp = dst.Pixel(dx, dy);
      if (!fromParent) {
        PutRGB(dp, fill);
        continue;
      }
      const int px = bg.X + dx;
      if (px < 0 || px >= bg.Bmp.width) continue;
      const uint8_t* pp = bg.Bmp.Pixel(px, py);
      dp[0] = pp[0];
      dp[1] = pp[1];
      dp[2] = pp[2];
    }
  }
}

void TintThroughMask(const TSurfaceView& dst, const TSurfaceView& mask, TColor color) {
  if (dst.Empty() || mask.Empty() || dst.width != mask.width || dst.height != mask.height) return;
  color = SkinColorToRGB(color);
  const int c[3] = {BlueOf(color), GreenOf(color), RedOf(color)};
  const int db = dst.BytesPerPixel();
  const int mb = mask.BytesPerPixel();
  for (int y = 0; y < dst.height; ++y) {
    uint8_t* d = dst.Row(y);
    const uint8_t* m = mask.Row(y);
    for (int x = 0; x < dst.width; ++x, d += db, m += mb)
      for (int ch = 0; ch < 3; ++ch) d[ch] = ClampByte((c[ch] * 256 + m[ch] * (d[ch] - c[ch])) >> 8);
  }
}

TColor MaskBlendPixel(TColor source, TColor dest, TColor mask, bool lighten) {
  return MakeColor(MaskBlendChannel(RedOf(source), RedOf(dest), RedOf(mask), lighten),
                   MaskBlendChannel(GreenOf(source), GreenOf(dest), GreenOf(mask), lighten),
                   MaskBlendChannel(BlueOf(source), BlueOf(dest), BlueOf(mask), lighten));
}

namespace {
void GrayPixels(const TSurfaceView& surface, bool except, TColor keep) {
  if (surface.Empty()) return;
  const int bpp = surface.BytesPerPixel();
  for (int y = 0; y < surface.height; ++y) {
    uint8_t* p = surface.Row(y);
    for (int x = 0; x < surface.width; ++x, p += bpp) {
      if (except && SameRGB(GetRGB(p), keep)) continue;
      const uint8_t g = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
      p[0] = p[1] = p[2] = g;
    }
  }
}
}  // namespace

void GrayScale(const TSurfaceView& surface) { GrayPixels(surface, false, 0); }
void GrayScaleExcept(const TSurfaceView& surface, TColor color) {
  GrayPixels(surface, true, SkinColorToRGB(color));
}

void ApplyDisabledLook(const TSurfaceView& surface, TsDisabledKind kind, TColor controlColor, TPoint offset,
                       const BgInfo& bg) {
  if (kind & dkGrayed) GrayScale(surface);
  if (!(kind & dkBlended)) return;
  if (bg.Ready) {
    const int left = bg.X + offset.x;
    const int top = bg.Y + offset.y;
    BlendKeyedRect(surface, 0, 0, -1, 0.4, TsRect{left, top, left + surface.width, top + surface.height},
                   bg.Bmp);
    return;
  }
  TColor color = TPaintColors::Parent;
  if (color == clFuchsia) color = SkinColorToRGB(controlColor);
  TintRect(surface, TsRect{0, 0, surface.width, surface.height}, 50, color);
}

TColor MixColor(TColor a, TColor b, double factor) {
  a = SkinColorToRGB(a);
  b = SkinColorToRGB(b);
  auto mix = [&](int ca, int cb) { return ClampByte(static_cast<int>(RoundEven(cb + factor * (ca - cb)))); };
  const TColor rgb = MakeColor(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)),
                               mix(BlueOf(a), BlueOf(b)));
  return static_cast<TColor>((static_cast<uint32_t>(a) & 0xFF000000u) | static_cast<uint32_t>(rgb));
}

TColor HalfMix(TColor a, TColor b) {
  a = SkinColorToRGB(a);
  b = SkinColorToRGB(b);
  auto mix = [](int ca, int cb) { return (ca * 127 + cb * 129) >> 8; };
  return MakeColor(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)),
                   mix(BlueOf(a), BlueOf(b)));
}

TColor ShiftSaturation(TColor color, int amount) {
  if (amount == 0) return color;
  color = SkinColorToRGB(color);
  const int r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
  const double avg = (r + g + b) / 3.0;
  auto shift = [&](int c) { return ClampByte(static_cast<int>(RoundEven(c + amount * (avg - c) / 100.0))); };
  return MakeColor(shift(r), shift(g), shift(b));
}

TColor ShiftHue(int degrees, TColor color) {
  color = SkinColorToRGB(color);
  const int r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
  const int v = std::max({r, g, b});
  const int delta = v - std::min({r, g, b});
  const double s = v == 0 ? 0.0 : static_cast<double>(delta) / v;
  if (s == 0.0) return color & 0x00FFFFFF;
  const double k = 60.0 / delta;
  double h;
  if (v == r)
    h = k * (g - b);
  else if (v == g)
    h = 120.0 + k * (b - r);
  else
    h = 240.0 + k * (r - g);
  if (h < 0) h += 360.0;
  int hue = static_cast<int>(RoundEven(h + degrees)) % 360;
  if (hue < 0) hue += 360;  // a negative shift keeps the hue in 0..359
  const double x = hue / 60.0;
  const int i = static_cast<int>(x);
  const double f = x - i;
  auto channel = [](double value) { return static_cast<int>(RoundEven(std::clamp(value, 0.0, 255.0))); };
  const int p = channel(v * (1 - s));
  const int q = channel(v * (1 - s * f));
  const int t = channel(v * (1 - s * (1 - f)));
  switch (i) {
    case 0: return MakeColor(v, t, p);
    case 1: return MakeColor(q, v, p);
    case 2: return MakeColor(p, v, t);
    case 3: return MakeColor(p, q, v);
    case 4: return MakeColor(t, p, v);
    default: return MakeColor(v, p, q);
  }
}

void FillRectColor(const TSurfaceView& surface, TsRect rect, TColor color) {
  if (surface.Empty()) return;
  color = SkinColorToRGB(color);
  rect.Left = std::max(rect.Left, 0);
  rect.Top = std::max(rect.Top, 0);
  rect.Right = std::min(rect.Right, surface.width);
  rect.Bottom = std::min(rect.Bottom, surface.height);
  if (IsEmptyRect(rect)) return;
  const int bpp = surface.BytesPerPixel();
  const size_t rowBytes = static_cast<size_t>(rect.Width()) * bpp;
  uint8_t* first = surface.Pixel(rect.Left, rect.Top);
  FillPixels(first, rect.Width(), bpp, color);
  for (int y = rect.Top + 1; y < rect.Bottom; ++y) std::memcpy(surface.Pixel(rect.Left, y), first, rowBytes);
}

void FillFramed(const TSurfaceView& surface, TColor fill, TColor frame) {
  const int w = surface.width, h = surface.height;
  FillRectColor(surface, TsRect{1, 1, w - 1, h - 1}, fill);
  FillRectColor(surface, TsRect{0, 0, w, 1}, frame);
  FillRectColor(surface, TsRect{0, h - 1, w, h}, frame);
  FillRectColor(surface, TsRect{0, 1, 1, h - 1}, frame);
  FillRectColor(surface, TsRect{w - 1, 1, w, h - 1}, frame);
}

std::vector<TsRect> KeyRegion(const TSurfaceView& surface, TColor key) {
  std::vector<TsRect> result;
  TacFast24& fast = SharedFast24();
  if (!fast.Attach(surface)) {
    if (!surface.Empty()) result.push_back(TsRect{0, 0, surface.width, surface.height});
    return result;
  }
  key = SkinColorToRGB(key);
  // Spans of non-key pixels of each row; a row with the same spans as the previous one
  // extends that row's rectangles downwards.
  std::vector<std::pair<int, int>> previous, current;
  size_t bandStart = 0;
  for (int y = 0; y < fast.Height; ++y) {
    current.clear();
    int x = 0;
    while (x < fast.Width) {
      while (x < fast.Width && SameRGB(fast.Pixel(x, y), key)) ++x;
      const int start = x;
      while (x < fast.Width && !SameRGB(fast.Pixel(x, y), key)) ++x;
      if (x > start) current.emplace_back(start, x);
    }
    if (y > 0 && current == previous) {
      for (size_t i = bandStart; i < result.size(); ++i) result[i].Bottom = y + 1;
    } else {
      bandStart = result.size();
      for (const auto& [x1, x2] : current) result.push_back(TsRect{x1, y, x2, y + 1});
    }
    std::swap(previous, current);
  }
  return result;
}
