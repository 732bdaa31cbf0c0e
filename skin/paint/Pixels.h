// Pixel surfaces and the pixel-level operations every skin painter builds on: creation
// helpers, the shared fast accessors, tinting, blending, keyed copies, grey conversion,
// the disabled look, colour utilities and key-colour regions.
//
// Every operation takes views (TSurfaceView) and owns nothing it is given. Operations
// clip to their surfaces unless a comment says otherwise; accessor-based operations do
// nothing on surfaces narrower or lower than 2 pixels. Nothing here raises.
//
// Left out: drawing through a device context. The one platform operation, a solid fill
// of a device context, lives in the Windows GUI layer; here it works on a surface.
#pragma once

#include <memory>
#include <vector>

#include "skin/paint/PaintTypes.h"

// ---- creation -------------------------------------------------------------------------

// New zero-filled stores (0 x 0 allowed). The caller owns the result.
std::unique_ptr<TSurface> NewSurface24(int width, int height);
std::unique_ptr<TSurface> NewSurface32(int width, int height);
// A 24-bit store of the same size as `like`.
std::unique_ptr<TSurface> NewSurfaceLike(const TSurfaceView& like);

// ---- fast accessors -------------------------------------------------------------------

// Read access to one 24-bit surface. Pixel() checks no bounds: callers test against
// Width and Height first.
class TacFast24 {
public:
  TSurfaceView Bitmap;  // not owned
  int32_t Width = 0;
  int32_t Height = 0;
  std::ptrdiff_t RowDelta = 0;
  uint8_t* Scan0 = nullptr;

  // False (and Width 0) for surfaces narrower or lower than 2 pixels or not 24-bit.
  bool Attach(const TSurfaceView& bitmap);
  TColor Pixel(int x, int y) const {
    const uint8_t* p = Scan0 + y * RowDelta + 3 * x;
    return p[2] | (p[1] << 8) | (p[0] << 16);
  }
};

// The same for a 32-bit surface; the top byte of Pixel() carries no meaning.
class TacFast32 {
public:
  TSurfaceView Bitmap;  // not owned
  int32_t Width = 0;
  int32_t Height = 0;
  std::ptrdiff_t RowDelta = 0;
  uint8_t* Scan0 = nullptr;

  bool Attach(const TSurfaceView& bitmap);
  TColor Pixel(int x, int y) const {
    const uint8_t* p = Scan0 + y * RowDelta + 4 * x;
    return p[2] | (p[1] << 8) | (p[0] << 16) | (p[3] << 24);
  }
};

// Blends a rectangle of one surface into another by a fixed weight. Both surfaces have
// the same depth (24 bits for control painting; two 32-bit frames blend the same way).
class TacFastSum24 {
public:
  TSurfaceView Src;  // not owned
  TSurfaceView Dst;  // not owned
  int32_t Width = 0;
  int32_t Height = 0;
  uint8_t* SrcScan0 = nullptr;
  uint8_t* DstScan0 = nullptr;
  std::ptrdiff_t SrcDelta = 0;
  std::ptrdiff_t DstDelta = 0;
  uint8_t Alpha = 0;  // weight of the existing destination pixel
  int32_t DstX1 = 0, DstY1 = 0, DstX2 = 0, DstY2 = 0;  // right and bottom exclusive
  int32_t SrcX1 = 0, SrcY1 = 0, SrcX2 = 0, SrcY2 = 0;

  // False, with nothing recorded, when either surface is below 2 x 2 or the depths differ.
  bool Attach(const TSurfaceView& src, const TSurfaceView& dst);
  // dst = (dst * Alpha + src * (255 - Alpha) + 127) >> 8 on every byte of the destination
  // rectangle. Does not clip: the caller keeps both rectangles inside their surfaces.
  void BlendRect();

private:
  int bytesPerPixel_ = 3;
};

// The process-wide accessors every painter uses (attach, read, finish). A painter must not
// call another painter that re-attaches the same accessor while it is still reading.
TacFast24& SharedFast24();        // the first one: the parent's cached background
TacFast24& SharedFast24Second();  // the second one
TacFast32& SharedFast32();
TacFastSum24& SharedFastSum24();

// ---- the process-wide painting colours -------------------------------------------------

// Each is a colour or clFuchsia for none; both are none between paint operations.
struct TPaintColors {
  static inline TColor Parent = clFuchsia;  // the parent's background colour behind a control
  static inline TColor Fill = clFuchsia;    // what key pixels become without a parent picture
};

// ---- operations -----------------------------------------------------------------------

// Mixes `color` into the rectangle; `percent` of the existing image stays visible. The
// rectangle is clipped to (0, 0, width - 1, height - 1) and then taken as inclusive, so
// (0, 0, width, height) covers the whole surface.
void TintRect(const TSurfaceView& surface, TsRect rect, int percent, TColor color);

// Blends src over the whole of dst when both have the same size; alpha is the weight of dst.
void BlendSurfaces(const TSurfaceView& dst, const TSurfaceView& src, int alpha);
// Blends srcRect (right and bottom exclusive) of src onto dst at `point`, clipped.
// Clips a copy of the half-open source rectangle `r` to the point (x, y) of a destination:
// a negative point moves the rectangle's start, a negative start moves the point, and the
// far sides are limited by both surfaces. False when nothing is left.
bool ClipRectCopy(int& x, int& y, TsRect& r, const TSurfaceView& dst, const TSurfaceView& src);

void BlendSurfaceRect(const TSurfaceView& dst, const TSurfaceView& src, int alpha, TPoint point,
                      TsRect srcRect);
// Blends srcRect (inclusive after clipping) of src onto dst at (x, y) with a real factor, the
// weight of the destination, skipping key pixels; a key whose top byte is 0xFF is no key.
void BlendKeyedRect(const TSurfaceView& dst, int x, int y, TColor key, double factor, TsRect srcRect,
                    const TSurfaceView& src);

// Keyed copies: every source pixel that is not the key lands at (x + column, y + row).
void CopyKeyed(const TSurfaceView& dst, const TSurfaceView& src, int x, TColor key, int y);
// The source rectangle is clipped to the source and then inclusive.
void CopyKeyedRect(const TSurfaceView& dst, const TSurfaceView& src, int x, TColor key, TsRect srcRect,
                   int y);
// As CopyKeyedRect; with useParent and a ready parent picture, key pixels take the parent's
// pixel behind them (left alone where the parent has none).
void CopyKeyedFill(const TSurfaceView& dst, const TSurfaceView& src, int x, bool useParent, const BgInfo& bg,
                   TColor key, TsRect srcRect, int y);

// Where a pixel of srcRect (right and bottom exclusive) of `mask` is `key`, the pixel of dst
// at (x, y) plus its place in srcRect takes `fill`, or, with `fill` the key itself, the
// pixel of the parent picture behind it (dst position + (bg.X, bg.Y)); pixels outside the
// parent are left alone, and so is every pixel whose mask pixel is not the key. Clipped.
void RepairKeyedPixels(const TSurfaceView& dst, int x, int y, const TSurfaceView& mask, TsRect srcRect, TColor key,
                       TColor fill, const BgInfo& bg);

// Per channel clamp((now * (256 - weight) + before * weight) >> 8) into dst, for the area
// all three surfaces share (any depths; a 32-bit dst keeps its fourth byte).
void BlendPictures(const TSurfaceView& dst, const TSurfaceView& now, const TSurfaceView& before, int weight);

// A copy of an area of a surface, kept to tell later whether the surface still shows the
// same pixels there. Areas are right and bottom exclusive and clipped to the surface.
class TPixelSnapshot {
public:
  // Keeps `area` of `src` (an empty area keeps nothing).
  void Keep(const TSurfaceView& src, TsRect area);
  // `area` of `src` is the kept area and holds exactly the kept pixels.
  bool Same(const TSurfaceView& src, TsRect area) const;

private:
  std::vector<uint8_t> pixels_;
  TsRect area_{};
};

// Pulls dst towards `color` by the weight in a same-size mask: white keeps, black paints.
void TintThroughMask(const TSurfaceView& dst, const TSurfaceView& mask, TColor color);

// Per channel (s * (256 - m) + d * m) >> 8, clamped; `lighten` first takes m + 100 (max 255).
inline uint8_t MaskBlendChannel(int s, int d, int m, bool lighten) {
  if (lighten) m = m + 100 > 255 ? 255 : m + 100;
  const int v = (s * (256 - m) + d * m) >> 8;
  return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}
TColor MaskBlendPixel(TColor source, TColor dest, TColor mask, bool lighten);

void GrayScale(const TSurfaceView& surface);
void GrayScaleExcept(const TSurfaceView& surface, TColor color);

enum TsDisabledKindItem : uint8_t { dkBlended = 1, dkGrayed = 2 };
using TsDisabledKind = uint8_t;  // a set of TsDisabledKindItem bits

// The disabled look of a control. `controlColor` is the control's own Color, used when no
// parent picture and no parent colour are at hand.
void ApplyDisabledLook(const TSurfaceView& surface, TsDisabledKind kind, TColor controlColor, TPoint offset,
                       const BgInfo& bg);

// Per channel b + factor * (a - b), rounded to even; the top byte of a is kept.
TColor MixColor(TColor a, TColor b, double factor);
// Per channel (a * 127 + b * 129) >> 8.
TColor HalfMix(TColor a, TColor b);
// Moves a colour towards grey (positive amount, 100 = grey) or away from it.
TColor ShiftSaturation(TColor color, int amount);
// Rotates the hue by `degrees` through HSV; greys come back unchanged.
TColor ShiftHue(int degrees, TColor color);

// Fills a rectangle (right and bottom exclusive, clipped) with a solid colour.
void FillRectColor(const TSurfaceView& surface, TsRect rect, TColor color);
// The whole surface in `fill` inside a one-pixel frame of `frame`.
void FillFramed(const TSurfaceView& surface, TColor fill, TColor frame);

// The pixels of a surface that are not the key, as disjoint rectangles (right and bottom
// exclusive) in bands of equal rows; a surface the accessor cannot attach gives its whole
// rectangle. The Windows layer turns the list into a region.
std::vector<TsRect> KeyRegion(const TSurfaceView& surface, TColor key);

// ---- helpers shared by the painters --------------------------------------------------

// Rounds half to even, like the floating-point unit's default mode.
double RoundEven(double x);
inline uint8_t ClampByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }
// Writes one pixel's blue, green and red bytes.
inline void PutRGB(uint8_t* p, TColor c) {
  p[0] = static_cast<uint8_t>(BlueOf(c));
  p[1] = static_cast<uint8_t>(GreenOf(c));
  p[2] = static_cast<uint8_t>(RedOf(c));
}
inline TColor GetRGB(const uint8_t* p) { return MakeColor(p[2], p[1], p[0]); }
// Fills `count` pixels of a row from `p` with one colour (any depth; the fourth byte of a
// 32-bit pixel is left alone).
void FillPixels(uint8_t* p, int count, int bytesPerPixel, TColor color);
