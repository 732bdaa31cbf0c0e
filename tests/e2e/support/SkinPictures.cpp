#include "tests/e2e/support/SkinPictures.h"

#include <algorithm>
#include <cstring>

#include "framework/Streams.h"
#include "skin/data/sSkinOptions.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "tests/e2e/support/Report.h"

namespace e2e {

namespace {

TPaintItemSource ItemOf(const TsSkinTables& skin, const std::string& section) {
  TPaintItemSource item;
  item.Skin = &skin;
  item.SkinSection = section;
  item.SkinIndex = skin.SectionIndex(section);
  item.BorderIndex = skin.MaskIndex(item.SkinIndex, section, "BORDERSMASK");
  item.Texture = skin.TextureIndex(item.SkinIndex, section, "PATTERN");
  item.HotTexture = skin.TextureIndex(item.SkinIndex, section, "HOTPATTERN");
  item.HasParent = true;
  return item;
}

// Copies `from` of `src` to (x, y) of `dst`, clipped to both.
void CopyPart(const TSurfaceView& dst, int x, int y, const TSurfaceView& src, TsRect from) {
  for (int row = 0; row < from.Height(); ++row)
    for (int col = 0; col < from.Width(); ++col) {
      const int sx = from.Left + col, sy = from.Top + row, dx = x + col, dy = y + row;
      if (sx < 0 || sy < 0 || sx >= src.width || sy >= src.height) continue;
      if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height) continue;
      std::memcpy(dst.Pixel(dx, dy), src.Pixel(sx, sy), 3);
    }
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace


// A loaded skin, or null when it cannot be loaded (the reason is printed).
std::unique_ptr<TsSkinTables> LoadPackageTables(const std::wstring& path) {
  try {
    TFileStream file(path, fmOpenRead | fmShareDenyWrite);
    TMemoryStream package;
    package.LoadFromStream(file);
    package.SetPosition(0);
    auto tables = std::make_unique<TsSkinTables>();
    if (LoadSkinPackage(package, *tables)) return tables;
  } catch (const Exception& e) {
    Print(L"cannot load " + path + L": " + e.Message());
  }
  return nullptr;
}

std::unique_ptr<TsSkinTables> LoadFolderTables(const std::wstring& folder) {
  try {
    auto tables = std::make_unique<TsSkinTables>();
    if (LoadSkinFolder(folder, *tables)) return tables;
  } catch (const Exception& e) {
    Print(L"cannot load " + folder + L": " + e.Message());
  }
  return nullptr;
}

Picture PictureOf(const TSurfaceView& view) {
  Picture picture;
  picture.width = view.width;
  picture.height = view.height;
  picture.bgr.reserve(static_cast<size_t>(view.width) * static_cast<size_t>(view.height) * 3);
  for (int y = 0; y < view.height; ++y)
    for (int x = 0; x < view.width; ++x) {
      const uint8_t* p = view.Pixel(x, y);
      picture.bgr.insert(picture.bgr.end(), {p[0], p[1], p[2]});
    }
  return picture;
}

namespace {

// The "FORM" section over a whole window of `width` x `height` in `state`.
std::unique_ptr<TSurface> FormSection(const TsSkinTables& skin, int width, int height, int state) {
  auto surface = NewSurface24(width, height);
  TPaintItemSource item;
  item.Skin = &skin;
  item.SkinSection = "FORM";
  item.SkinIndex = skin.SectionIndex(item.SkinSection);
  item.BorderIndex = skin.MaskIndex(item.SkinIndex, item.SkinSection, "BORDERSMASK");
  item.Texture = skin.TextureIndex(item.SkinIndex, item.SkinSection, "PATTERN");
  item.HotTexture = skin.TextureIndex(item.SkinIndex, item.SkinSection, "HOTPATTERN");
  item.DependsOnParent = false;
  PaintItem(item, BgInfo{}, true, false, surface->View(), TPoint{0, 0}, TsRect{0, 0, width, height}, state);
  return surface;
}

}  // namespace

Picture ComposeFrame(const TsSkinTables& skin, int width, int height, int band, int state) {
  auto surface = FormSection(skin, width, height, state);
  const int title = skin.SectionIndex("FORMTITLE");
  if (title >= 0) {
    const BgInfo bg{surface->View(), 0, 0, true};
    PaintSection(title, "FORMTITLE", bg, skin.TextureIndex(title, "FORMTITLE", "HOTPATTERN"),
                 skin.TextureIndex(title, "FORMTITLE", "PATTERN"), &skin, surface->View(), TPoint{0, 0},
                 TsRect{0, 0, width, band}, state, true);
  }
  return PictureOf(surface->View());
}

std::unique_ptr<TSurface> ComposeFormBackground(const TsSkinTables& skin, int width, int height) {
  return FormSection(skin, width, height, 1);
}

std::unique_ptr<TSurface> ComposeMenuPicture(const TsSkinTables& skin, int width, int height) {
  auto surface = NewSurface24(width, height);
  const int main = skin.SectionIndex("MAINMENU");
  PaintSection(main, "MAINMENU", BgInfo{}, skin.TextureIndex(main, "MAINMENU", "HOTPATTERN"),
               skin.TextureIndex(main, "MAINMENU", "PATTERN"), &skin, surface->View(), TPoint{0, 0},
               TsRect{0, 0, width, height}, 0, true);
  const int mask = skin.MaskIndexByName("MAINMENU", "BORDERSMASK");
  int border = 0;
  if (mask >= 0) border = skin.MaskTable[static_cast<size_t>(mask)].BorderWidth > 0 ? skin.MaskTable[static_cast<size_t>(mask)].BorderWidth : 3;
  const int ico = skin.SectionIndex("ICOLINE");
  const int stripWidth = 3 + 16 + 6, stripHeight = height - 2 * border;
  if (ico < 0 || stripHeight <= 0) return surface;
  auto strip = NewSurface24(stripWidth, stripHeight);
  PaintSection(ico, "ICOLINE", BgInfo{surface->View(), 0, 0, true}, skin.TextureIndex(ico, "ICOLINE", "HOTPATTERN"),
               skin.TextureIndex(ico, "ICOLINE", "PATTERN"), &skin, strip->View(), TPoint{border, border},
               TsRect{0, 0, stripWidth, stripHeight}, 0, true);
  CopyPart(surface->View(), border, border, strip->View(), TsRect{0, 0, stripWidth, stripHeight});
  return surface;
}

COLORREF SectionFontColour(const TsSkinTables& skin, const std::string& section, bool hot) {
  const int index = skin.SectionIndex(section);
  if (index < 0) return RGB(0, 0, 0);
  const auto& data = skin.SectionTable[static_cast<size_t>(index)];
  return static_cast<COLORREF>((hot ? data.HotFontColor : data.FontColor)[0]) & 0xFFFFFF;
}

// The panel's picture as TsPanel shows it: the skin's "PANEL" section composed at the
// panel's size and position, state 0, over a parent whose colour is `formColour` (RGB);
// then, as every painter does before it shows its picture, the key pixels of the border
// mask's corners take the parent's background: `formPicture` at the panel's place
// (`panelInWindow`) when the parent has one, else the parent's colour.
Picture ComposePanel(const TsSkinTables& skin, const RECT& panelInForm, COLORREF formColour,
                     const TSurfaceView* formPicture, POINT panelInWindow) {
  const int width = panelInForm.right - panelInForm.left, height = panelInForm.bottom - panelInForm.top;
  auto surface = NewSurface24(width, height);
  TPaintItemSource item;
  item.Skin = &skin;
  item.SkinSection = "PANEL";
  item.SkinIndex = skin.SectionIndex(item.SkinSection);
  item.BorderIndex = skin.MaskIndex(item.SkinIndex, item.SkinSection, "BORDERSMASK");
  item.Texture = skin.TextureIndex(item.SkinIndex, item.SkinSection, "PATTERN");
  item.HotTexture = skin.TextureIndex(item.SkinIndex, item.SkinSection, "HOTPATTERN");
  item.HasParent = true;
  item.ParentColor = static_cast<TColor>(formColour);
  item.DependsOnParent = false;
  PaintItem(item, BgInfo{}, true, true, surface->View(), TPoint{panelInForm.left, panelInForm.top},
            TsRect{0, 0, width, height}, 0);
  const TMaskRef border = MaskRef(skin, item.BorderIndex);
  std::vector<TsRect> corners;
  CornerKeyRuns(corners, width, border, false, 0);
  if (border.Valid()) CornerKeyRuns(corners, width, border, true, height - border.Data->WB);
  for (const TsRect& run : corners) {
    if (!formPicture) {
      FillRectColor(surface->View(), run, static_cast<TColor>(formColour));
      continue;
    }
    for (int y = run.Top; y < run.Bottom; ++y)
      for (int x = run.Left; x < run.Right; ++x)
        std::memcpy(surface->View().Pixel(x, y), formPicture->Pixel(panelInWindow.x + x, panelInWindow.y + y), 3);
  }
  return PictureOf(surface->View());
}

static bool InsideAny(const std::vector<RECT>& rects, int x, int y) {
  const POINT p{x, y};
  return std::any_of(rects.begin(), rects.end(), [&](const RECT& r) { return PtInRect(&r, p) != 0; });
}

Difference Compare(const Picture& seen, const Picture& expected, const std::vector<RECT>& leftOut) {
  Difference d;
  if (seen.width != expected.width || seen.height != expected.height) {
    d.pixels = -1;
    return d;
  }
  for (int y = 0; y < seen.height; ++y)
    for (int x = 0; x < seen.width; ++x) {
      if (InsideAny(leftOut, x, y) || seen.Pixel(x, y) == expected.Pixel(x, y)) continue;
      if (d.pixels++ == 0) d = {1, {x, y}, seen.Pixel(x, y), expected.Pixel(x, y)};
    }
  return d;
}

std::wstring ColourText(COLORREF c) {
  return L"(" + std::to_wstring(GetRValue(c)) + L", " + std::to_wstring(GetGValue(c)) + L", " +
         std::to_wstring(GetBValue(c)) + L")";
}

std::wstring DifferenceText(const Difference& d) {
  if (d.pixels < 0) return L"the pictures differ in size";
  return std::to_wstring(d.pixels) + L" pixels differ; the first at " + std::to_wstring(d.first.x) + L", " +
         std::to_wstring(d.first.y) + L" is " + ColourText(d.seen) + L" instead of " + ColourText(d.expected);
}


Picture ComposeControl(const TsSkinTables& skin, const std::string& section, int state, const ParentPicture& parent,
                       const RECT& bounds, bool disabled) {
  auto surface = NewSurface24(Width(bounds), Height(bounds));
  const BgInfo bg{parent.view, parent.x, parent.y, true};
  PaintItem(ItemOf(skin, section), bg, true, true, surface->View(), TPoint{bounds.left, bounds.top},
            TsRect{0, 0, Width(bounds), Height(bounds)}, state);
  if (disabled) ApplyDisabledLook(surface->View(), dkBlended, kclBtnFace, TPoint{bounds.left, bounds.top}, bg);
  return PictureOf(surface->View());
}

RECT ActiveTabRect(const RECT& p) { return RECT{p.left - 2, p.top - 2, p.right + 2, p.bottom + 2}; }
RECT NormalTabRect(const RECT& p) { return RECT{p.left, p.top, p.right - 1, p.bottom + 4}; }

std::unique_ptr<TSurface> ComposePageControl(const TsSkinTables& skin, SIZE size, const RECT& display,
                                             const std::vector<RECT>& tabs, const ParentPicture& parent,
                                             COLORREF parentColour) {
  auto picture = NewSurface24(size.cx, size.cy);
  const TSurfaceView view = picture->View();
  const RECT area{0, display.top - 4, size.cx, size.cy};
  // The band shows the parent.
  CopyPart(view, 0, 0, parent.view, TsRect{parent.x, parent.y, parent.x + size.cx, parent.y + area.top});
  // Every tab normal, over the band; the page area is painted over their lower ends.
  for (const RECT& platform : tabs) {
    const RECT r = NormalTabRect(platform);
    if (Width(r) <= 0 || Height(r) <= 0) continue;
    auto tab = NewSurface24(Width(r), Height(r));
    CopyPart(tab->View(), 0, 0, view, TsRect{r.left, r.top, r.right, r.bottom});
    TPaintItemSource item = ItemOf(skin, "TABTOP");
    item.ParentColor = static_cast<TColor>(parentColour);
    PaintItem(item, BgInfo{view, 0, 0, true}, true, true, tab->View(), TPoint{r.left, r.top},
              TsRect{0, 0, Width(r), Height(r)}, 0);
    CopyPart(view, r.left, r.top, tab->View(), TsRect{0, 0, Width(r), std::min(Height(r), static_cast<int>(area.top - r.top))});
  }
  auto page = NewSurface24(Width(area), Height(area));
  TPaintItemSource item = ItemOf(skin, "PAGECONTROL");
  item.ParentColor = static_cast<TColor>(parentColour);
  PaintItem(item, BgInfo{parent.view, parent.x, parent.y, true}, true, true, page->View(), TPoint{area.left, area.top},
            TsRect{0, 0, Width(area), Height(area)}, 0);
  CopyPart(view, area.left, area.top, page->View(), TsRect{0, 0, Width(area), Height(area)});
  return picture;
}

Picture ComposeActiveTab(const TsSkinTables& skin, const RECT& platform, const ParentPicture& parent) {
  const RECT r = ActiveTabRect(platform);
  auto tab = NewSurface24(Width(r), Height(r));
  // The tab's see-through corners show the parent, not the page frame.
  CopyPart(tab->View(), 0, 0, parent.view, TsRect{parent.x + r.left, parent.y + r.top, parent.x + r.right, parent.y + r.bottom});
  PaintItem(ItemOf(skin, "TABTOP"), BgInfo{tab->View(), 0, 0, true}, true, true, tab->View(), TPoint{0, 0},
            TsRect{0, 0, Width(r), Height(r)}, 2);
  return PictureOf(tab->View());
}

Difference CompareRing(const Picture& seen, const Picture& expected, int ring, int corner) {
  std::vector<RECT> leftOut = {RECT{ring, ring, seen.width - ring, seen.height - ring},
                               RECT{0, 0, corner, corner},
                               RECT{seen.width - corner, 0, seen.width, corner},
                               RECT{0, seen.height - corner, corner, seen.height},
                               RECT{seen.width - corner, seen.height - corner, seen.width, seen.height}};
  return Compare(seen, expected, leftOut);
}

Picture Crop(const Picture& whole, const RECT& part) {
  Picture picture;
  picture.width = std::max(0, Width(part));
  picture.height = std::max(0, Height(part));
  for (int y = part.top; y < part.bottom; ++y)
    for (int x = part.left; x < part.right; ++x) {
      const COLORREF c = x >= 0 && y >= 0 && x < whole.width && y < whole.height ? whole.Pixel(x, y) : 0;
      picture.bgr.insert(picture.bgr.end(), {GetBValue(c), GetGValue(c), GetRValue(c)});
    }
  return picture;
}

}  // namespace e2e
