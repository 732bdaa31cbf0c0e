#include "skin/controls/sPageControl.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "framework/Forms.h"
#include "framework/Handles.h"
#include "framework/Redraw.h"
#include "skin/controls/sPageControlParts.h"
#include "skin/controls/sUpDown.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/Stretch.h"
#include "skin/paint/gdi/sTextPainting.h"

using namespace page_control_parts;

// ---------------------------------------------------------------- painting

void TsPageControl::PaintMessage(TMessage& message, bool print) {
  PaintWithMessageDC(handle_, message, [&](HDC dc) { PaintTo(dc, print); });
}

void TsPageControl::PaintTo(HDC dc, bool print) {
  if ((Parent() && Parent()->IsDestroying()) || IsLoading()) return;
  skinData_->UpdatingFlag = skinData_->RefreshUpdating();
  if (skinData_->UpdatingFlag || suppressed_) return;
  const bool askedToRebuild = skinData_->BackgroundChangedFlag;
  if (skinData_->PartlyHiddenFlag || (Parent() && AskControl(Parent(), CMD_ISHALFVISIBLE)))
    skinData_->BackgroundChangedFlag = true;
  if (Parent()) {
    // A control that fills its parent exactly counts as half visible.
    const RECT client = Parent()->ClientRect();
    const POINT a{Left(), Top()}, b{Left() + Width(), Top() + Height()};
    skinData_->PartlyHiddenFlag = !(PtInRect(&client, a) && PtInRect(&client, b));
  }
  TsSkinManager* manager = skinData_->SkinManager();
  if (!manager) return;
  skinData_->SectionIndex = manager->SectionIndex(PageSection());
  if (skinData_->SectionIndex >= 0)
    skinData_->BorderMaskIndex = manager->MaskIndex(skinData_->SectionIndex, PageSection(), "BORDERSMASK");
  const BgInfo bg = skinData_->GetParentBgInfo();
  const bool resized = !skinData_->Cache() || skinData_->Cache()->Width() != Width() ||
                       skinData_->Cache()->Height() != Height();
  skinData_->PrepareCache();
  TBitmap* cache = skinData_->Cache();
  if (!cache || cache->Empty()) return;

  const bool tabs = VisibleTabCount() > 0;
  // A user's tab painter may draw anything: its pictures are never kept.
  const bool ownerDrawn = OwnerDraw() && OnDrawTab;
  const TPictureInputs inputs = PictureInputs(bg);
  bool parentPixelsKept = SameParentPixels(bg, false);
  if (skinData_->BackgroundChangedFlag) {
    // Rebuilt only because the control or its parent is half visible, the picture would
    // come out as it is when nothing it is made from changed.
    if (askedToRebuild || resized || ownerDrawn || !parentPixelsKept || !(inputs == builtFrom_)) {
      if (tabs) PaintBand(bg);
      PaintPageArea(bg);
      builtFrom_ = inputs;
      parentPixelsKept = SameParentPixels(bg, true);
    }
    skinData_->BackgroundChangedFlag = false;
  }

  const int active = ActivePage() ? ActivePage()->PageIndex() : -1;
  RECT activeRect{0, 0, 0, 0};
  if (tabs && active >= 0) {
    activeRect = SkinTabRect(active, true);
    ExcludeClipRect(dc, activeRect.left, activeRect.top, activeRect.right, activeRect.bottom);
  }
  for (int i = 0; i < PageCount(); ++i) {
    if (i == active) continue;
    const RECT r = CloseButtonRect(i);
    if (!EmptyRect(r)) ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
  PaintToDCExcludingChildren(this, *skinData_, POINT{0, 0}, 0, 0, false, dc, RECT{0, 0, Width(), Height()});
  PaintGraphicChildren(dc, this, POINT{0, 0});
  for (int i = 0; i < PageCount(); ++i) {
    if (i == active || !HasCloseButton(i)) continue;
    const RECT r = CloseButtonRect(i);
    TBitmap button(W(r), H(r));
    CopyBlock(button.View(), 0, 0, cache->View(), ToTs(r));
    DrawCloseButton(i, 0, button, POINT{-r.left, -r.top});
    BitBlt(dc, r.left, r.top, W(r), H(r), button.Canvas().Handle(), 0, 0, SRCCOPY);
  }
  SelectClipRgn(dc, nullptr);
  if (tabs && active >= 0 && !EmptyRect(activeRect)) {
    // The active tab is drawn again only when what it is made from changed.
    TPictureInputs tabInputs = inputs;
    tabInputs.numbers.insert(tabInputs.numbers.end(), {active, activeRect.left, activeRect.top, activeRect.right,
                                                       activeRect.bottom, Focused() ? 1 : 0});
    if (!activeTab_ || ownerDrawn || !parentPixelsKept || !(tabInputs == activeTabFrom_)) {
      auto tab = std::make_unique<TBitmap>(W(activeRect), H(activeRect));
      DrawTab(active, 2, *tab, POINT{-activeRect.left, -activeRect.top});
      activeTab_ = std::move(tab);
      // Drawn over parent pixels other than the kept ones, it is drawn again next time.
      if (parentPixelsKept)
        activeTabFrom_ = std::move(tabInputs);
      else
        activeTabFrom_ = TPictureInputs{};
    }
    BitBlt(dc, activeRect.left, activeRect.top, W(activeRect), H(activeRect), activeTab_->Canvas().Handle(), 0, 0,
           SRCCOPY);
  }
  (void)print;  // the transition paints the sheets itself, at their positions
  lastTabCount_ = VisibleTabCount();
  // Sheets that were turned away while the picture was rebuilt paint now.
  NotifyChildrenParentDone(this);
}

TsPageControl::TPictureInputs TsPageControl::PictureInputs(const BgInfo& bg) {
  TPictureInputs in;
  std::vector<int64_t>& n = in.numbers;
  TsSkinManager* manager = skinData_->SkinManager();
  const auto address = [](const void* p) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(p)); };
  n = {Left(), Top(), Width(), Height(), address(manager), address(manager ? &manager->Tables() : nullptr),
       skinData_->SectionIndex, skinData_->BorderMaskIndex, skinData_->PatternIndex, skinData_->HotPatternIndex,
       TabPosition(), static_cast<int>(Style()), OwnerDraw() ? 1 : 0, Enabled() ? 1 : 0,
       address(Images()), Images() ? ImageList_GetImageCount(Images()) : 0,
       showCloseBtns_ ? 1 : 0, closeSection_, closeGlyph_, closeSize_.cx, closeSize_.cy, hotClose_,
       Font().Height(), static_cast<int64_t>(Font().Color()), Font().Style(), Font().Charset(),
       Parent() ? static_cast<int64_t>(ColorToRGB(Parent()->Color())) : -1, bg.Ready ? 1 : 0, bg.X, bg.Y,
       bg.Bmp.width, bg.Bmp.height, bg.Bmp.bitsPerPixel};
  if (manager) {
    n.push_back(manager->SectionIndex("TABTOP"));
    n.push_back(manager->StandardIndexes().TabSections[TabPosition()]);
    n.push_back(manager->StandardIndexes().TabBorders[TabPosition()]);
    const TPaintItemSource item = ControlPaintSource(*skinData_, *manager, *this);
    n.insert(n.end(), {item.CustomColor ? 1 : 0, static_cast<int64_t>(item.OwnerColor),
                       static_cast<int64_t>(item.ParentColor), item.DependsOnParent ? 1 : 0});
    if (bg.Ready && !item.DependsOnParent && item.QueryParentColor)
      n.push_back(static_cast<int64_t>(item.QueryParentColor()));
  }
  in.names.push_back(Font().Name());
  in.sections.push_back(PageSection());
  for (int i = 0; i < PageCount(); ++i) {
    TTabSheet* page = Pages(i);
    const RECT r = PlatformTabRect(i);
    n.insert(n.end(), {page->TabVisible() ? 1 : 0, r.left, r.top, r.right, r.bottom, HasCloseButton(i) ? 1 : 0,
                       page->ImageIndex(), page->TabIndex()});
    in.sections.push_back(TabSection(i));
  }
  return in;
}

bool TsPageControl::SameParentPixels(const BgInfo& bg, bool keep) {
  const bool any = bg.Ready && bg.HasBmp();
  const TsRect under{bg.X + Left(), bg.Y + Top(), bg.X + Left() + Width(), bg.Y + Top() + Height()};
  const TSurfaceView parent = any ? bg.Bmp : TSurfaceView{};
  if (any) GdiFlush();
  if (keep) {
    parentPixels_.Keep(parent, under);
    return true;
  }
  return parentPixels_.Same(parent, under);
}

void TsPageControl::FillParentBackground(TBitmap& target, const RECT& area, POINT at, const BgInfo& bg) {
  // `area` in control coordinates goes to `at` of the target.
  const TSurfaceView view = target.View();
  if (bg.Ready && bg.HasBmp()) {
    CopyBlock(view, at.x, at.y, bg.Bmp,
               TsRect{bg.X + Left() + area.left, bg.Y + Top() + area.top, bg.X + Left() + area.right,
                      bg.Y + Top() + area.bottom});
    return;
  }
  const TColor color = Parent() ? static_cast<TColor>(ColorToRGB(Parent()->Color())) : clBtnFace;
  FillRectColor(view, TsRect{at.x, at.y, at.x + W(area), at.y + H(area)}, color);
}

void TsPageControl::PaintBand(const BgInfo& bg) {
  TBitmap* cache = skinData_->Cache();
  const RECT band = TabBand();
  if (EmptyRect(band)) return;
  FillParentBackground(*cache, band, POINT{band.left, band.top}, bg);
  const int rows = std::max(1, static_cast<int>(SendMessageW(handle_, TCM_GETROWCOUNT, 0, 0)));
  for (int row = 1; row <= rows; ++row) {
    try {
      for (int i = 0; i < PageCount(); ++i)
        if (Pages(i)->TabVisible() && TabRow(i) == row) DrawTab(i, 0, *cache, POINT{0, 0});
    } catch (...) {
      return;  // a row that faults ends the band; the rest of the paint goes on
    }
  }
}

void TsPageControl::PaintPageArea(const BgInfo& bg) {
  TsSkinManager* manager = skinData_->SkinManager();
  const RECT area = PageArea();
  if (EmptyRect(area)) return;
  // A store kept from one rebuild to the next (a new one costs more than the painting),
  // cleared as a new one would be.
  if (!areaScratch_ || areaScratch_->Width() != W(area) || areaScratch_->Height() != H(area)) {
    areaScratch_ = std::make_unique<THeapSurface>(W(area), H(area), 24);
  } else {
    FillRectColor(areaScratch_->View(), TsRect{0, 0, W(area), H(area)}, static_cast<TColor>(0));
  }
  const TSurfaceView scratch = areaScratch_->View();
  TPaintItemSource item = ControlPaintSource(*skinData_, *manager, *this);
  item.SkinSection = PageSection();
  PaintItem(item, bg, true, true, scratch, TPoint{Left() + area.left, Top() + area.top}, TsRect{0, 0, W(area), H(area)},
            0);
  CopyBlock(skinData_->Cache()->View(), area.left, area.top, scratch, TsRect{0, 0, W(area), H(area)});
}

void TsPageControl::DrawTab(int pageIndex, int state, TBitmap& target, POINT offset) {
  if (!ValidPage(pageIndex)) return;
  const RECT platform = PlatformTabRect(pageIndex);
  if (state == 1 && platform.left < 0) return;  // scrolled away
  const bool active = state == 2 && Pages(pageIndex) == ActivePage();
  const RECT r = SkinTabRect(pageIndex, active);
  if (EmptyRect(r)) return;
  TsSkinManager* manager = skinData_->SkinManager();
  TBitmap* cache = skinData_->Cache();
  if (!manager || !cache || cache->Empty()) return;

  const std::string section = TabSection(pageIndex);
  int sectionIndex = manager->SectionIndex(section);
  int borderIndex = -1;
  if (Style() == tsTabs && TabSection(pageIndex) == kTabSections[TabPosition()] &&
      manager->StandardIndexes().TabSections[TabPosition()] >= 0) {
    sectionIndex = manager->StandardIndexes().TabSections[TabPosition()];
    borderIndex = manager->StandardIndexes().TabBorders[TabPosition()];
  } else if (sectionIndex >= 0) {
    borderIndex = manager->MaskIndex(sectionIndex, section, "BORDERSMASK");
  }

  TBitmap scratch(W(r), H(r));
  const TSurfaceView view = scratch.View();
  const TsRect whole{0, 0, W(r), H(r)};
  TPaintItemSource item;
  item.Skin = &manager->Tables();
  item.SkinIndex = sectionIndex;
  item.SkinSection = section;
  item.BorderIndex = borderIndex;
  item.HasParent = true;
  item.ParentColor = Parent() ? static_cast<TColor>(ColorToRGB(Parent()->Color())) : clFuchsia;
  item.DependsOnParent = true;
  const bool skinnedBackground = SkinnedTabBackgrounds(sectionIndex, borderIndex);
  if (active) {
    // The tab's transparent corners show the parent, not the page frame.
    FillParentBackground(scratch, r, POINT{0, 0}, skinData_->GetParentBgInfo());
    if (skinnedBackground)
      PaintItem(item, BgInfo{view, 0, 0, true}, true, true, view, TPoint{0, 0}, whole, 2);
  } else {
    CopyBlock(view, 0, 0, cache->View(), ToTs(r));
    if (skinnedBackground)
      PaintItem(item, BgInfo{cache->View(), 0, 0, true}, true, true, view, TPoint{r.left, r.top}, whole, state);
  }
  DrawCaption(pageIndex, state, scratch, whole.Width() > 0 ? RECT{0, 0, W(r), H(r)} : RECT{}, sectionIndex);
  if (HasCloseButton(pageIndex)) DrawCloseButton(pageIndex, state == 2 ? 2 : (hotClose_ == pageIndex ? 1 : 0), scratch,
                                                 POINT{-r.left, -r.top});

  // Into the target; a normal tab leaves the page area alone.
  RECT part = r;
  if (!active) {
    const RECT area = PageArea();
    if (TabPosition() == tpTop) part.bottom = std::min(part.bottom, area.top);
    if (TabPosition() == tpLeft) part.right = std::min(part.right, area.left);
  }
  if (EmptyRect(part)) return;
  CopyBlock(target.View(), part.left + offset.x, part.top + offset.y, view,
             TsRect{part.left - r.left, part.top - r.top, part.right - r.left, part.bottom - r.top});
}

void TsPageControl::DrawCaption(int pageIndex, int state, TBitmap& target, const RECT& rect, int sectionIndex) {
  if (EmptyRect(rect)) return;
  TTabSheet* page = Pages(pageIndex);
  TCanvas& canvas = target.Canvas();
  if (OwnerDraw() && OnDrawTab) {
    Canvas().SetHandle(canvas.Handle());
    Canvas().Font().Assign(Font());
    GuardedPaint([&] { OnDrawTab(this, page->TabIndex(), rect, state != 0); });
    Canvas().SetHandle(nullptr);
    return;
  }
  TsSkinManager* manager = skinData_->SkinManager();
  const String caption = page->Caption();
  canvas.Font().Assign(Font());
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  const bool image = Images() && page->ImageIndex() >= 0 && page->ImageIndex() < ImageList_GetImageCount(Images());
  int imageW = 0, imageH = 0;
  if (image) ImageList_GetIconSize(Images(), &imageW, &imageH);

  if (TabPosition() == tpTop || TabPosition() == tpBottom) {
    RECT textRect = rect;
    if (image) {
      RECT calc{0, 0, 0, 0};
      canvas.DrawText(caption, calc, DT_CALCRECT | DT_SINGLELINE);
      const int x = rect.left + (W(rect) - (W(calc) + imageW + 8)) / 2;
      const int y = rect.top + (H(rect) - imageH) / 2;
      ImageList_Draw(Images(), page->ImageIndex(), canvas.Handle(), x, y, ILD_TRANSPARENT);
      textRect.left += imageW;
    }
    DrawSectionText(canvas, caption, image ? Enabled() : true, &manager->Tables(), state != 0, sectionIndex,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE, textRect);
    if (Focused() && state == 2 && !caption.empty()) {
      RECT calc = rect;
      InflateRect(&calc, -3, -3);
      canvas.DrawText(caption, calc, DT_CALCRECT | DT_SINGLELINE);
      RECT focus{0, 0, W(calc), H(calc)};
      OffsetRect(&focus, rect.left + (W(rect) - W(calc)) / 2, rect.top + (H(rect) - H(calc)) / 2);
      InflateRect(&focus, 2, 1);
      if (image) OffsetRect(&focus, imageW, 0);
      DrawFocusDots(canvas, focus);
    }
    GdiFlush();
    return;
  }

  // Sides: Arial turned a quarter, whatever the control's font.
  LOGFONTW lf{};
  GetObjectW(Font().Handle(), sizeof(lf), &lf);
  LOGFONTW rotated{};
  rotated.lfHeight = lf.lfHeight;
  rotated.lfWeight = FW_NORMAL;
  rotated.lfItalic = lf.lfItalic;
  rotated.lfUnderline = lf.lfUnderline;
  rotated.lfStrikeOut = lf.lfStrikeOut;
  rotated.lfCharSet = lf.lfCharSet;
  rotated.lfEscapement = rotated.lfOrientation = TabPosition() == tpLeft ? -2700 : -900;
  wcscpy_s(rotated.lfFaceName, L"Arial");
  TFontHandle font = NewFont(rotated);
  if (!font) return;
  RECT r = rect;
  if (TabPosition() == tpRight) OffsetRect(&r, -2, -1);
  HDC dc = canvas.Handle();
  const TSavedDC saved(dc);
  SelectObject(dc, font.Get());
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  const TsGeneralData* section = manager && manager->IsSectionIndexValid(sectionIndex)
                                     ? &manager->Tables().SectionTable[static_cast<size_t>(sectionIndex)]
                                     : nullptr;
  TColor color = section ? static_cast<TColor>(state != 0 ? section->HotFontColor[0] : section->FontColor[0])
                         : static_cast<TColor>(ColorToRGB(Font().Color()));
  if (!Enabled()) color = static_cast<TColor>(0x808080);
  SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(color)));
  SetBkMode(dc, TRANSPARENT);
  const int along = size.cx + (image ? imageW + 4 : 0);
  // Text turned clockwise (left tabs) runs down from its start at the right of the line;
  // turned anticlockwise (right tabs) it runs up from the left.
  const int top = r.top + (H(r) - along) / 2;
  if (image) {
    ImageList_Draw(Images(), page->ImageIndex(), dc, r.left + (W(r) - imageW) / 2, top, ILD_TRANSPARENT);
  }
  const int start = top + (image ? imageW + 4 : 0);
  if (TabPosition() == tpLeft)
    TextOutW(dc, r.left + (W(r) + size.cy) / 2, start, caption.c_str(), static_cast<int>(caption.size()));
  else
    TextOutW(dc, r.left + (W(r) - size.cy) / 2, start + size.cx, caption.c_str(), static_cast<int>(caption.size()));
  if (Focused() && state != 0) {
    RECT focus{r.left + (W(r) - size.cy) / 2 - 2, start - 1, r.left + (W(r) + size.cy) / 2 + 2, start + size.cx + 1};
    DrawFocusDots(canvas, focus);
  }
  GdiFlush();
}

void TsPageControl::DrawTabOnWindow(int pageIndex, int state) {
  if (!handle_ || !ValidPage(pageIndex) || !skinData_->Skinned()) return;
  TBitmap* cache = skinData_->Cache();
  if (!cache || cache->Empty() || skinData_->BackgroundChangedFlag) return;
  const RECT r = SkinTabRect(pageIndex, false);
  if (EmptyRect(r)) return;
  TBitmap tab(W(r), H(r));
  CopyBlock(tab.View(), 0, 0, cache->View(), ToTs(r));
  GuardedPaint([&] { DrawTab(pageIndex, state, tab, POINT{-r.left, -r.top}); });
  TClientDC dc = TClientDC::Of(handle_);
  if (!dc) return;
  // Clipped to its platform rectangle, never over the larger active tab.
  const RECT platform = PlatformTabRect(pageIndex);
  IntersectClipRect(dc.Get(), platform.left, platform.top, platform.right, platform.bottom);
  if (ActivePage()) {
    const RECT active = SkinTabRect(ActivePage()->PageIndex(), true);
    ExcludeClipRect(dc.Get(), active.left, active.top, active.right, active.bottom);
  }
  BitBlt(dc.Get(), r.left, r.top, W(r), H(r), tab.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsPageControl::DrawCloseButton(int pageIndex, int state, TBitmap& target, POINT offset) {
  TsSkinManager* manager = skinData_->SkinManager();
  const RECT r = CloseButtonRect(pageIndex);
  if (!manager || EmptyRect(r)) return;
  const TSurfaceView view = target.View();
  const TsRect at{r.left + offset.x, r.top + offset.y, r.right + offset.x, r.bottom + offset.y};
  if (closeSection_ >= 0) {
    const BgInfo bg{view, 0, 0, true};
    PaintSection(closeSection_, closeBtnSkin_, bg, -1, -1, &manager->Tables(), view, TPoint{0, 0}, at, state, true);
    TCanvas& canvas = target.Canvas();
    canvas.Font().Assign(Font());
    canvas.Font().SetStyle(fsBold);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    SetTextColor(canvas.Handle(), RGB(255, 0, 0));
    RECT text{at.Left, at.Top, at.Right, at.Bottom};
    if (state == 2) OffsetRect(&text, 1, 1);
    canvas.DrawText(L"X", text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    GdiFlush();
    return;
  }
  const TMaskRef glyph = MaskRef(manager->Tables(), closeGlyph_);
  if (glyph.Valid()) PaintGlyphMask(view, TPoint{at.Left, at.Top}, state, glyph, true);
}

void TsPageControl::DrawCloseButtonOnWindow(int pageIndex, int state) {
  if (!handle_ || !HasCloseButton(pageIndex) || !skinData_->Skinned()) return;
  TBitmap* cache = skinData_->Cache();
  const RECT r = CloseButtonRect(pageIndex);
  if (!cache || cache->Empty() || EmptyRect(r)) return;
  // The background under the button: the tab as it shows now.
  const bool active = Pages(pageIndex) == ActivePage();
  const RECT tabRect = SkinTabRect(pageIndex, active);
  TBitmap tab(W(tabRect), H(tabRect));
  CopyBlock(tab.View(), 0, 0, cache->View(), ToTs(tabRect));
  GuardedPaint([&] {
    DrawTab(pageIndex, active ? 2 : (hotTab_ == pageIndex ? 1 : 0), tab, POINT{-tabRect.left, -tabRect.top});
    DrawCloseButton(pageIndex, state, tab, POINT{-tabRect.left, -tabRect.top});
  });
  TClientDC dc = TClientDC::Of(handle_);
  if (dc)
    BitBlt(dc.Get(), r.left, r.top, W(r), H(r), tab.Canvas().Handle(), r.left - tabRect.left, r.top - tabRect.top,
           SRCCOPY);
}

void TsPageControl::RepaintBand() {
  TBitmap* cache = skinData_->Cache();
  if (!handle_ || !cache || cache->Empty() || skinData_->UpdatingFlag) return;
  TClientDC dc = TClientDC::Of(handle_);
  if (!dc) return;
  const RECT band = TabBand();
  builtFrom_ = TPictureInputs{};  // the band no longer matches the record
  GuardedPaint([&] { PaintBand(skinData_->GetParentBgInfo()); });
  RECT copy = band;
  const RECT area = PageArea();
  // With the strip next to the band that the tabs reach into.
  switch (TabPosition()) {
    case tpTop: copy.bottom = area.top + 4; break;
    case tpBottom: copy.top = area.bottom - 4; break;
    case tpRight: copy.left = area.right - 4; break;
    case tpLeft: break;
  }
  for (int i = 0; i < PageCount(); ++i) {
    const RECT r = CloseButtonRect(i);
    if (!EmptyRect(r)) ExcludeClipRect(dc.Get(), r.left, r.top, r.right, r.bottom);
  }
  BitBlt(dc.Get(), copy.left, copy.top, W(copy), H(copy), cache->Canvas().Handle(), copy.left, copy.top, SRCCOPY);
  InvalidateRect(handle_, &copy, FALSE);
}

