#include "skin/paint/Borders.h"

#include <algorithm>

#include "skin/paint/Pixels.h"
#include "skin/paint/Stretch.h"

namespace {

bool IsKeyPixel(const uint8_t* p) { return p[0] == 0xFF && p[1] == 0x00 && p[2] == 0xFF; }

const BgInfo kNoParent{};

// Lays tiles of (tileW x tileH) from the source at (srcX, srcY) over [x1, x2) x [y1, y2):
// whole tiles while they fit, then one cut tile; a tile size of 0 lays nothing.
template <typename Copy>
void Tile(int srcX, int srcY, int tileW, int tileH, int x1, int y1, int x2, int y2, Copy copy) {
  if (tileW <= 0 || tileH <= 0) return;
  for (int y = y1; y < y2; y += tileH) {
    const int h = std::min(tileH, y2 - y);
    for (int x = x1; x < x2; x += tileW) copy(TsRect{srcX, srcY, srcX + std::min(tileW, x2 - x), srcY + h}, x, y);
  }
}

TsRect At(int x, int y, int w, int h) { return TsRect{x, y, x + w, y + h}; }

// Tiles of (tileW x tileH) from (srcX, srcY) over [x1, x2) x [y1, y2), every pixel blended
// through its mask (maskOffset rows lower): what tiling MaskedCopy without a parent does,
// in one pass over the destination rows instead of one call per tile. False, with
// nothing painted, when a tile does not lie wholly inside the source; the caller then
// lays the tiles one by one, each cut by MaskedCopy.
bool BlendTiles(const TSurfaceView& surface, const TSurfaceView& src, int srcX, int srcY, int tileW, int tileH,
                int maskOffset, int x1, int y1, int x2, int y2) {
  if (tileW <= 0 || tileH <= 0) return true;
  if (srcX < 0 || srcY < 0 || srcX + tileW > src.width || srcY + tileH + maskOffset > src.height) return false;
  const int cx1 = std::max(x1, 0), cx2 = std::min(x2, surface.width);
  const int cy1 = std::max(y1, 0), cy2 = std::min(y2, surface.height);
  const int sb = src.BytesPerPixel(), db = surface.BytesPerPixel();
  const bool packed = sb == 3 && db == 3;
  for (int y = cy1; y < cy2; ++y) {
    const int sy = srcY + (y - y1) % tileH;
    const uint8_t* sRow = src.Pixel(srcX, sy);
    const uint8_t* mRow = src.Pixel(srcX, sy + maskOffset);
    uint8_t* d = surface.Pixel(cx1, y);
    int column = (cx1 - x1) % tileW;
    for (int x = cx1; x < cx2;) {
      const int run = std::min(tileW - column, cx2 - x);
      const uint8_t* s = sRow + static_cast<ptrdiff_t>(column) * sb;
      const uint8_t* m = mRow + static_cast<ptrdiff_t>(column) * sb;
      if (packed) {
        // (s * (256 - m) + d * m) >> 8 never leaves 0..255, so no clamping is needed.
        for (int i = 0; i < 3 * run; ++i) d[i] = static_cast<uint8_t>((s[i] * (256 - m[i]) + d[i] * m[i]) >> 8);
      } else {
        for (int i = 0; i < run; ++i)
          for (int c = 0; c < 3; ++c)
            d[i * db + c] = MaskBlendChannel(s[i * sb + c], d[i * db + c], m[i * sb + c], false);
      }
      d += static_cast<ptrdiff_t>(run) * db;
      x += run;
      column = 0;
    }
  }
  return true;
}

}  // namespace

int TMaskRef::FrameWidth() const {
  if (!Data || Data->ImageCount <= 0) return 0;
  return Data->R.Width() / Data->ImageCount;
}

int TMaskRef::FrameHeight() const {
  if (!Data || Data->MaskType < 0) return 0;
  return Data->R.Height() / (Data->MaskType + 1);
}

int TMaskRef::FrameOffset(int state) const {
  if (!Data || Data->ImageCount <= 0) return 0;
  return std::clamp(state, 0, Data->ImageCount - 1) * FrameWidth();
}

TMaskRef MaskRef(const TsSkinTables& skin, int maskIndex) {
  if (!skin.IsMaskIndexValid(maskIndex)) return {};
  const TSurfaceView master = skin.MasterBitmap ? skin.MasterBitmap->View() : TSurfaceView{};
  return MaskRef(skin.MaskTable[static_cast<size_t>(maskIndex)], master);
}

TMaskRef MaskRef(const TsMaskData& data, const TSurfaceView& master) {
  return TMaskRef{&data, data.Bmp ? data.Bmp->View() : master};
}

std::pair<int, int> FitBorders(int n, int a, int b) {
  if (n < a + b) {
    const int excess = a + b - n;
    a -= excess / 2;
    b -= excess / 2;
    // An odd excess leaves one pixel too many; the second border gives it up.
    if (excess % 2 != 0) --b;
    a = std::max(a, 0);
    b = std::max(b, 0);
  }
  return {a, b};
}

void MaskedCopy(TsRect destRect, TsRect srcRect, const TSurfaceView& surface, const TMaskRef& mask,
                bool useParent, const BgInfo& bg, const TSurfaceView& source) {
  if (!mask.Data || surface.Empty() || source.Empty()) return;
  int dx = destRect.Left, dy = destRect.Top, sx = srcRect.Left, sy = srcRect.Top;
  int w = std::min(destRect.Width(), srcRect.Width());
  int h = std::min(destRect.Height(), srcRect.Height());
  if (dx < 0) { sx -= dx; w += dx; dx = 0; }
  if (dy < 0) { sy -= dy; h += dy; dy = 0; }
  if (sx < 0) { dx -= sx; w += sx; sx = 0; }
  if (sy < 0) { dy -= sy; h += sy; sy = 0; }
  const int maskOffset = mask.Data->R.Height() / 2;
  // The mask row of the last source row must exist too.
  w = std::min({w, surface.width - dx, source.width - sx});
  h = std::min({h, surface.height - dy, source.height - sy - maskOffset});
  if (w <= 0 || h <= 0) return;

  const bool fromParent = bg.Ready && useParent;
  TacFast24& parent24 = SharedFast24();
  TacFast32& parent32 = SharedFast32();
  bool parentIs32 = false;
  if (fromParent) {
    if (bg.Bmp.bitsPerPixel == 24 && parent24.Attach(bg.Bmp)) {
    } else if (bg.Bmp.bitsPerPixel == 32 && parent32.Attach(bg.Bmp)) {
      parentIs32 = true;
    } else {
      return;  // no readable parent: the piece is not painted at all
    }
  }
  const int parentW = parentIs32 ? parent32.Width : parent24.Width;
  const int parentH = parentIs32 ? parent32.Height : parent24.Height;
  const TColor fill = TPaintColors::Fill;
  const int sb = source.BytesPerPixel(), db = surface.BytesPerPixel();
  for (int row = 0; row < h; ++row) {
    const uint8_t* s = source.Pixel(sx, sy + row);
    const uint8_t* m = source.Pixel(sx, sy + row + maskOffset);
    uint8_t* d = surface.Pixel(dx, dy + row);
    for (int col = 0; col < w; ++col, s += sb, m += sb, d += db) {
      if (useParent && IsKeyPixel(s)) {
        if (fromParent) {
          // Key pixels with no parent pixel behind them stay as they are.
          const int px = bg.X + dx + col, py = bg.Y + dy + row;
          if (px < 0 || py < 0 || px >= parentW || py >= parentH) continue;
          PutRGB(d, parentIs32 ? parent32.Pixel(px, py) : parent24.Pixel(px, py));
        } else {
          PutRGB(d, fill != clFuchsia ? SkinColorToRGB(fill) : clFuchsia);
        }
        continue;
      }
      for (int ch = 0; ch < 3; ++ch) d[ch] = MaskBlendChannel(s[ch], d[ch], m[ch], false);
    }
  }
}

void PaintBorderMask(const TSurfaceView& surface, TsRect rect, bool fillCentre, bool useParent, int state,
                     const TMaskRef& mask, const BgInfo& bg) {
  if (!mask.Valid() || surface.Empty()) return;
  const TsMaskData& m = *mask.Data;
  if (state == 0 && (m.DrawMode & 2)) return;
  if (rect.Width() <= 1 || rect.Height() <= 1) return;
  const int fw = mask.FrameWidth(), fh = mask.FrameHeight();
  if (fw <= 0 || fh <= 0) return;

  const auto [l, rt] = FitBorders(rect.Width(), m.WL, m.WR);
  const auto [t, b] = FitBorders(rect.Height(), m.WT, m.WB);
  const int x0 = m.R.Left + mask.FrameOffset(state);
  const int top = m.R.Top;
  const int cw = std::max(0, fw - l - rt), ch = std::max(0, fh - t - b);
  const int bottomRow = top + fh - b;  // equals R.Bottom - B for references without a mask
  const TSurfaceView& src = mask.Source;
  const int left = rect.Left, right = rect.Right, rtop = rect.Top, bottom = rect.Bottom;

  if (m.MaskType > 0) {
    auto corner = [&](TsRect s, int x, int y) {
      MaskedCopy(At(x, y, s.Width(), s.Height()), s, surface, mask, useParent, bg, src);
    };
    const int maskOffset = m.R.Height() / 2;
    auto edges = [&](int sx, int sy, int tw, int th, int x1, int y1, int x2, int y2) {
      if (BlendTiles(surface, src, sx, sy, tw, th, maskOffset, x1, y1, x2, y2)) return;
      Tile(sx, sy, tw, th, x1, y1, x2, y2, [&](TsRect s, int x, int y) {
        MaskedCopy(At(x, y, s.Width(), s.Height()), s, surface, mask, false, kNoParent, src);
      });
    };
    corner(At(x0, top, l, t), left, rtop);
    edges(x0, top + t, l, ch, left, rtop + t, left + l, bottom - b);
    edges(x0 + l, top, cw, t, left + l, rtop, right - rt, rtop + t);
    corner(At(x0, bottomRow, l, b), left, bottom - b);
    edges(x0 + l, bottomRow, cw, b, left + l, bottom - b, right - rt, bottom);
    corner(At(x0 + l + cw, bottomRow, rt, b), right - rt, bottom - b);
    corner(At(x0 + l + cw, top, rt, t), right - rt, rtop);
    edges(x0 + l + cw, top + t, rt, ch, right - rt, rtop + t, right, bottom - b);
    if (fillCentre && (m.DrawMode & 4)) edges(x0 + l, top + t, cw, ch, left + l, rtop + t, right - rt, bottom - b);
    return;
  }

  // Corners keep their key pixels out (or take the parent's); CopyKeyedFill takes its source
  // rectangle inclusive.
  auto corner = [&](int sx, int sy, int w, int h, int x, int y) {
    if (w <= 0 || h <= 0) return;
    CopyKeyedFill(surface, src, x, useParent, bg, clFuchsia, TsRect{sx, sy, sx + w - 1, sy + h - 1}, y);
  };
  const bool stretch = (m.DrawMode & 1) != 0;
  auto edge = [&](int sx, int sy, int tw, int th, int x1, int y1, int x2, int y2) {
    if (tw <= 0 || th <= 0 || x2 <= x1 || y2 <= y1) return;
    if (stretch)
      StretchCopy(surface, TsRect{x1, y1, x2, y2}, src, At(sx, sy, tw, th));
    else
      Tile(sx, sy, tw, th, x1, y1, x2, y2, [&](TsRect s, int x, int y) { CopyBlock(surface, x, y, src, s); });
  };
  corner(x0, top, l, t, left, rtop);
  edge(x0, top + t, l, ch, left, rtop + t, left + l, bottom - b);
  edge(x0 + l, top, cw, t, left + l, rtop, right - rt, rtop + t);
  corner(x0, bottomRow, l, b, left, bottom - b);
  edge(x0 + l, bottomRow, cw, b, left + l, bottom - b, right - rt, bottom);
  corner(x0 + l + cw, bottomRow, rt, b, right - rt, bottom - b);
  corner(x0 + l + cw, top, rt, t, right - rt, rtop);
  edge(x0 + l + cw, top + t, rt, ch, right - rt, rtop + t, right, bottom - b);
  if (fillCentre && (m.DrawMode & 4)) edge(x0 + l, top + t, cw, ch, left + l, rtop + t, right - rt, bottom - b);
}

void PaintBorderRegion(const TSurfaceView& surface, std::vector<TsRect>& removed, bool fillCentre, int state,
                       const TMaskRef& mask) {
  if (!mask.Valid() || surface.Empty() || surface.width < 2 || surface.height < 2) return;
  TsMaskData m = {};  // a copy of the geometry, so that a frame count below 1 can be mended
  m.R = mask.Data->R;
  m.ImageCount = mask.Data->ImageCount;
  m.MaskType = mask.Data->MaskType;
  m.DrawMode = mask.Data->DrawMode;
  m.WL = mask.Data->WL;
  m.WT = mask.Data->WT;
  m.WR = mask.Data->WR;
  m.WB = mask.Data->WB;
  const TSurfaceView& src = mask.Source;
  if (m.ImageCount < 1) {
    m.ImageCount = 1;
    m.R = TsRect{0, 0, src.width, src.height};
  }
  const TMaskRef geometry{&m, src};
  const int fw = geometry.FrameWidth(), fh = geometry.FrameHeight();
  if (fw <= 0 || fh <= 0) return;

  const int width = surface.width, height = surface.height;
  const auto [l, rt] = FitBorders(width, m.WL, m.WR);
  const auto [t, b] = FitBorders(height, m.WT, m.WB);
  const int x0 = m.R.Left + geometry.FrameOffset(state);
  const int top = m.R.Top;
  const int cw = std::max(0, fw - m.WL - m.WR), ch = std::max(0, fh - m.WT - m.WB);
  const int bottomRow = top + fh - b;
  const bool masked = m.MaskType == 1;
  const int maskOffset = m.R.Height() / 2;
  const int sb = src.BytesPerPixel(), db = surface.BytesPerPixel();

  // One piece: corners leave their key pixels unpainted and report them as runs.
  auto copy = [&](TsRect s, int x, int y, bool corner) {
    const int rows = std::min({s.Height(), height - y, src.height - s.Top - (masked ? maskOffset : 0)});
    const int cols = std::min({s.Width(), width - x, src.width - s.Left});
    if (x < 0 || y < 0 || s.Left < 0 || s.Top < 0) return;
    for (int row = 0; row < rows; ++row) {
      const uint8_t* sp = src.Pixel(s.Left, s.Top + row);
      const uint8_t* mp = masked ? src.Pixel(s.Left, s.Top + row + maskOffset) : nullptr;
      uint8_t* dp = surface.Pixel(x, y + row);
      int runStart = -1;
      for (int col = 0; col < cols; ++col, sp += sb, dp += db) {
        const bool key = IsKeyPixel(sp);
        if (corner && key) {
          if (runStart < 0) runStart = col;
          continue;
        }
        if (runStart >= 0) {
          removed.push_back(TsRect{x + runStart, y + row, x + col, y + row + 1});
          runStart = -1;
        }
        if (masked) {
          const uint8_t* mm = mp + static_cast<ptrdiff_t>(col) * sb;
          for (int c = 0; c < 3; ++c) dp[c] = MaskBlendChannel(sp[c], dp[c], mm[c], false);
        } else {
          dp[0] = sp[0];
          dp[1] = sp[1];
          dp[2] = sp[2];
        }
      }
      if (runStart >= 0) removed.push_back(TsRect{x + runStart, y + row, x + cols, y + row + 1});
    }
  };
  auto corner = [&](TsRect s, int x, int y) { copy(s, x, y, true); };
  auto edge = [&](TsRect s, int x, int y) { copy(s, x, y, false); };

  corner(At(x0, top, l, t), 0, 0);
  corner(At(x0, bottomRow, l, b), 0, height - b);
  Tile(x0, top + t, l, ch, 0, t, l, height - b, edge);
  Tile(x0 + l, top, cw, t, l, 0, width - rt, t, edge);
  Tile(x0 + l, bottomRow, cw, b, l, height - b, width - rt, height, edge);
  Tile(x0 + l + cw, top + t, rt, ch, width - rt, t, width, height - b, edge);
  corner(At(x0 + l + cw, bottomRow, rt, b), width - rt, height - b);
  corner(At(x0 + l + cw, top, rt, t), width - rt, 0);
  if (fillCentre && (m.DrawMode & 4)) Tile(x0 + l, top + t, cw, ch, l, t, width - rt, height - b, edge);
}

void PaintGlyphMask(const TSurfaceView& surface, TPoint point, int state, const TMaskRef& mask, bool normal) {
  if (!mask.Valid() || surface.Empty()) return;
  const TsMaskData& m = *mask.Data;
  const int fw = mask.FrameWidth(), fh = mask.FrameHeight();
  if (fw <= 0 || fh <= 0) return;
  int sx = m.R.Left + mask.FrameOffset(state), sy = m.R.Top, w = fw, h = fh;
  int x = point.x, y = point.y;
  if (x < 0) { sx -= x; w += x; x = 0; }
  if (y < 0) { sy -= y; h += y; y = 0; }
  // A frame that starts left of or above its source: the missing columns and rows are not
  // painted, and the glyph keeps its place.
  if (sx < 0) { x -= sx; w += sx; sx = 0; }
  if (sy < 0) { y -= sy; h += sy; sy = 0; }
  if (w <= 0 || h <= 0) return;
  const TSurfaceView& src = mask.Source;
  const TsRect inclusive{sx, sy, sx + w - 1, sy + h - 1};

  if (m.Bmp || m.MaskType > 0) {
    if (m.MaskType == 0) {
      CopyKeyedRect(surface, src, x, clFuchsia, inclusive, y);
      return;
    }
    // Rows and columns limited by the source (with its mask row) and the surface.
    const int rows = std::min({h, surface.height - y, src.height - sy - fh});
    const int cols = std::min({w, surface.width - x, src.width - sx});
    const int sb = src.BytesPerPixel(), db = surface.BytesPerPixel();
    for (int row = 0; row < rows; ++row) {
      const uint8_t* sp = src.Pixel(sx, sy + row);
      const uint8_t* mp = src.Pixel(sx, sy + row + fh);
      uint8_t* dp = surface.Pixel(x, y + row);
      for (int col = 0; col < cols; ++col, sp += sb, mp += sb, dp += db) {
        if (IsKeyPixel(sp)) continue;
        for (int c = 0; c < 3; ++c) dp[c] = MaskBlendChannel(sp[c], dp[c], mp[c], !normal);
      }
    }
    return;
  }
  if (normal)
    CopyKeyedFill(surface, src, x, false, kNoParent, clFuchsia, inclusive, y);
  else
    BlendKeyedRect(surface, x, y, clFuchsia, 0.5, inclusive, src);
}

void CornerKeyRuns(std::vector<TsRect>& list, int windowWidth, const TMaskRef& mask, bool bottom, int y0) {
  if (!mask.Valid()) return;
  const TsMaskData& m = *mask.Data;
  const int fw = mask.FrameWidth(), fh = mask.FrameHeight();
  if (fw <= 0) return;
  const TSurfaceView& src = mask.Source;
  const int rows = bottom ? m.WB : m.WT;
  const int first = bottom ? m.R.Top + fh - m.WB : m.R.Top;
  if (rows <= 0 || first < 0 || first + rows > src.height || m.R.Left < 0 || m.R.Left + fw > src.width) return;

  auto scan = [&](int row, int from, int to, int shift) {
    int runStart = -1;
    for (int c = std::max(from, 0); c <= to; ++c) {
      const bool key = c < to && IsKeyPixel(src.Pixel(m.R.Left + c, row));
      if (key && runStart < 0) runStart = c;
      if (!key && runStart >= 0) {
        list.push_back(TsRect{runStart + shift, y0 + row - first, c + shift, y0 + row - first + 1});
        runStart = -1;
      }
    }
  };
  for (int row = first; row < first + rows; ++row) {
    scan(row, 0, std::min<int>(m.WL, fw), 0);
    scan(row, fw - m.WR, fw, windowWidth - fw);
  }
}
