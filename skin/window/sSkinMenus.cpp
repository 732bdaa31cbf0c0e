#include "skin/window/sSkinMenus.h"

#include <algorithm>

#include "framework/Forms.h"
#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/gdi/sTextPainting.h"
#include "skin/core/sCommonData.h"
#include "skin/window/acMnuWnd.h"
#include "skin/window/sSkinProvider.h"

namespace {

constexpr int kDefaultGlyph = 16;
const wchar_t* const kExtraLineText = L"Don`t forget OnGetExtraLineData event...";

struct TMenuState {
  // The menu's first item, the key of the state: null once that item is freed, so a new
  // item made at its address starts a new state.
  TComponentLink<TMenuItem> first;
  std::unique_ptr<TBitmap> picture;
  // One item's picture, kept from item to item (made again only when the size changes).
  TBitmap itemPicture;
  HWND window = nullptr;
  int glyphWidth = kDefaultGlyph;
  int textOffset = 0;
  std::string extraSection = "EXTRALINE";
  String extraCaption;
  bool extraVisible = false;
  bool asked = false;
  bool asking = false;
  bool menuOpen = false;
};

TMenuState& State() {
  static TMenuState state;
  return state;
}

int W(const RECT& r) { return r.right - r.left; }
int H(const RECT& r) { return r.bottom - r.top; }

// The platform's menu font.
void AssignMenuFont(TFont& font, bool bold) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    AssignLogFont(font, metrics.lfMenuFont);
  font.SetStyle(bold ? static_cast<uint32_t>(fsBold) : 0u);
}

// A canvas for measuring text outside any paint.
TCanvas& MeasureCanvas() {
  static TBitmap bitmap(1, 1);
  return bitmap.Canvas();
}

SIZE TextSize(TCanvas& canvas, const String& text) {
  RECT r{0, 0, 0, 0};
  if (text.empty()) return SIZE{0, canvas.TextHeight(L"W")};
  canvas.DrawText(text, r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
  return SIZE{W(r), H(r)};
}

const TMenuItem* FirstItemOf(const TMenuItem& item) {
  const TMenuItem* parent = item.Parent();
  return parent && parent->Count() > 0 ? parent->Items(0) : &item;
}

// Visible siblings of `item`, in order.
std::vector<TMenuItem*> VisibleSiblings(const TMenuItem& item) {
  std::vector<TMenuItem*> list;
  if (const TMenuItem* parent = item.Parent())
    for (int i = 0; i < parent->Count(); ++i)
      if (parent->Items(i)->Visible()) list.push_back(parent->Items(i));
  return list;
}

// No visible item at or before `item` starts a new column.
bool InFirstColumn(const TMenuItem& item) {
  for (TMenuItem* sibling : VisibleSiblings(item)) {
    if (sibling->Break() != mbNone) return false;
    if (sibling == &item) return true;
  }
  return true;
}

bool IsMenuTopLevelOfMain(const TMenuItem& item) {
  const TMenu* menu = item.GetParentMenu();
  return menu && item.Parent() == &const_cast<TMenu*>(menu)->Items() && !dynamic_cast<const TPopupMenu*>(menu);
}

bool BelongsToMainMenu(const TMenuItem& item) {
  const TMenu* menu = item.GetParentMenu();
  return menu && !dynamic_cast<const TPopupMenu*>(menu);
}

// Our handlers, told apart from a program's own by their type.
struct TSkinMeasure {
  TsSkinableMenus* menus;
  void operator()(TMenuItem* item, TCanvas& canvas, int& width, int& height) const {
    menus->MeasureItem(item, canvas, width, height);
  }
};
struct TSkinDraw {
  TsSkinableMenus* menus;
  void operator()(TMenuItem* item, TCanvas& canvas, RECT rect, UINT state) const {
    menus->DrawItem(item, canvas, rect, state);
  }
};
struct TBarMeasure {
  TsSkinableMenus* menus;
  void operator()(TMenuItem* item, TCanvas& canvas, int& width, int& height) const {
    menus->MeasureMenuBarItem(item, canvas, width, height);
  }
};
struct TBarDraw {
  TsSkinableMenus* menus;
  void operator()(TMenuItem* item, TCanvas& canvas, RECT rect, UINT state) const {
    menus->DrawMenuBarItem(item, canvas, rect, state);
  }
};

bool OursMeasure(const TMenuItem& item) {
  return item.OnMeasureItem.target<TSkinMeasure>() || item.OnMeasureItem.target<TBarMeasure>();
}
bool OursDraw(const TMenuItem& item) {
  return item.OnAdvancedDrawItem.target<TSkinDraw>() || item.OnAdvancedDrawItem.target<TBarDraw>();
}
void RemoveOurs(TMenuItem& item) {
  if (OursMeasure(item)) item.OnMeasureItem = nullptr;
  if (OursDraw(item)) item.OnAdvancedDrawItem = nullptr;
}

// Where the client area lies inside the window (0, 0 when the window has no frame).
POINT ClientOffset(HWND window) {
  POINT origin{0, 0};
  RECT wr{};
  if (!window || !ClientToScreen(window, &origin) || !GetWindowRect(window, &wr)) return POINT{0, 0};
  return POINT{origin.x - wr.left, origin.y - wr.top};
}

void CopyPicture(HDC dc, int x, int y, int w, int h, TBitmap& picture, int sx, int sy) {
  if (w > 0 && h > 0) BitBlt(dc, x, y, w, h, picture.Canvas().Handle(), sx, sy, SRCCOPY);
}

TColor SectionFontColor(const TsSkinTables& skin, int section) {
  if (!skin.IsSectionIndexValid(section)) return clBlack;
  return static_cast<TColor>(skin.SectionTable[static_cast<size_t>(section)].FontColor[0]);
}

std::vector<TsSkinableMenus*>& LiveMenus() {
  static std::vector<TsSkinableMenus*> list;
  return list;
}

}  // namespace

// ---------------------------------------------------------------- process-wide state

void DiscardMenuState() {
  TMenuState& s = State();
  s.first.Reset(nullptr);
  s.picture.reset();
  s.window = nullptr;
  s.extraVisible = false;
  s.asked = false;
  MenuPaintState().Picture = nullptr;
  MenuPaintState().Window = nullptr;
}

TBitmap* MenuPicture() { return State().picture.get(); }
HWND MenuPictureWindow() { return State().window; }
bool SkinnedMenuOpen() { return State().menuOpen; }
void SetSkinnedMenuOpen(bool on) { State().menuOpen = on; }

bool AttachMenuWindow(HWND window) { return TacMnuWnd::AttachTo(window, DefaultManager()) != nullptr; }

int LiveMenuWindowCount() { return static_cast<int>(TacMnuWnd::HandlerList().size()); }

TsMenuItemType MenuItemTypeOf(const TMenuItem& item) {
  const String& caption = item.Caption();
  if (caption == L"-") return smDivider;
  if (caption.size() >= 2 && caption.front() == L'-' && caption.back() == L'-') return smCaption;
  return smNormal;
}

TsSkinableMenus* SkinableMenusOf(TsSkinManager* manager) {
  return manager ? dynamic_cast<TsSkinableMenus*>(manager->SkinableMenus()) : nullptr;
}

void UseSkinableMenus() {
  SkinableMenusSeam() = [](TsSkinManager* manager) -> std::unique_ptr<TacSkinableMenusBase> {
    return std::make_unique<TsSkinableMenus>(manager);
  };
  // A menu window going takes the shown menu's state with it.
  MenuPaintState().Discard = [] {
    DiscardMenuState();
    SetSkinnedMenuOpen(false);
  };
  // Skinned frames hook the menus of their forms, and their system menus as they open.
  FrameHooks().Menus = [](TsSkinProvider& provider, bool on) {
    TsSkinableMenus* menus = SkinableMenusOf(provider.SkinData().SkinManager());
    if (!menus) return;
    if (on && menus->Manager()->SkinActive())
      menus->HookMenus(true);
    else if (provider.Form())
      menus->HookComponentMenus(*provider.Form(), false);
  };
  FrameHooks().PopupMenu = [](TsSkinProvider& provider, TPopupMenu& menu) {
    TsSkinableMenus* menus = SkinableMenusOf(provider.SkinData().SkinManager());
    if (!menus || !menus->Manager()->SkinActive()) return;
    SetSkinnedMenuOpen(true);
    menus->HookPopupMenu(menu, true);
  };
}

// ---------------------------------------------------------------- TsSkinableMenus

TsSkinableMenus::TsSkinableMenus(TsSkinManager* manager) : manager_(manager) { LiveMenus().push_back(this); }

TsSkinableMenus::~TsSkinableMenus() { std::erase(LiveMenus(), this); }

bool TsSkinableMenus::SkinReady() const { return manager_ && manager_->SkinActive(); }

int TsSkinableMenus::SkinBorderWidth() {
  if (skinBorderWidth_ < 0 && manager_) {
    const int index = manager_->MaskIndexByName("MAINMENU", "BORDERSMASK");
    if (index < 0) return 0;
    const int width = manager_->Tables().MaskTable[static_cast<size_t>(index)].BorderWidth;
    skinBorderWidth_ = width <= 0 ? 3 : width;
  }
  return std::max(skinBorderWidth_, 0);
}

void TsSkinableMenus::SkinChanged() {
  skinBorderWidth_ = -1;
  ReleaseMenuPicture();
}

void TsSkinableMenus::ReleaseMenuPicture() {
  State().picture.reset();
  MenuPaintState().Picture = nullptr;
}

// ---------------------------------------------------------------- hooking

void TsSkinableMenus::HookMenus(bool on) {
  active_ = on;
  if (Application) HookComponentMenus(*Application, on);
}

void TsSkinableMenus::HookComponentMenus(TComponent& root, bool on) {
  const bool popups = manager_ && manager_->SkinnedPopups();
  std::vector<TComponent*> stack{&root};
  while (!stack.empty()) {
    TComponent* component = stack.back();
    stack.pop_back();
    if (auto* popup = dynamic_cast<TPopupMenu*>(component)) {
      // Pop-up menus follow SkinnedPopups: switched off, they get their own look back.
      HookPopupMenu(*popup, on && popups);
    } else if (auto* menu = dynamic_cast<TMenu*>(component)) {
      HookMainMenu(*menu, on);
    } else if (auto* item = dynamic_cast<TMenuItem*>(component)) {
      if (!BelongsToMainMenu(*item) && item->Parent()) HookMenuItems(*item, on && popups);
    }
    for (int i = component->ComponentCount() - 1; i >= 0; --i) stack.push_back(component->Components(i));
  }
}

void TsSkinableMenus::HookMainMenu(TMenu& menu, bool on) {
  TMenuItem& root = menu.Items();
  for (int i = 0; i < root.Count(); ++i) {
    TMenuItem& item = *root.Items(i);
    if (on) {
      item.OnMeasureItem = TBarMeasure{this};
      if (SkinReady()) item.OnAdvancedDrawItem = TBarDraw{this};
    } else {
      RemoveOurs(item);
    }
  }
  if (!menu.IsDestroying()) menu.SetOwnerDraw(true);
}

void TsSkinableMenus::HookPopupMenu(TPopupMenu& menu, bool on) {
  menu.SetOwnerDraw(on);
  menu.SetMenuAnimation(on ? (menu.MenuAnimation() | maNone) : (menu.MenuAnimation() & ~maNone));
  HookMenuItems(menu.Items(), on);
}

void TsSkinableMenus::HookMenuItems(TMenuItem& item, bool on) {
  for (int i = 0; i < item.Count(); ++i) {
    TMenuItem& child = *item.Items(i);
    if (!(on && IsMenuTopLevelOfMain(child))) {
      if (on) {
        if (!child.OnMeasureItem) child.OnMeasureItem = TSkinMeasure{this};
        if (!child.OnAdvancedDrawItem) child.OnAdvancedDrawItem = TSkinDraw{this};
      } else {
        RemoveOurs(child);
      }
    }
    HookMenuItems(child, on);
  }
}

void TsSkinableMenus::SetItemOwnerDraw(TMenuItem& item, bool on) {
  TMenu* menu = item.GetParentMenu();
  if (menu) menu->SetOwnerDraw(true);
  if (!on) {
    RemoveOurs(item);
    return;
  }
  if (IsMenuTopLevelOfMain(item)) {
    item.OnMeasureItem = TBarMeasure{this};
    item.OnAdvancedDrawItem = TBarDraw{this};
  } else if (manager_ && manager_->SkinnedPopups()) {
    if (!item.OnMeasureItem) item.OnMeasureItem = TSkinMeasure{this};
    if (!item.OnAdvancedDrawItem) item.OnAdvancedDrawItem = TSkinDraw{this};
  }
}

// ---------------------------------------------------------------- sizes

SIZE TsSkinableMenus::GlyphSize(const TMenuItem& item) {
  if (item.HasBitmap()) {
    TBitmap* bitmap = const_cast<TMenuItem&>(item).Bitmap();
    return SIZE{bitmap->Width(), bitmap->Height()};
  }
  if (const TMenu* menu = item.GetParentMenu())
    if (menu->Images()) {
      int w = 0, h = 0;
      if (ImageList_GetIconSize(menu->Images(), &w, &h)) return SIZE{w, h};
    }
  return SIZE{kDefaultGlyph, kDefaultGlyph};
}

int TsSkinableMenus::ItemHeight(const TMenuItem& item) {
  const TsMenuItemType type = MenuItemTypeOf(item);
  if (type == smDivider) return 2;
  TCanvas& canvas = MeasureCanvas();
  AssignMenuFont(canvas.Font(), false);
  const int text = static_cast<int>(RoundEven(canvas.TextHeight(L"W") * 1.25));
  if (type == smCaption) return text + 2 * Margin;
  return std::max<int>(text, GlyphSize(item).cy) + 2 * Margin;
}

int TsSkinableMenus::ActiveExtraLineWidth() const {
  const TacMenuSupport* support = manager_ ? &manager_->MenuSupport() : nullptr;
  return support && support->UseExtraLine && State().extraVisible ? support->ExtraLineWidth : 0;
}

SIZE TsSkinableMenus::MenuSize(const TMenuItem& anyItem) {
  int width = 0, height = 0, columnWidth = 0, columnHeight = 0, columns = 0;
  TCanvas& canvas = MeasureCanvas();
  for (TMenuItem* item : VisibleSiblings(anyItem)) {
    if (item->Break() != mbNone && columns > 0) {
      width += columnWidth + 12 + 4;
      height = std::max(height, columnHeight);
      columnWidth = columnHeight = 0;
    }
    if (columns == 0) columns = 1;
    int w = 0, h = 0;
    MeasureItem(item, canvas, w, h);
    columnWidth = std::max(columnWidth, w);
    columnHeight += ItemHeight(*item);
  }
  width += columnWidth + 12;
  height = std::max(height, columnHeight);
  return SIZE{width + 2 * BorderWidth, height + 2 * BorderWidth};
}

// ---------------------------------------------------------------- measuring

void TsSkinableMenus::AskExtraLine(const TMenuItem& first) {
  TMenuState& s = State();
  if (s.asked || s.asking) return;
  s.asked = true;
  if (first.Name() == L"SkinSelectItem") {
    s.extraVisible = false;
    return;
  }
  s.extraSection = "EXTRALINE";
  s.extraCaption = kExtraLineText;
  s.extraVisible = true;
  if (manager_ && manager_->OnGetMenuExtraLineData) {
    String section(s.extraSection.begin(), s.extraSection.end());
    s.asking = true;
    try {
      manager_->OnGetMenuExtraLineData(const_cast<TMenuItem*>(&first), section, s.extraCaption, s.extraVisible);
    } catch (...) {
      s.asking = false;
      throw;
    }
    s.asking = false;
    s.extraSection.assign(section.begin(), section.end());
  }
  std::erase(s.extraCaption, L'&');
}

void TsSkinableMenus::MeasureItem(TMenuItem* item, TCanvas& canvas, int& width, int& height) {
  if (!item || item->IsDestroying()) return;
  TMenuState& s = State();
  s.menuOpen = true;
  const TMenuItem* first = FirstItemOf(*item);
  if (first != s.first.Get()) {
    DiscardMenuState();
    s.first.Reset(const_cast<TMenuItem*>(first));
  }
  AskExtraLine(*first);
  const TsMenuItemType type = MenuItemTypeOf(*item);
  AssignMenuFont(canvas.Font(), false);
  String text;
  if (type == smCaption) text = L"-" + item->Caption() + L"-";
  if (type == smNormal) text = item->Caption() + item->ShortCutText();
  const int textWidth = type == smDivider ? 0 : TextSize(canvas, text).cx;
  width = 2 * GlyphSize(*item).cx + textWidth + 3 * Margin + Spacing;
  if (InFirstColumn(*item)) width += ActiveExtraLineWidth();
  height = ItemHeight(*item);
}

void TsSkinableMenus::MeasureMenuBarItem(TMenuItem* item, TCanvas& canvas, int& width, int& height) {
  if (!item) return;
  height = GetSystemMetrics(SM_CYMENU) - 1;
  AssignMenuFont(canvas.Font(), false);
  width = std::max<int>(width, TextSize(canvas, item->Caption() + item->ShortCutText()).cx);
}

// ---------------------------------------------------------------- the menu picture

void TsSkinableMenus::PaintExtraLine(TBitmap& picture, int height) {
  const TacMenuSupport& support = manager_->MenuSupport();
  TMenuState& s = State();
  const TsSkinTables& skin = manager_->Tables();
  const int section = manager_->SectionIndex(s.extraSection);
  if (!support.UseExtraLine || !s.extraVisible || section < 0) return;
  const int border = SkinBorderWidth();
  const int stripHeight = height - 2 * border;
  if (support.ExtraLineWidth <= 0 || stripHeight <= 0) return;
  TBitmap strip(support.ExtraLineWidth, stripHeight);
  PaintSection(section, s.extraSection, BgInfo{picture.View(), 0, 0, true},
               manager_->TextureIndex(section, s.extraSection, "HOTPATTERN"),
               manager_->TextureIndex(section, s.extraSection, "PATTERN"), &skin, strip.View(), TPoint{border, border},
               TsRect{0, 0, strip.Width(), strip.Height()}, 0, true);
  if (!s.extraCaption.empty()) {
    TCanvas& canvas = strip.Canvas();
    LOGFONTW lf{};
    GetObjectW(support.ExtraLineFont.Handle(), sizeof(lf), &lf);
    lf.lfEscapement = lf.lfOrientation = -2700;
    const TFontHandle font(CreateFontIndirectW(&lf));
    const TSavedDC saved(canvas.Handle());
    SelectObject(canvas.Handle(), font.Get());
    SetBkMode(canvas.Handle(), TRANSPARENT);
    SetTextColor(canvas.Handle(), ColorToRGB(SectionFontColor(skin, section)));
    SIZE size{};
    GetTextExtentPoint32W(canvas.Handle(), s.extraCaption.c_str(), static_cast<int>(s.extraCaption.size()), &size);
    const int x = (strip.Width() - size.cy) / 2;
    TextOutW(canvas.Handle(), x, strip.Height() - 12, s.extraCaption.c_str(), static_cast<int>(s.extraCaption.size()));
    GdiFlush();
  }
  CopyPicture(picture.Canvas().Handle(), border, border, strip.Width(), strip.Height(), strip, 0, 0);
}

void TsSkinableMenus::PrepareMenuPicture(const TMenuItem& item, int width, int height, HWND window) {
  TMenuState& s = State();
  const TMenuItem* first = FirstItemOf(item);
  if (s.picture && s.first.Get() == first) return;
  if (s.first.Get() != first) DiscardMenuState();
  AskExtraLine(*first);
  s.first.Reset(const_cast<TMenuItem*>(first));
  s.window = window;
  s.glyphWidth = GlyphSize(*first).cx;
  s.textOffset = Margin + s.glyphWidth + Spacing;
  if (width <= 0 || height <= 0) return;
  s.picture = std::make_unique<TBitmap>(width, height);
  MenuPaintState().Picture = s.picture.get();
  MenuPaintState().Window = window;
  cutOuts_.clear();
  const int section = manager_->SectionIndex("MAINMENU");
  if (section < 0) return;
  const TsSkinTables& skin = manager_->Tables();
  TBitmap& picture = *s.picture;
  PaintSection(section, "MAINMENU", BgInfo{}, manager_->TextureIndex(section, "MAINMENU", "HOTPATTERN"),
               manager_->TextureIndex(section, "MAINMENU", "PATTERN"), &skin, picture.View(), TPoint{0, 0},
               TsRect{0, 0, width, height}, 0, true);
  PaintExtraLine(picture, height);
  const int border = SkinBorderWidth();
  const std::string icoLine(manager_->MenuSupport().IcoLineSkin.begin(), manager_->MenuSupport().IcoLineSkin.end());
  const int ico = manager_->SectionIndex(icoLine);
  if (ico >= 0 && s.textOffset > 0 && height - 2 * border > 0) {
    TBitmap strip(s.textOffset, height - 2 * border);
    const int x = ActiveExtraLineWidth() + border;
    PaintSection(ico, icoLine, BgInfo{picture.View(), 0, 0, true}, manager_->TextureIndex(ico, icoLine, "HOTPATTERN"),
                 manager_->TextureIndex(ico, icoLine, "PATTERN"), &skin, strip.View(), TPoint{x, border},
                 TsRect{0, 0, strip.Width(), strip.Height()}, 0, true);
    CopyPicture(picture.Canvas().Handle(), x, border, strip.Width(), strip.Height(), strip, 0, 0);
  }
  const int mask = manager_->MaskIndex(section, "MAINMENU", "BORDERSMASK");
  if (skin.IsMaskIndexValid(mask)) {
    const TMaskRef ref = MaskRef(skin, mask);
    CornerKeyRuns(cutOuts_, width, ref, false, 0);
    CornerKeyRuns(cutOuts_, width, ref, true, height - ref.Data->WB);
  }
  GdiFlush();
  if (window) ApplyMenuFrame(window);
}

void TsSkinableMenus::ApplyMenuFrame(HWND window) {
  TMenuState& s = State();
  if (applying_ || !window || !s.picture) return;
  applying_ = true;
  AttachMenuWindow(window);
  SendSkinCommand(window, CMD_DRAWMENUBORDER, 0);
  const int w = s.picture->Width(), h = s.picture->Height();
  TRegionHandle region(CreateRectRgn(0, 0, w, h));
  if (cutOuts_.empty()) {
    const TRegionHandle dot(CreateRectRgn(0, 0, 1, 1));
    CombineRgn(region.Get(), region.Get(), dot.Get(), RGN_DIFF);
  }
  for (const TsRect& r : cutOuts_) {
    const TRegionHandle cut(CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom));
    CombineRgn(region.Get(), region.Get(), cut.Get(), RGN_DIFF);
  }
  // The same region again would only repaint the menu.
  const TRegionHandle current(CreateRectRgn(0, 0, 0, 0));
  const bool same = GetWindowRgn(window, current.Get()) != ERROR && EqualRgn(current.Get(), region.Get());
  if (!same && SetWindowRgn(window, region.Get(), TRUE)) static_cast<void>(region.Release());
  applying_ = false;
}

void TsSkinableMenus::HandleMenuMessage(UINT msg, WPARAM, LPARAM lParam) {
  TMenuState& s = State();
  if (!s.picture) return;
  if (msg == SM_MENUWINDOWPICTURE) ApplyMenuFrame(reinterpret_cast<HWND>(lParam));
  if (msg == SM_MENUITEMPICTURE && s.window) ApplyMenuFrame(s.window);
}

// ---------------------------------------------------------------- drawing

void TsSkinableMenus::CopyFrameStrips(HDC dc, const TMenuItem& item, RECT r, POINT off) {
  TBitmap& picture = *State().picture;
  const int w = picture.Width(), h = picture.Height();
  const std::vector<TMenuItem*> visible = VisibleSiblings(item);
  const RECT p{r.left + off.x, r.top + off.y, r.right + off.x, r.bottom + off.y};
  if (!visible.empty() && visible.front() == &item) CopyPicture(dc, -off.x, -off.y, w, p.top, picture, 0, 0);
  if (!visible.empty() && visible.back() == &item)
    CopyPicture(dc, -off.x, p.bottom - off.y, w, h - p.bottom, picture, 0, p.bottom);
  CopyPicture(dc, -off.x, r.top, p.left, H(r), picture, 0, p.top);
  CopyPicture(dc, r.right, r.top, w - p.right, H(r), picture, p.right, p.top);
}

void TsSkinableMenus::DrawItem(TMenuItem* item, TCanvas& canvas, RECT r, UINT state) {
  if (!item || !SkinReady()) return;
  TMenuState& s = State();
  if (FirstItemOf(*item) != s.first.Get()) DiscardMenuState();
  const HDC dc = canvas.Handle();
  HWND window = WindowFromDC(dc);
  RECT wr{};
  if (window && !GetWindowRect(window, &wr)) window = nullptr;
  const POINT off = ClientOffset(window);
  SIZE size{W(wr), H(wr)};
  if (!window) size = MenuSize(*item);
  PrepareMenuPicture(*item, size.cx, size.cy, window);
  if (!s.picture) return;
  MenuPaintState().ItemDrawn = true;
  if (window) CopyFrameStrips(dc, *item, r, off);

  const TsMenuItemType type = MenuItemTypeOf(*item);
  if (type == smDivider) return DrawSeparator(canvas, r, off);
  if (type == smCaption) return DrawCaptionItem(item, canvas, r, off, state);

  TBitmap& picture = *s.picture;
  const bool firstColumn = InFirstColumn(*item);
  const int extra = firstColumn ? ActiveExtraLineWidth() : 0;
  const std::vector<TMenuItem*> visible = VisibleSiblings(*item);
  const bool last = !visible.empty() && visible.back() == item;
  const int bottomEdge = picture.Height() - 6;
  if (last && r.bottom + off.y < bottomEdge)
    CopyPicture(dc, r.left, r.bottom, W(r), bottomEdge - (r.bottom + off.y), picture, r.left + off.x, r.bottom + off.y);
  if (item->Break() != mbNone) CopyPicture(dc, r.left - 4, r.top, 4, H(r), picture, r.left - 4 + off.x, r.top + off.y);

  const int w = W(r) - extra, h = H(r);
  if (w <= 0 || h <= 0) return;
  const bool enabled = !(state & (ODS_DISABLED | ODS_GRAYED));
  const bool hot = enabled && (state & ODS_SELECTED);
  const TPoint at{r.left + off.x + extra, r.top + off.y};
  TBitmap& itemPicture = s.itemPicture;
  itemPicture.SetSize(w, h);
  const TsSkinTables& skin = manager_->Tables();
  const int section = manager_->SectionIndex("MENUITEM");
  if (section >= 0)
    PaintSection(section, "MENUITEM", BgInfo{picture.View(), 0, 0, true},
                 manager_->TextureIndex(section, "MENUITEM", "HOTPATTERN"),
                 manager_->TextureIndex(section, "MENUITEM", "PATTERN"), &skin, itemPicture.View(), at,
                 TsRect{0, 0, w, h}, hot ? 1 : 0, true);
  else
    BitBlt(itemPicture.Canvas().Handle(), 0, 0, w, h, picture.Canvas().Handle(), at.x, at.y, SRCCOPY);

  if (state & ODS_CHECKED) {
    int mask = item->RadioItem() ? manager_->MaskIndexByName("GLOBALINFO", "RADIOCHECKED") : -1;
    if (mask < 0) mask = manager_->MaskIndexByName("GLOBALINFO", "CHECK");
    if (mask < 0) mask = manager_->MaskIndexByName("GLOBALINFO", "BOXCHECKED");
    const TMaskRef ref = MaskRef(skin, mask);
    if (ref.Valid()) {
      GdiFlush();
      PaintGlyphMask(itemPicture.View(), TPoint{Margin, (h - ref.FrameHeight()) / 2}, hot ? 1 : 0, ref, true);
    }
  }
  DrawItemText(item, itemPicture, state, hot);
  if (OnDrawItem) OnDrawItem(item, itemPicture.Canvas(), smNormal, state, RECT{0, 0, w, h});
  GdiFlush();
  if (!enabled)
    BlendKeyedRect(itemPicture.View(), 0, 0, clFuchsia, 0.4, TsRect{at.x, at.y, at.x + w - 1, at.y + h - 1},
                   picture.View());
  BitBlt(dc, extra + r.left, r.top, w, h, itemPicture.Canvas().Handle(), 0, 0, SRCCOPY);
  if (extra > 0 && !visible.empty() && visible.front() == item)
    CopyPicture(dc, -off.x, -off.y, extra + 3, picture.Height(), picture, 0, 0);
}

void TsSkinableMenus::DrawItemText(TMenuItem* item, TBitmap& itemPicture, UINT state, bool hot) {
  TCanvas& canvas = itemPicture.Canvas();
  const int w = itemPicture.Width(), h = itemPicture.Height();
  const SIZE glyph = GlyphSize(*item);
  const TMenu* menu = item->GetParentMenu();
  GdiFlush();
  if (item->HasBitmap()) {
    TBitmap* bitmap = item->Bitmap();
    BitBlt(canvas.Handle(), (h - glyph.cy) / 2, (h - glyph.cy) / 2, glyph.cx, glyph.cy, bitmap->Canvas().Handle(), 0,
           0, SRCCOPY);
  } else if (menu && menu->Images() && item->ImageIndex() >= 0) {
    ImageList_Draw(menu->Images(), item->ImageIndex(), canvas.Handle(), (h - glyph.cy) / 2, (h - glyph.cy) / 2,
                   ILD_TRANSPARENT);
  }
  AssignMenuFont(canvas.Font(), (state & ODS_DEFAULT) != 0);
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  const int section = manager_->SectionIndex("MENUITEM");
  const bool hotText = hot || (state & ODS_HOTLIGHT);
  RECT text{2 * Margin + Spacing + glyph.cx, 0, w, h};
  String caption = item->Caption();
  UINT align = Alignment == taRightJustify ? DT_RIGHT : Alignment == taCenter ? DT_CENTER : DT_LEFT;
  if (!caption.empty() && caption.front() == L'\b') {
    caption = caption.substr(1) + L"      ";
    align = DT_RIGHT;
  }
  const UINT format = align | DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | DT_NOCLIP;
  DrawSectionText(canvas, caption, true, &manager_->Tables(), hotText, section, format, text);
  if (!item->ShortCutText().empty()) {
    const int sw = TextSize(canvas, item->ShortCutText()).cx;
    RECT cut{w - 8 - sw, 0, w - 8, h};
    DrawSectionText(canvas, item->ShortCutText(), true, &manager_->Tables(), hotText, section,
                    DT_RIGHT | DT_SINGLELINE | DT_VCENTER, cut);
  }
  GdiFlush();
}

void TsSkinableMenus::DrawSeparator(TCanvas& canvas, RECT r, POINT off) {
  TBitmap& picture = *State().picture;
  const int w = W(r), h = H(r);
  if (w <= 0 || h <= 0) return;
  const TsSkinTables& skin = manager_->Tables();
  const int divider = manager_->SectionIndex("DIVIDERV");
  const int mask = divider >= 0 ? manager_->MaskIndex(divider, "DIVIDERV", "BORDERSMASK")
                                : manager_->MaskIndex(manager_->SectionIndex("TRACKBAR"), "TRACKBAR", "SLIDERCHANNEL");
  const TMaskRef ref = MaskRef(skin, mask);
  if (!ref.Valid()) {
    RECT ring = r;
    int rings = 1;
    DrawFrameRings(canvas.Handle(), ring, MakeColor(128, 128, 128), rings, clWhite);
    return;
  }
  TBitmap band(w, h);
  BitBlt(band.Canvas().Handle(), 0, 0, w, h, picture.Canvas().Handle(), r.left + off.x, r.top + off.y, SRCCOPY);
  GdiFlush();
  const int extra = ActiveExtraLineWidth();
  const int left = std::max(extra + Margin + Spacing, extra + State().textOffset + 2);
  const int right = w - (extra + 2 * Margin + Spacing);
  if (right > left)
    PaintBorderMask(band.View(), TsRect{left, 0, right, h}, true, true, 0, ref, BgInfo{band.View(), 0, 0, true});
  BitBlt(canvas.Handle(), r.left, r.top, w, h, band.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsSkinableMenus::DrawCaptionItem(TMenuItem* item, TCanvas& canvas, RECT r, POINT off, UINT state) {
  TBitmap& picture = *State().picture;
  const int w = W(r), h = H(r);
  if (w <= 0 || h <= 0) return;
  const int extra = InFirstColumn(*item) ? ActiveExtraLineWidth() : 0;
  TBitmap surface(w, h);
  BitBlt(surface.Canvas().Handle(), 0, 0, w, h, picture.Canvas().Handle(), r.left + off.x, r.top + off.y, SRCCOPY);
  GdiFlush();
  const TsSkinTables& skin = manager_->Tables();
  const int toolbar = manager_->SectionIndex("TOOLBAR");
  if (toolbar >= 0 && w - 1 > extra + 1 && h > 2)
    PaintSection(toolbar, "TOOLBAR", BgInfo{picture.View(), 0, 0, true},
                 manager_->TextureIndex(toolbar, "TOOLBAR", "HOTPATTERN"),
                 manager_->TextureIndex(toolbar, "TOOLBAR", "PATTERN"), &skin, surface.View(),
                 TPoint{r.left + off.x, r.top + off.y}, TsRect{extra + 1, 1, w - 1, h - 1}, 0, true);
  String word = item->Caption();
  word = word.substr(word.find_first_not_of(L'-'));
  word = word.substr(0, word.find(L'-'));
  TCanvas& c = surface.Canvas();
  c.Font().Assign(captionFont_);
  c.Brush().SetStyle(TBrushStyle::bsClear);
  RECT text{extra, 0, w, h};
  DrawSectionText(c, word, true, &skin, false, toolbar, DT_CENTER | DT_SINGLELINE | DT_VCENTER, text);
  if (OnDrawItem) OnDrawItem(item, c, smCaption, state, RECT{0, 0, w, h});
  GdiFlush();
  BitBlt(canvas.Handle(), r.left, r.top, w, h, c.Handle(), 0, 0, SRCCOPY);
}

void TsSkinableMenus::DrawMenuBarItem(TMenuItem* item, TCanvas& canvas, RECT r, UINT state) {
  if (!item || !SkinReady()) return;
  const int w = W(r), h = H(r);
  if (w <= 0 || h <= 0) return;
  const bool enabled = !(state & (ODS_DISABLED | ODS_GRAYED));
  const bool hot = (state & ODS_HOTLIGHT) || (enabled && (state & ODS_SELECTED));
  TBitmap surface(w, h);
  BitBlt(surface.Canvas().Handle(), 0, 0, w, h, canvas.Handle(), r.left, r.top, SRCCOPY);
  GdiFlush();
  const TsSkinTables& skin = manager_->Tables();
  const int section = manager_->SectionIndex("MENUITEM");
  PaintSection(section, "MENUITEM", BgInfo{}, manager_->TextureIndex(section, "MENUITEM", "HOTPATTERN"),
               manager_->TextureIndex(section, "MENUITEM", "PATTERN"), &skin, surface.View(), TPoint{0, 0},
               TsRect{0, 0, w, h}, hot ? 1 : 0, true);
  TCanvas& c = surface.Canvas();
  AssignMenuFont(c.Font(), (state & ODS_DEFAULT) != 0);
  c.Brush().SetStyle(TBrushStyle::bsClear);
  const UINT align = Alignment == taRightJustify ? DT_RIGHT : Alignment == taCenter ? DT_CENTER : DT_LEFT;
  RECT text{0, 0, w, h};
  DrawSectionText(c, item->Caption(), true, &skin, hot, manager_->SectionIndex("MENULINE"),
                  align | DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | ((state & ODS_NOACCEL) ? DT_HIDEPREFIX : 0),
                  text);
  if (OnDrawItem) OnDrawItem(item, c, smTopLine, state, RECT{0, 0, w, h});
  GdiFlush();
  BitBlt(canvas.Handle(), r.left, r.top, w, h, c.Handle(), 0, 0, SRCCOPY);
}
