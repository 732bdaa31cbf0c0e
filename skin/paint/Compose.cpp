#include "skin/paint/Compose.h"

#include <algorithm>

#include "skin/paint/Borders.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/Stretch.h"
#include "skin/paint/sGradient.h"

namespace {

constexpr TsRect kNothingLeft{0, 0, 0, 0};

long gCompositions = 0;

bool RectInside(const TsRect& r, const TSurfaceView& s) {
  return r.Left >= 0 && r.Top >= 0 && r.Right <= s.width && r.Bottom <= s.height;
}

int PercentToAlpha(int percent) { return std::clamp(percent * 255 / 100, 0, 255); }

// The values of a section for one state.
struct TStateValues {
  TColor color;
  int transparency;
  int gradientPercent;
  int imagePercent;
  const TsGradArray* gradient;
};

TStateValues SelectState(const TsGeneralData& sec, TColor given, int state) {
  const bool hot = state != 0;
  TStateValues v{};
  v.color = SkinColorToRGB(given != clFuchsia ? given : hot ? sec.HotColor : sec.Color);
  v.transparency = hot ? sec.HotTransparency : sec.Transparency;
  v.gradientPercent = hot ? sec.HotGradientPercent : sec.GradientPercent;
  v.imagePercent = hot ? sec.HotImagePercent : sec.ImagePercent;
  v.gradient = hot ? &sec.HotGradientArray : &sec.GradientArray;
  return v;
}

// A texture for the image layer: a texture reference, else a picture.
struct TTexture {
  TMaskRef mask;
  TSurfaceView picture;  // a pattern's picture, when no texture reference was found
  bool Found() const { return mask.Valid() || !picture.Empty(); }
};

void PutParent(const TSurfaceView& surface, const TsRect& rect, const BgInfo& bg, TPoint offset) {
  if (SameSurface(surface, bg.Bmp)) return;
  if (TPaintColors::Parent == clFuchsia) {
    if (bg.HasBmp())
      CopyBlock(surface, rect.Left, rect.Top, bg.Bmp,
                TsRect{bg.X + offset.x, bg.Y + offset.y, bg.X + offset.x + rect.Width(),
                       bg.Y + offset.y + rect.Height()});
  } else {
    FillRectColor(surface, rect, TPaintColors::Parent);
  }
}

// The opaque layers (image, gradient, colour by percentage) into q of target. `bgAtQ` maps
// target coordinates to the parent picture, for the key pixels of masked textures. Parts
// differ in the weight of the image under a gradient and in when the colour fills.
void OpaqueLayers(const TSurfaceView& target, const TsRect& q, const TStateValues& v, const TTexture& tex,
                  const BgInfo& bgAtQ, bool part) {
  bool imagePainted = false;
  if (v.imagePercent > 0 && tex.Found()) {
    TsRect left = q;
    if (!tex.picture.Empty())
      FillByTexture(target, left, &tex.picture, 0, tex.mask);
    else if (tex.mask.Data->MaskType > 0)
      FillByMaskedTexture(target, left, bgAtQ, tex.mask.Data->DrawMode, tex.mask);
    else
      FillByTexture(target, left, nullptr, tex.mask.Data->DrawMode, tex.mask);
    if (!IsEmptyRect(left)) FillRectColor(target, left, v.color);
    imagePainted = true;
  }
  if (v.gradientPercent > 0) {
    auto paintGradient = [&](const TSurfaceView& into, const TsRect& r) {
      if (v.gradient->empty())
        FillRectColor(into, r, v.color);
      else
        PaintGradient(into, r, *v.gradient);
    };
    if (imagePainted) {
      auto temp = NewSurface24(q.Width(), q.Height());
      const TSurfaceView tv = temp->View();
      paintGradient(tv, TsRect{0, 0, q.Width(), q.Height()});
      const int alpha = part ? ((v.imagePercent * 256 / 100) & 0xFF) : PercentToAlpha(v.imagePercent);
      BlendSurfaceRect(target, tv, alpha, TPoint{q.Left, q.Top}, TsRect{0, 0, q.Width() - 1, q.Height()});
    } else {
      paintGradient(target, q);
    }
  }
  const int s = v.gradientPercent + v.imagePercent;
  const bool fill = part ? (s == 0 || s > 100) : s == 0;
  if (fill) {
    const bool useParent = TPaintColors::Parent != clFuchsia && v.transparency != 0;
    FillRectColor(target, q, useParent ? TPaintColors::Parent : v.color);
  } else if (s >= 1 && s <= 99) {
    // TintRect takes its rectangle inclusive.
    TintRect(target, TsRect{q.Left, q.Top, q.Right - 1, q.Bottom - 1}, s, v.color);
  }
}

// By transparency: the opaque layers straight (no parent picture, or opaque), the parent
// alone (fully transparent), or the layers in a temporary blended over the parent.
template <typename Opaque>
void ByTransparency(const TSurfaceView& surface, const TsRect& rect, const BgInfo& bg, TPoint offset, int t,
                    bool part, Opaque opaque) {
  if (part && bg.Ready && t == 100) {
    if (!SameSurface(surface, bg.Bmp) && bg.HasBmp())
      CopyBlock(surface, rect.Left, rect.Top, bg.Bmp,
                TsRect{bg.X + offset.x, bg.Y + offset.y, bg.X + offset.x + rect.Width(),
                       bg.Y + offset.y + rect.Height()});
    return;
  }
  if (!bg.Ready || t == 0) {
    opaque(surface, rect);
    return;
  }
  if (!part && t == 100) {
    PutParent(surface, rect, bg, offset);
    return;
  }
  auto temp = NewSurface24(rect.Width(), rect.Height());
  const TSurfaceView tv = temp->View();
  opaque(tv, TsRect{0, 0, rect.Width(), rect.Height()});
  if (part) {
    if (bg.HasBmp() && !SameSurface(surface, bg.Bmp))
      CopyBlock(surface, rect.Left, rect.Top, bg.Bmp,
                TsRect{bg.X + offset.x, bg.Y + offset.y, bg.X + offset.x + rect.Width(),
                       bg.Y + offset.y + rect.Height()});
  } else {
    PutParent(surface, rect, bg, offset);
  }
  BlendSurfaceRect(surface, tv, PercentToAlpha(t), TPoint{rect.Left, rect.Top},
                   TsRect{0, 0, rect.Width(), rect.Height()});
}

BgInfo Shifted(const BgInfo& bg, int dx, int dy) {
  BgInfo b = bg;
  b.X += dx;
  b.Y += dy;
  return b;
}

}  // namespace

long PictureCompositions() { return gCompositions; }

void TileGraphic(const TSurfaceView& surface, TsRect rect, const TSurfaceView& picture) {
  if (picture.Empty()) return;
  for (int y = rect.Top; y < rect.Bottom; y += picture.height)
    for (int x = rect.Left; x < rect.Right; x += picture.width)
      CopyBlock(surface, x, y, picture,
                TsRect{0, 0, std::min(picture.width, rect.Right - x), std::min(picture.height, rect.Bottom - y)});
}

void FillByTexture(const TSurfaceView& surface, TsRect& rect, const TSurfaceView* picture, int mode,
                   const TMaskRef& mask) {
  if (picture && !picture->Empty()) {
    TileGraphic(surface, rect, *picture);
    rect = kNothingLeft;
    return;
  }
  if (!mask.Valid()) return;  // nothing painted, the whole rectangle is left
  const TsRect r = mask.Data->R;
  const int tw = r.Width(), th = r.Height();
  const TSurfaceView& src = mask.Source;
  auto tile = [&](int x1, int y1, int x2, int y2) {
    if (tw <= 0 || th <= 0) return;
    for (int y = y1; y < y2; y += th)
      for (int x = x1; x < x2; x += tw)
        CopyBlock(surface, x, y, src, TsRect{r.Left, r.Top, r.Left + std::min(tw, x2 - x), r.Top + std::min(th, y2 - y)});
  };
  auto stretch = [&](int x1, int y1, int x2, int y2) {
    if (x2 > x1 && y2 > y1) StretchCopy(surface, TsRect{x1, y1, x2, y2}, src, r);
  };
  const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom;
  switch (mode) {
    case 0: tile(L, T, R, B); rect = kNothingLeft; break;
    case 1: stretch(L, T, R, B); rect = kNothingLeft; break;
    case 2: tile(L, T, R, std::min(T + th, B)); rect = TsRect{L, T + th, R, B}; break;
    case 3: tile(L, T, std::min(L + tw, R), B); rect = TsRect{L + tw, T, R, B}; break;
    case 4: stretch(L, T, R, std::min(T + th, B)); rect = TsRect{L, T + th, R, B}; break;
    case 5: stretch(L, T, std::min(L + tw, R), B); rect = TsRect{L + tw, T, R, B}; break;
    case 6: tile(L, std::max(B - th, T), R, B); rect = TsRect{L, T, R, B - th}; break;
    case 7: tile(std::max(R - tw, L), T, R, B); rect = TsRect{L, T, R - tw, B}; break;
    case 10:
      if (th > 0) tile(L, T, R, T + (B - T) / th * th);
      rect = kNothingLeft;
      break;
    default:
      tile(std::max(R - tw, L), T, R, B);
      rect = TsRect{std::max(R - tw, L), T, R, B};
      break;
  }
}

void FillByMaskedTexture(const TSurfaceView& surface, TsRect& rect, const BgInfo& bg, int mode,
                         const TMaskRef& mask) {
  if (!mask.Valid() || surface.Empty() || mask.Data->ImageCount <= 0) return;
  const TsRect r = mask.Data->R;
  const int tw = r.Width() / mask.Data->ImageCount, th = r.Height() / 2;
  const int maskOffset = r.Height() / 2;
  const TSurfaceView& src = mask.Source;
  // A tile that starts outside its source has nothing to lay.
  if (tw <= 0 || th <= 0 || r.Left < 0 || r.Top < 0 || (mode != 0 && mode != 10)) {
    rect = kNothingLeft;
    return;
  }
  TacFast24& parent24 = SharedFast24();
  TacFast32& parent32 = SharedFast32();
  bool parentIs32 = false, parentReady = false;
  if (bg.Ready && bg.HasBmp()) {
    if (parent24.Attach(bg.Bmp))
      parentReady = true;
    else if (parent32.Attach(bg.Bmp))
      parentReady = parentIs32 = true;
  }
  auto parentPixel = [&](int x, int y, TColor& out) {
    if (!parentReady) return false;
    const int px = bg.X + x, py = bg.Y + y;
    const int w = parentIs32 ? parent32.Width : parent24.Width, h = parentIs32 ? parent32.Height : parent24.Height;
    if (px < 0 || py < 0 || px >= w || py >= h) return false;
    out = parentIs32 ? parent32.Pixel(px, py) : parent24.Pixel(px, py);
    return true;
  };
  const TColor fill = TPaintColors::Fill;
  const int sb = src.BytesPerPixel(), db = surface.BytesPerPixel();
  auto copyTile = [&](int x, int y, int w, int h) {
    w = std::min({w, surface.width - x, src.width - r.Left});
    h = std::min({h, surface.height - y, src.height - r.Top - maskOffset});
    if (x < 0 || y < 0) return;
    for (int row = 0; row < h; ++row) {
      const uint8_t* s = src.Pixel(r.Left, r.Top + row);
      const uint8_t* m = src.Pixel(r.Left, r.Top + row + maskOffset);
      uint8_t* d = surface.Pixel(x, y + row);
      for (int col = 0; col < w; ++col, s += sb, m += sb, d += db) {
        if (!(s[0] == 0xFF && s[1] == 0 && s[2] == 0xFF)) {
          for (int c = 0; c < 3; ++c) d[c] = MaskBlendChannel(s[c], d[c], m[c], false);
          continue;
        }
        TColor p;
        if (fill != clFuchsia)
          PutRGB(d, SkinColorToRGB(fill));
        else if (parentPixel(x + col, y + row, p))
          PutRGB(d, p);
      }
    }
  };
  // Whole tiles in rows while they fit; columns end with one cut column.
  int x = rect.Left;
  int rowsEnd = rect.Top;
  for (; x < rect.Right; x += tw) {
    const int w = std::min(tw, rect.Right - x);
    int y = rect.Top;
    for (; y <= rect.Bottom - th; y += th) copyTile(x, y, w, th);
    rowsEnd = y;
  }
  if (mode == 10) {
    const int columnsEnd = rect.Left + (rect.Right - rect.Left) / tw * tw;
    auto fillStrip = [&](int x1, int y1, int x2, int y2) {
      for (int yy = std::max(y1, 0); yy < std::min(y2, surface.height); ++yy)
        for (int xx = std::max(x1, 0); xx < std::min(x2, surface.width); ++xx) {
          TColor p;
          if (parentPixel(xx, yy, p))
            PutRGB(surface.Pixel(xx, yy), p);
          else if (!parentReady && fill != clFuchsia)
            PutRGB(surface.Pixel(xx, yy), SkinColorToRGB(fill));
        }
    };
    fillStrip(rect.Left, rowsEnd, rect.Right, rect.Bottom);
    fillStrip(columnsEnd, rect.Top, rect.Right, rowsEnd);
  }
  rect = kNothingLeft;
}

void PaintBackground(int index, const std::string& name, const BgInfo& bg, TColor color, int hotTexture,
                     int texture, const TsSkinTables* skin, const TSurfaceView& surface, TPoint offset,
                     TsRect rect, int state) {
  if (!skin || !skin->IsSectionIndexValid(index) || surface.Empty() || IsEmptyRect(rect)) return;
  const TsGeneralData& sec = skin->SectionTable[static_cast<size_t>(index)];
  const TStateValues v = SelectState(sec, color, state);
  TTexture tex;
  if (v.imagePercent > 0) {
    const int given = state == 0 ? texture : hotTexture;
    const char* key = state == 0 ? "PATTERN" : "HOTPATTERN";
    int found = -1;
    if (given != -1) {
      if (skin->IsMaskIndexValid(given) && skin->MaskTable[static_cast<size_t>(given)].MaskType == 0) found = given;
    } else {
      found = skin->MaskIndex(index, name, key);
    }
    tex.mask = MaskRef(*skin, found);
    if (!tex.mask.Valid()) {
      tex.mask = {};
      const int p = skin->PatternIndex(index, name, key);
      if (p >= 0 && skin->PatternTable[static_cast<size_t>(p)].Img)
        tex.picture = skin->PatternTable[static_cast<size_t>(p)].Img->View();
    }
  }
  ByTransparency(surface, rect, bg, offset, v.transparency, false, [&](const TSurfaceView& target, TsRect q) {
    OpaqueLayers(target, q, v, tex, Shifted(bg, offset.x - q.Left, offset.y - q.Top), false);
  });
  if (state == 0) {
    int again = texture != -1 ? texture : hotTexture;
    const TMaskRef m = MaskRef(*skin, again);
    if (m.Valid() && m.Data->MaskType > 0 && m.Data->DrawMode == 10) {
      TsRect r = rect;
      FillByMaskedTexture(surface, r, Shifted(bg, offset.x - rect.Left, offset.y - rect.Top), 10, m);
    }
  }
}

void PaintSection(int index, const std::string& name, const BgInfo& bg, int hotTexture, int texture,
                  const TsSkinTables* skin, const TSurfaceView& surface, TPoint offset, TsRect rect, int state,
                  bool fillCentre) {
  if (!skin || !skin->IsSectionIndexValid(index) || surface.Empty() || !RectInside(rect, surface)) return;
  ++gCompositions;
  PaintBackground(index, name, bg, clFuchsia, hotTexture, texture, skin, surface, offset, rect, state);
  const int border = skin->MaskIndex(index, name, "BORDERSMASK");
  if (border >= 0)
    PaintBorderMask(surface, rect, fillCentre, true, state, MaskRef(*skin, border), Shifted(bg, offset.x, offset.y));
}

void PaintItem(const TPaintItemSource& item, const BgInfo& bg, bool fillCentre, bool useParent,
               const TSurfaceView& surface, TPoint offset, TsRect rect, int state) {
  const TsSkinTables* skin = item.Skin;
  if (surface.Empty() || !skin || !skin->IsSectionIndexValid(item.SkinIndex) || !RectInside(rect, surface)) return;
  ++gCompositions;

  TPaintColors::Parent = clFuchsia;
  if (!bg.Ready && item.HasParent) TPaintColors::Fill = TPaintColors::Parent = SkinColorToRGB(item.ParentColor);
  if (bg.Ready && !item.DependsOnParent && TPaintColors::Parent == clFuchsia && item.QueryParentColor)
    TPaintColors::Parent = SkinColorToRGB(item.QueryParentColor());
  const TColor color = item.CustomColor ? SkinColorToRGB(item.OwnerColor) : clFuchsia;

  PaintBackground(item.SkinIndex, item.SkinSection, bg, color, item.HotTexture, item.Texture, skin, surface, offset,
                  rect, state);
  const TMaskRef border = MaskRef(*skin, item.BorderIndex);
  if (border.Valid() && (state != 0 || !(border.Data->DrawMode & 2)))
    PaintBorderMask(surface, rect, fillCentre, useParent, state, border, Shifted(bg, offset.x, offset.y));
  TPaintColors::Fill = TPaintColors::Parent = clFuchsia;

  struct TCorner {
    const char* key;
    bool right, bottom;
  };
  static constexpr TCorner kCorners[] = {{"IMGTOPLEFT", false, false},
                                         {"IMGTOPRIGHT", true, false},
                                         {"IMGBTMLEFT", false, true},
                                         {"IMGBTMRIGHT", true, true}};
  for (const TCorner& c : kCorners) {
    const TMaskRef m = MaskRef(*skin, skin->MaskIndex(item.SkinIndex, item.SkinSection, c.key));
    if (!m.Valid()) continue;
    const TPoint at{c.right ? rect.Right - m.FrameWidth() : rect.Left,
                    c.bottom ? rect.Bottom - m.FrameHeight() : rect.Top};
    PaintGlyphMask(surface, at, state, m, true);
  }
}

void PaintPart(int index, int borderIndex, int texture, int hotTexture, const TsSkinTables* skin,
               const TSurfaceView& surface, TPoint offset, TsRect rect, int state, bool fillCentre,
               const BgInfo& bg, const std::string& name) {
  (void)name;
  if (!skin || !skin->IsSectionIndexValid(index) || surface.Empty() || !RectInside(rect, surface) ||
      IsEmptyRect(rect))
    return;
  ++gCompositions;
  const TsGeneralData& sec = skin->SectionTable[static_cast<size_t>(index)];
  const TStateValues v = SelectState(sec, clFuchsia, state);
  TTexture tex;
  tex.mask = MaskRef(*skin, state == 0 ? texture : hotTexture);
  ByTransparency(surface, rect, bg, offset, v.transparency, true, [&](const TSurfaceView& target, TsRect q) {
    OpaqueLayers(target, q, v, tex, Shifted(bg, offset.x - q.Left, offset.y - q.Top), true);
  });
  const TMaskRef border = MaskRef(*skin, borderIndex);
  if (border.Valid())
    PaintBorderMask(surface, rect, fillCentre, true, state, border, Shifted(bg, offset.x, offset.y));
}
