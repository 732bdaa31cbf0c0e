#include "skin/paint/gdi/sTextPainting.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "skin/paint/Pixels.h"

namespace {

constexpr TColor kNoContour = -1;

// Where each contour is drawn, in drawing order: left, top, right, bottom (indexes 1 to 4
// of a section's font colours).
constexpr std::array<POINT, 4> kContourOffsets = {{{-1, 0}, {0, -1}, {1, 0}, {0, 1}}};

const TsGeneralData* SectionOf(const TsSkinTables* skin, int index) {
  return skin && skin->IsSectionIndexValid(index) ? &skin->SectionTable[static_cast<size_t>(index)] : nullptr;
}

TColor DisabledFontColor(const TsGeneralData& section) {
  return MixColor(SkinColorToRGB(section.FontColor[0]), SkinColorToRGB(section.Color), 0.4);
}

// Draws one text several times in the canvas font, each time in a colour of its own, with
// the canvas's background mode. Changing the canvas font while this exists would free the
// font it has selected: set font colours before or after.
class TTextPasses {
public:
  explicit TTextPasses(TCanvas& canvas)
      : dc_(canvas.Handle()), saved_(dc_), font_(dc_, canvas.Font().Handle()) {
    const bool clear = canvas.Brush().Style() == TBrushStyle::bsClear;
    SetBkMode(dc_, clear ? TRANSPARENT : OPAQUE);
    if (!clear) SetBkColor(dc_, ColorToRGB(canvas.Brush().Color()));
  }
  void Draw(const String& text, TColor color, RECT rect, UINT format) {
    SetTextColor(dc_, ColorToRGB(color));
    DrawTextStr(dc_, text, rect, format);
  }
  // The four contours of `colors` around `rect`, in order, each unless it is -1.
  void Contours(const String& text, const TsFontColors& colors, const RECT& rect, UINT format) {
    for (size_t side = 0; side < kContourOffsets.size(); ++side) {
      const TColor color = colors[side + 1];
      if (color == kNoContour) continue;
      RECT moved = rect;
      OffsetRect(&moved, kContourOffsets[side].x, kContourOffsets[side].y);
      Draw(text, SkinColorToRGB(color), moved, format);
    }
  }

private:
  HDC dc_;
  TSavedDC saved_;
  TSelectGuard font_;
};

void ClearBrushFor(TCanvas& canvas, const String& text) {
  if (!text.empty()) canvas.Brush().SetStyle(TBrushStyle::bsClear);
}

}  // namespace

// ---- text ---------------------------------------------------------------------------

int DrawTextStr(HDC dc, const String& text, RECT& rect, UINT format) {
  const TTextWork work;
  return DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

int TextWidthOf(TCanvas& canvas, const String& text) { return TextExtentOf(canvas, text).cx; }

SIZE TextExtentOf(TCanvas& canvas, const String& text) {
  if (!canvas.Handle()) return SIZE{0, 0};
  return canvas.TextExtent(text);
}

void TextInRect(TCanvas& canvas, const RECT& rect, int x, int y, const String& text) {
  HDC dc = canvas.Handle();
  if (!dc) return;
  const TTextWork work;
  try {
    const TSavedDC saved(dc);
    const TSelectGuard font(dc, canvas.Font().Handle());
    const bool clear = canvas.Brush().Style() == TBrushStyle::bsClear;
    SetBkMode(dc, clear ? TRANSPARENT : OPAQUE);
    SetBkColor(dc, ColorToRGB(canvas.Brush().Color()));
    SetTextColor(dc, ColorToRGB(canvas.Font().Color()));
    const UINT options = ETO_CLIPPED | (clear ? 0u : static_cast<UINT>(ETO_OPAQUE));
    ExtTextOutW(dc, x, y, options, &rect, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  } catch (...) {
    // Painting never raises.
  }
}

String CutText(TCanvas& canvas, const String& text, int width) {
  if (width <= 0) return String();
  if (text.empty() || TextWidthOf(canvas, text) <= width) return text;
  static const String kEllipsis = L"...";
  String rest = text;
  while (!rest.empty()) {
    const bool pair = rest.size() >= 2 && IS_LOW_SURROGATE(rest.back()) && IS_HIGH_SURROGATE(rest[rest.size() - 2]);
    rest.resize(rest.size() - (pair ? 2 : 1));
    if (!rest.empty() && TextWidthOf(canvas, rest + kEllipsis) <= width) return rest + kEllipsis;
  }
  return String();
}

void DrawSkinText(TCanvas& canvas, const String& text, bool enabled, bool hot, const TsTextSkin& skin,
                  UINT format, const RECT& rect) {
  HDC dc = canvas.Handle();
  if (!dc) return;
  const TTextWork work;
  try {
    if (skin.Font) canvas.Font().Assign(*skin.Font);
    if (hot && skin.SectionName == "WEBBUTTON") canvas.Font().SetStyle(canvas.Font().Style() | fsUnderline);
    const TSavedDC saved(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    ClearBrushFor(canvas, text);
    const TsGeneralData* section = SectionOf(skin.Skin, skin.SectionIndex);

    if (!enabled) {
      if (section) {
        try {
          canvas.Font().SetColor(DisabledFontColor(*section));
        } catch (...) {
          // The text goes on in the colour the font has.
        }
      }
      TTextPasses(canvas).Draw(text, canvas.Font().Color(), rect, format);
      return;
    }
    if (section && !skin.CustomFont) {
      const TsFontColors& colors = hot ? section->HotFontColor : section->FontColor;
      TTextPasses(canvas).Contours(text, colors, rect, format);
      canvas.Font().SetColor(SkinColorToRGB(colors[0]));
    }
    TTextPasses(canvas).Draw(text, canvas.Font().Color(), rect, format | DT_NOCLIP);
  } catch (...) {
    // Painting never raises; the DC's state is back already.
  }
}

void DrawSectionText(TCanvas& canvas, const String& text, bool enabled, const TsSkinTables* skin, bool hot,
                     int sectionIndex, UINT format, const RECT& rect) {
  const TsGeneralData* section = SectionOf(skin, sectionIndex);
  if (!section || !canvas.Handle()) return;
  const TTextWork work;
  try {
    ClearBrushFor(canvas, text);
    if (enabled) {
      const TsFontColors& colors = hot ? section->HotFontColor : section->FontColor;
      TTextPasses(canvas).Contours(text, colors, rect, format);
      canvas.Font().SetColor(SkinColorToRGB(colors[0]));
    } else {
      try {
        canvas.Font().SetColor(DisabledFontColor(*section));
      } catch (...) {
        // The text goes on in the colour the font has.
      }
    }
    TTextPasses(canvas).Draw(text, canvas.Font().Color(), rect, format);
  } catch (...) {
    // Painting never raises.
  }
}

// ---- lines --------------------------------------------------------------------------

void DrawFocusDots(TCanvas& canvas, const RECT& rect) {
  HDC dc = canvas.Handle();
  if (!dc) return;
  constexpr COLORREF kBlack = 0x000000, kWhite = 0xFFFFFF;
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  for (int i = 0; i <= w / 3; ++i) {
    const int x = rect.left + 3 * i;
    SetPixelV(dc, x, rect.top, kBlack);
    SetPixelV(dc, x, rect.bottom, kBlack);
    SetPixelV(dc, x - 1, rect.top - 1, kWhite);
    SetPixelV(dc, x - 1, rect.bottom - 1, kWhite);
  }
  for (int j = 0; j <= h / 3; ++j) {
    const int y = rect.top + 3 * j;
    SetPixelV(dc, rect.left, y, kBlack);
    SetPixelV(dc, rect.right, y, kBlack);
    SetPixelV(dc, rect.left - 1, y - 1, kWhite);
    SetPixelV(dc, rect.right - 1, y - 1, kWhite);
  }
}

void DrawFrameRings(HDC dc, RECT& rect, TColor topLeft, int& rings, TColor bottomRight) {
  if (!dc) return;
  const TPenHandle light = NewPen(PS_SOLID, 1, ColorToRGB(topLeft));
  const TPenHandle dark = NewPen(PS_SOLID, 1, static_cast<COLORREF>(bottomRight));
  if (!light || !dark) return;
  // The guards go before the pens, so the DC's own pen is back before they are deleted.
  const TSelectGuard brush(dc, GetStockObject(NULL_BRUSH));
  const TSelectGuard pen(dc, light.Get());
  rect.right -= 1;
  rect.bottom -= 1;
  for (; rings > 0; --rings) {
    SelectObject(dc, light.Get());
    const POINT upper[3] = {{rect.left, rect.bottom}, {rect.left, rect.top}, {rect.right, rect.top}};
    Polyline(dc, upper, 3);
    SelectObject(dc, dark.Get());
    const POINT lower[3] = {{rect.right, rect.top}, {rect.right, rect.bottom}, {rect.left - 1, rect.bottom}};
    Polyline(dc, lower, 3);
    InflateRect(&rect, -1, -1);
  }
  rect.right += 1;
  rect.bottom += 1;
}

void CopyBorderRing(HDC dst, int x, int y, int ringWidth, int sx, int sy, HDC src, int height, int width) {
  const int bw = ringWidth, h = height, w = width;
  BitBlt(dst, x, y, bw, h, src, sx, sy, SRCCOPY);
  BitBlt(dst, x + bw, y, w, bw, src, bw + sx, sy, SRCCOPY);
  BitBlt(dst, w - bw, y + bw, w, h, src, sx + w - bw, bw + sy, SRCCOPY);
  BitBlt(dst, x + bw, h - bw, w - bw, h, src, bw + sx, sy + h - bw, SRCCOPY);
}

// ---- soft shadow ----------------------------------------------------------------------

namespace {

// Copies the overlap of a w x h block at (x, y) of `from` to (tx, ty) of `to`, three bytes
// per pixel (a fourth byte is left alone).
void CopyBlock(const TSurfaceView& from, int x, int y, const TSurfaceView& to, int tx, int ty, int w, int h) {
  const int fb = from.BytesPerPixel(), tb = to.BytesPerPixel();
  for (int row = 0; row < h; ++row) {
    const uint8_t* s = from.Pixel(x, y + row);
    uint8_t* d = to.Pixel(tx, ty + row);
    for (int col = 0; col < w; ++col, s += fb, d += tb) std::memcpy(d, s, 3);
  }
}

// A rounded rectangle (right and bottom exclusive) filled with one grey, outline included.
void FillRoundRect(HDC dc, int left, int top, int right, int bottom, int corner, int grey) {
  if (right <= left || bottom <= top) return;
  const COLORREF color = RGB(grey, grey, grey);
  const TBrushHandle brush = NewSolidBrush(color);
  const TPenHandle pen = NewPen(PS_SOLID, 1, color);
  if (!brush || !pen) return;
  const TSelectGuard brushGuard(dc, brush.Get());
  const TSelectGuard penGuard(dc, pen.Get());
  RoundRect(dc, left, top, right, bottom, corner, corner);
}

}  // namespace

void SoftShadow(const TSurfaceView& surface, TsRect rect, int transparency, int radius, int blur, TColor color) {
  const int width = rect.Width(), height = rect.Height();
  if (surface.Empty() || width <= 0 || height <= 0) return;
  // The part of the rectangle that lies on the surface.
  const int x1 = std::max(rect.Left, 0), y1 = std::max(rect.Top, 0);
  const int x2 = std::min(rect.Right, surface.width), y2 = std::min(rect.Bottom, surface.height);
  if (x2 <= x1 || y2 <= y1) return;
  try {
    TBitmap work(width, height);
    TBitmap mask(width, height);
    const TSurfaceView w = work.View(), m = mask.View();
    CopyBlock(surface, x1, y1, w, x1 - rect.Left, y1 - rect.Top, x2 - x1, y2 - y1);
    FillRectColor(m, TsRect{0, 0, width, height}, clWhite);

    const int half = std::min(width / 2, height / 2);
    const int rings = std::min(half, blur);
    const int corner = std::min(half, radius);
    const int centre = transparency * 255 / 100;
    HDC dc = mask.Canvas().Handle();
    for (int t = 0; t <= rings; ++t) {
      const int grey =
          t == 0 ? 255 : centre + static_cast<int>(RoundEven((255.0 - centre) / (rings + 1) * (rings - (t - 1))));
      FillRoundRect(dc, t, t, width - t, height - t, corner, ClampByte(grey));
    }
    FillRoundRect(dc, rings, rings, width - rings, height - rings, rings, ClampByte(centre));
    GdiFlush();

    TintThroughMask(w, m, color);
    CopyBlock(w, x1 - rect.Left, y1 - rect.Top, surface, x1, y1, x2 - x1, y2 - y1);
  } catch (...) {
    // Painting never raises: the surface keeps what it had.
  }
}
