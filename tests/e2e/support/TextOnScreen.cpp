#include "tests/e2e/support/TextOnScreen.h"

#include <algorithm>
#include <map>
#include <vector>

namespace e2e {

namespace {

int Luminance(COLORREF c) { return (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000; }

struct InkMask {
  int width = 0, height = 0;
  std::vector<uint8_t> ink;  // 1 = ink
  int count = 0;
  bool At(int x, int y) const { return ink[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] != 0; }
};

// Black text on white, cropped to the bounds of its ink.
InkMask RenderInk(const std::wstring& text, const TextFont& font) {
  LOGFONTW logFont{};
  logFont.lfHeight = font.height;
  logFont.lfWeight = FW_NORMAL;
  logFont.lfUnderline = font.underline;
  logFont.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(logFont.lfFaceName, font.face.c_str(), LF_FACESIZE - 1);
  HFONT handle = CreateFontIndirectW(&logFont);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ oldFont = SelectObject(dc, handle);
  RECT bounds{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  int width = bounds.right + 4, height = bounds.bottom + 4;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  InkMask full;
  if (bitmap && bits) {
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    RECT place{2, 2, width, height};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &place, DT_SINGLELINE | DT_NOPREFIX);
    GdiFlush();
    full.width = width;
    full.height = height;
    full.ink.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    const uint32_t* pixels = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < full.ink.size(); ++i) {
      uint32_t p = pixels[i];
      COLORREF c = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
      full.ink[i] = Luminance(c) < 128;
    }
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
  }
  SelectObject(dc, oldFont);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  DeleteObject(handle);

  int left = full.width, top = full.height, right = -1, bottom = -1;
  for (int y = 0; y < full.height; ++y)
    for (int x = 0; x < full.width; ++x)
      if (full.At(x, y)) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  InkMask out;
  if (right < 0) return out;
  out.width = right - left + 1;
  out.height = bottom - top + 1;
  out.ink.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      bool ink = full.At(left + x, top + y);
      out.ink[static_cast<size_t>(y) * static_cast<size_t>(out.width) + static_cast<size_t>(x)] = ink;
      out.count += ink;
    }
  return out;
}

COLORREF MostCommonColour(const Picture& picture, const RECT& area) {
  std::map<COLORREF, int> counts;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) ++counts[picture.Pixel(x, y)];
  COLORREF best = RGB(255, 255, 255);
  int bestCount = -1;
  for (const auto& [colour, count] : counts)
    if (count > bestCount) best = colour, bestCount = count;
  return best;
}

}  // namespace

static TextFont SystemFont(LOGFONTW NONCLIENTMETRICSW::*which) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  TextFont font;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    font.face = (metrics.*which).lfFaceName;
    font.height = (metrics.*which).lfHeight;
  }
  return font;
}

TextFont MessageFont() { return SystemFont(&NONCLIENTMETRICSW::lfMessageFont); }
TextFont MenuFont() { return SystemFont(&NONCLIENTMETRICSW::lfMenuFont); }

TextMatch FindText(const Picture& picture, const RECT& requested, const std::wstring& text, const TextFont& font,
                   COLORREF colour, double tolerance) {
  TextMatch match;
  RECT area{std::max<LONG>(requested.left, 0), std::max<LONG>(requested.top, 0),
            std::min<LONG>(requested.right, picture.width), std::min<LONG>(requested.bottom, picture.height)};
  InkMask mask = RenderInk(text, font);
  match.inkPixels = mask.count;
  if (mask.count == 0 || area.right - area.left < mask.width || area.bottom - area.top < mask.height) return match;

  const int background = Luminance(MostCommonColour(picture, area));
  const int ink = Luminance(colour);
  const int threshold = (background + ink) / 2;
  const bool inkIsDarker = ink < background;
  const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
  std::vector<uint8_t> screenInk(static_cast<size_t>(areaWidth) * static_cast<size_t>(areaHeight));
  for (int y = 0; y < areaHeight; ++y)
    for (int x = 0; x < areaWidth; ++x) {
      int l = Luminance(picture.Pixel(area.left + x, area.top + y));
      screenInk[static_cast<size_t>(y) * static_cast<size_t>(areaWidth) + static_cast<size_t>(x)] =
          inkIsDarker ? l < threshold : l > threshold;
    }

  int best = mask.count * 4;
  for (int oy = 0; oy + mask.height <= areaHeight; ++oy)
    for (int ox = 0; ox + mask.width <= areaWidth; ++ox) {
      int differ = 0;
      for (int y = 0; y < mask.height && differ < best; ++y) {
        const uint8_t* row = &screenInk[static_cast<size_t>(oy + y) * static_cast<size_t>(areaWidth) + static_cast<size_t>(ox)];
        for (int x = 0; x < mask.width; ++x) differ += row[x] != (mask.At(x, y) ? 1 : 0);
      }
      if (differ < best) {
        best = differ;
        match.at = {area.left + ox, area.top + oy};
      }
    }
  match.mismatch = static_cast<double>(best) / mask.count;
  match.found = match.mismatch <= tolerance;
  return match;
}

}  // namespace e2e
