// Skinned pop-up menus on real menu windows with the built-in skin: every item kind as it
// reaches the screen against a model composed with the painting core (the menu picture of
// "MAINMENU" and "ICOLINE", "MENUITEM" items in the normal and hot state, the separator
// from the divider mask, a disabled item blended 60/40 with the picture), the window region
// that cuts the border's key corners, the hot item following the arrow keys; the measured
// sizes; hooking and unhooking that keeps a program's own handlers; and fifty pop-ups that
// leave no menu window, handler or handle behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Helpers.h"
#include "SkinFixtures.h"
#include "framework/Handles.h"
#include "framework/Subclass.h"
#include "skin/dialogs/acDials.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/gdi/sTextPainting.h"
#include "skin/window/acMnuWnd.h"
#include "skin/window/sSkinMenus.h"
#include "skin/window/sSkinProvider.h"

namespace {

int W(const RECT& r) { return r.right - r.left; }
int H(const RECT& r) { return r.bottom - r.top; }

COLORREF PixelOf(const TSurfaceView& view, int x, int y) {
  const uint8_t* p = view.Pixel(x, y);
  return RGB(p[2], p[1], p[0]);
}

void MenuFontOf(TFont& font) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  font.SetName(metrics.lfMenuFont.lfFaceName);
  font.SetHeight(metrics.lfMenuFont.lfHeight);
  font.SetCharset(metrics.lfMenuFont.lfCharSet);
}

// The visible menu window of this thread, or null.
HWND OpenMenuWindow() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM out) -> BOOL {
        if (WindowClassOf(window) == L"#32768" && IsWindowVisible(window)) {
          *reinterpret_cast<HWND*>(out) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

int MenuWindowsOfThread() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM out) -> BOOL {
        if (WindowClassOf(window) == L"#32768") ++*reinterpret_cast<int*>(out);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

// Runs steps inside a pop-up menu's loop, one per timer tick, each retried until it says
// it is done (or a deadline passes); the menu is closed after the last one.
class MenuScript {
public:
  using Step = std::function<bool(HWND menu)>;
  explicit MenuScript(std::vector<Step> steps) : steps_(std::move(steps)) {}

  // Pops `menu` up and returns once it is closed. False when a step never got done.
  bool Run(TPopupMenu& menu, int x, int y) {
    current_ = this;
    const UINT_PTR timer = SetTimer(nullptr, 0, 40, Tick);
    menu.Popup(x, y);
    KillTimer(nullptr, timer);
    current_ = nullptr;
    return failedStep_ < 0 && next_ == steps_.size();
  }
  int FailedStep() const { return failedStep_; }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    MenuScript* self = current_;
    if (!self) return;
    HWND menu = OpenMenuWindow();
    if (!menu) {
      if (++self->tries_ > 100) EndMenu();
      return;
    }
    if (self->next_ >= self->steps_.size() || self->failedStep_ >= 0) {
      EndMenu();
      return;
    }
    if (self->steps_[self->next_](menu)) {
      ++self->next_;
      self->tries_ = 0;
    } else if (++self->tries_ > 50) {
      self->failedStep_ = static_cast<int>(self->next_);
      EndMenu();
    }
  }

  static inline MenuScript* current_ = nullptr;
  std::vector<Step> steps_;
  size_t next_ = 0;
  int tries_ = 0;
  int failedStep_ = -1;
};

class MenuTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    UseSkinableMenus();
    UseDialogHook();
    ASSERT_EQ(DefaultManager(), nullptr) << "a manager of another test is still alive";
    manager = std::make_unique<TsSkinManager>(nullptr);
    manager->SetSkinDirectory(skins.Resolved());
    TsStoredSkins stored;
    stored.Add(PackagedSkin(L"Frost"));
    manager->SetInternalSkins(stored);
    form = new TForm(Application);
    menu = new TPopupMenu(form);
    for (const wchar_t* caption : {L"全选", L"-", L"删除选中", L"全部删除"}) {
      auto* item = new TMenuItem(form);
      item->SetCaption(caption);
      menu->Items().Add(item);
    }
    manager->SetSkinName(L"Frost");
    ASSERT_TRUE(manager->SkinActive());
    menus = SkinableMenusOf(manager.get());
    ASSERT_NE(menus, nullptr);
  }
  void TearDown() override {
    delete form;
    manager.reset();
    // The seams are process-wide: later tests start without the menus and the hook.
    SkinableMenusSeam() = nullptr;
    DialogHookSeam() = {};
    FrameHooks() = TsFrameHooks{};
    MenuPaintState().Discard = nullptr;
  }

  TMenuItem* Item(int i) { return menu->Items().Items(i); }

  // The window as it is on the screen (its own DC reads what was drawn into it).
  static std::unique_ptr<TBitmap> Shot(HWND window) {
    RECT w{};
    GetWindowRect(window, &w);
    auto shot = std::make_unique<TBitmap>(W(w), H(w));
    const TWindowDC dc = TWindowDC::Of(window);
    BitBlt(shot->Canvas().Handle(), 0, 0, W(w), H(w), dc.Get(), 0, 0, SRCCOPY);
    GdiFlush();
    return shot;
  }

  // Item rectangle in window coordinates.
  static RECT ItemRect(HWND window, int index) {
    const HMENU handle = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    RECT r{}, w{};
    GetMenuItemRect(nullptr, handle, static_cast<UINT>(index), &r);
    GetWindowRect(window, &w);
    OffsetRect(&r, -w.left, -w.top);
    return r;
  }

  // The menu picture as the skin composes it: "MAINMENU" over the window, the icon column
  // of "ICOLINE" (margin + 16-pixel glyph + spacing wide) inside the border.
  std::unique_ptr<TBitmap> ModelPicture(int width, int height) {
    auto picture = std::make_unique<TBitmap>(width, height);
    const TsSkinTables& skin = manager->Tables();
    const int main = manager->SectionIndex("MAINMENU");
    PaintSection(main, "MAINMENU", BgInfo{}, manager->TextureIndex(main, "MAINMENU", "HOTPATTERN"),
                 manager->TextureIndex(main, "MAINMENU", "PATTERN"), &skin, picture->View(), TPoint{0, 0},
                 TsRect{0, 0, width, height}, 0, true);
    const int border = menus->SkinBorderWidth();
    const int ico = manager->SectionIndex("ICOLINE");
    TBitmap strip(3 + 16 + 6, height - 2 * border);
    PaintSection(ico, "ICOLINE", BgInfo{picture->View(), 0, 0, true}, manager->TextureIndex(ico, "ICOLINE", "HOTPATTERN"),
                 manager->TextureIndex(ico, "ICOLINE", "PATTERN"), &skin, strip.View(), TPoint{border, border},
                 TsRect{0, 0, strip.Width(), strip.Height()}, 0, true);
    BitBlt(picture->Canvas().Handle(), border, border, strip.Width(), strip.Height(), strip.Canvas().Handle(), 0, 0,
           SRCCOPY);
    GdiFlush();
    return picture;
  }

  // An ordinary item as the skin composes it over the model picture at `r` (window
  // coordinates): "MENUITEM" in the normal or hot state and the caption in its colours;
  // disabled, 60 % of the picture and 40 % of the item.
  std::unique_ptr<TBitmap> ModelItem(const TBitmap& picture, RECT r, const String& caption, bool hot, bool disabled) {
    auto item = std::make_unique<TBitmap>(W(r), H(r));
    const TsSkinTables& skin = manager->Tables();
    const int section = manager->SectionIndex("MENUITEM");
    PaintSection(section, "MENUITEM", BgInfo{picture.View(), 0, 0, true},
                 manager->TextureIndex(section, "MENUITEM", "HOTPATTERN"),
                 manager->TextureIndex(section, "MENUITEM", "PATTERN"), &skin, item->View(), TPoint{r.left, r.top},
                 TsRect{0, 0, W(r), H(r)}, hot ? 1 : 0, true);
    TCanvas& canvas = item->Canvas();
    MenuFontOf(canvas.Font());
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    RECT text{2 * 3 + 6 + 16, 0, W(r), H(r)};
    DrawSectionText(canvas, caption, true, &skin, hot, section,
                    DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | DT_NOCLIP, text);
    GdiFlush();
    if (disabled)
      for (int y = 0; y < H(r); ++y)
        for (int x = 0; x < W(r); ++x) {
          const uint8_t* p = picture.View().Pixel(r.left + x, r.top + y);
          uint8_t* q = item->View().Pixel(x, y);
          if (p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF) continue;
          for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>(std::lround(0.6 * p[c] + 0.4 * q[c]));
        }
    return item;
  }

  // Pixels of `shot` inside `r` that differ from `expected` (placed at r) by more than 2 per
  // channel (rounding of the blend), with the first one described.
  static int Mismatches(const TBitmap& shot, const TBitmap& expected, RECT r, std::string* first) {
    int count = 0;
    for (int y = 0; y < H(r); ++y)
      for (int x = 0; x < W(r); ++x) {
        const COLORREF a = PixelOf(shot.View(), r.left + x, r.top + y), b = PixelOf(expected.View(), x, y);
        const bool similar = std::abs(GetRValue(a) - GetRValue(b)) <= 2 && std::abs(GetGValue(a) - GetGValue(b)) <= 2 &&
                          std::abs(GetBValue(a) - GetBValue(b)) <= 2;
        if (similar) continue;
        if (count++ == 0 && first) {
          char text[96];
          snprintf(text, sizeof(text), "(%ld,%ld) seen %06lx expected %06lx", r.left + x, r.top + y,
                   static_cast<unsigned long>(a), static_cast<unsigned long>(b));
          *first = text;
        }
      }
    return count;
  }

  // The item `index` of the open menu against its model; `why` gets the first difference.
  bool ItemAsModelled(HWND window, int index, bool hot, bool disabled, std::string* why) {
    RECT w{};
    GetWindowRect(window, &w);
    const auto picture = ModelPicture(W(w), H(w));
    const RECT r = ItemRect(window, index);
    const auto expected = ModelItem(*picture, r, Item(index)->Caption(), hot, disabled);
    return Mismatches(*Shot(window), *expected, r, why) == 0;
  }

  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
  TsSkinableMenus* menus = nullptr;
  TForm* form = nullptr;
  TPopupMenu* menu = nullptr;
};

TEST_F(MenuTest, ListMenuItemsMeasureAsThreeOrdinaryItemsAndATwoPixelSeparator) {
  TFont font;
  MenuFontOf(font);
  TBitmap scratch(1, 1);
  TCanvas& canvas = scratch.Canvas();
  canvas.Font().Assign(font);
  const int text = static_cast<int>(std::nearbyint(canvas.TextHeight(L"W") * 1.25));
  const int ordinary = std::max(text, 16) + 2 * 3;
  struct Case {
    int index;
    int height;
    TsMenuItemType type;
  } cases[] = {{0, ordinary, smNormal}, {1, 2, smDivider}, {2, ordinary, smNormal}, {3, ordinary, smNormal}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    TMenuItem* item = Item(c.index);
    EXPECT_EQ(MenuItemTypeOf(*item), c.type);
    int width = 0, height = 0;
    menus->MeasureItem(item, canvas, width, height);
    EXPECT_EQ(height, c.height);
    const int textWidth = c.type == smDivider ? 0 : canvas.TextWidth(item->Caption());
    EXPECT_EQ(width, 2 * 16 + textWidth + 3 * 3 + 6);
  }
  // A caption item is measured with one more "-" on each side; the shortcut follows the caption.
  TMenuItem caption(nullptr), shortcut(nullptr);
  caption.SetCaption(L"-Tools-");
  shortcut.SetCaption(L"Open");
  shortcut.SetShortCutText(L"Ctrl+O");
  menu->Items().Add(&caption);
  menu->Items().Add(&shortcut);
  int width = 0, height = 0;
  menus->MeasureItem(&caption, canvas, width, height);
  EXPECT_EQ(MenuItemTypeOf(caption), smCaption);
  EXPECT_EQ(height, text + 6);
  EXPECT_EQ(width, 32 + canvas.TextWidth(L"--Tools--") + 15);
  menus->MeasureItem(&shortcut, canvas, width, height);
  EXPECT_EQ(width, 32 + canvas.TextWidth(L"OpenCtrl+O") + 15);
  menu->Items().Remove(&caption);
  menu->Items().Remove(&shortcut);
}

TEST_F(MenuTest, ExtraLineWidensFirstColumnUnlessTheMenuIsTheSkinSelector) {
  manager->MenuSupport().UseExtraLine = true;
  TBitmap scratch(1, 1);
  int plain = 0, height = 0;
  DiscardMenuState();
  manager->MenuSupport().UseExtraLine = false;
  menus->MeasureItem(Item(0), scratch.Canvas(), plain, height);
  manager->MenuSupport().UseExtraLine = true;
  DiscardMenuState();
  String asked;
  manager->OnGetMenuExtraLineData = [&](TComponent* first, String&, String& caption, bool&) {
    asked = static_cast<TMenuItem*>(first)->Caption();
    caption = L"E&xtra";
  };
  int width = 0;
  menus->MeasureItem(Item(2), scratch.Canvas(), width, height);
  EXPECT_EQ(asked, L"全选") << "the event gets the menu's first item";
  EXPECT_EQ(width - plain, scratch.Canvas().TextWidth(L"删除选中") - scratch.Canvas().TextWidth(L"全选") + 32);
  EXPECT_EQ(menus->ActiveExtraLineWidth(), 32);

  Item(0)->SetName(L"SkinSelectItem");
  DiscardMenuState();
  asked.clear();
  menus->MeasureItem(Item(0), scratch.Canvas(), width, height);
  EXPECT_EQ(width, plain);
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(menus->ActiveExtraLineWidth(), 0);
  manager->OnGetMenuExtraLineData = nullptr;
  DiscardMenuState();
}

TEST_F(MenuTest, HookingKeepsAProgramsOwnHandlersAndFollowsSkinnedPopupsAndTheSkin) {
  int own = 0;
  Item(2)->OnAdvancedDrawItem = [&](TMenuItem*, TCanvas&, RECT, UINT) { ++own; };
  menus->HookMenus(true);
  EXPECT_TRUE(menu->OwnerDraw());
  EXPECT_TRUE(menu->MenuAnimation() & maNone);
  EXPECT_TRUE(Item(0)->OnMeasureItem && Item(0)->OnAdvancedDrawItem);
  TCanvas canvas;
  Item(2)->OnAdvancedDrawItem(Item(2), canvas, RECT{}, 0);
  EXPECT_EQ(own, 1) << "an item's own draw handler stays";

  manager->SetSkinnedPopups(false);
  EXPECT_FALSE(menu->OwnerDraw());
  EXPECT_FALSE(menu->MenuAnimation() & maNone);
  EXPECT_FALSE(Item(0)->OnMeasureItem || Item(0)->OnAdvancedDrawItem);
  ASSERT_TRUE(Item(2)->OnAdvancedDrawItem);
  manager->SetSkinnedPopups(true);
  EXPECT_TRUE(Item(0)->OnAdvancedDrawItem);

  // On a menu bar the item loses its own handlers to the bar's while the menus are hooked.
  TMenu bar(form);
  auto* top = new TMenuItem(form);
  top->SetCaption(L"File");
  int ownBar = 0;
  top->OnAdvancedDrawItem = [&](TMenuItem*, TCanvas&, RECT, UINT) { ++ownBar; };
  bar.Items().Add(top);
  menus->HookMenus(true);
  EXPECT_TRUE(bar.OwnerDraw());
  top->OnAdvancedDrawItem(top, canvas, RECT{}, 0);
  EXPECT_EQ(ownBar, 0);
  int width = 10, height = 0;
  TBitmap scratch(1, 1);
  top->OnMeasureItem(top, scratch.Canvas(), width, height);
  EXPECT_EQ(height, GetSystemMetrics(SM_CYMENU) - 1);
  EXPECT_GT(width, 10);

  manager->SetActive(false);
  EXPECT_FALSE(Item(0)->OnMeasureItem || Item(0)->OnAdvancedDrawItem) << "the skin went: the menus are given back";
  EXPECT_TRUE(Item(2)->OnAdvancedDrawItem);
  EXPECT_FALSE(top->OnMeasureItem || top->OnAdvancedDrawItem);
}

TEST_F(MenuTest, CaptionItemShowsItsWordInToolbarColoursAndCheckedItemsTheSkinsMark) {
  // Drawn onto a memory canvas: no menu window, so the picture has the computed menu size.
  auto* caption = new TMenuItem(form);
  caption->SetCaption(L"-Tools-");
  menu->Items().Insert(0, caption);
  Item(1)->SetChecked(true);
  Item(1)->SetRadioItem(true);
  const SIZE size = menus->MenuSize(*caption);
  TBitmap canvasPicture(size.cx, size.cy);
  const int h = menus->ItemHeight(*caption);
  const RECT r{3, 3, size.cx - 3, 3 + h};
  DiscardMenuState();
  menus->DrawItem(caption, canvasPicture.Canvas(), r, 0);
  ASSERT_NE(MenuPicture(), nullptr);
  EXPECT_EQ(MenuPicture()->Width(), size.cx);
  EXPECT_EQ(MenuPicture()->Height(), size.cy);
  GdiFlush();

  // The model: the picture behind, "TOOLBAR" one pixel inside, the word centred in its colours.
  const auto picture = ModelPicture(size.cx, size.cy);
  TBitmap expected(W(r), H(r));
  BitBlt(expected.Canvas().Handle(), 0, 0, W(r), H(r), picture->Canvas().Handle(), r.left, r.top, SRCCOPY);
  GdiFlush();
  const int toolbar = manager->SectionIndex("TOOLBAR");
  ASSERT_GE(toolbar, 0);
  PaintSection(toolbar, "TOOLBAR", BgInfo{picture->View(), 0, 0, true},
               manager->TextureIndex(toolbar, "TOOLBAR", "HOTPATTERN"), manager->TextureIndex(toolbar, "TOOLBAR", "PATTERN"),
               &manager->Tables(), expected.View(), TPoint{r.left, r.top}, TsRect{1, 1, W(r) - 1, H(r) - 1}, 0, true);
  TCanvas& text = expected.Canvas();
  text.Font().Assign(menus->CaptionFont());
  text.Brush().SetStyle(TBrushStyle::bsClear);
  RECT textRect{0, 0, W(r), H(r)};
  DrawSectionText(text, L"Tools", true, &manager->Tables(), false, toolbar, DT_CENTER | DT_SINGLELINE | DT_VCENTER,
                  textRect);
  GdiFlush();
  std::string why;
  EXPECT_EQ(Mismatches(canvasPicture, expected, r, &why), 0) << why;

  // A checked radio item: the skin's radio mark at the margin, centred vertically.
  const RECT r1{3, 3 + h, size.cx - 3, 3 + h + menus->ItemHeight(*Item(1))};
  menus->DrawItem(Item(1), canvasPicture.Canvas(), r1, ODS_CHECKED);
  GdiFlush();
  const auto item = ModelItem(*picture, r1, Item(1)->Caption(), false, false);
  const TMaskRef mark = MaskRef(manager->Tables(), manager->MaskIndexByName("GLOBALINFO", "RADIOCHECKED"));
  ASSERT_TRUE(mark.Valid());
  PaintGlyphMask(item->View(), TPoint{3, (H(r1) - mark.FrameHeight()) / 2}, 0, mark, true);
  EXPECT_EQ(Mismatches(canvasPicture, *item, r1, &why), 0) << why;
  DiscardMenuState();
}

TEST_F(MenuTest, ParentMenuRepaintedUnderItsOpenSubmenuKeepsItsOwnPicture) {
  auto* sub = new TMenuItem(form);
  sub->SetCaption(L"Skins");
  for (const wchar_t* caption : {L"Frost", L"Ember", L"Slate", L"Dusk", L"Mint"}) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    sub->Add(item);
  }
  menu->Items().Insert(0, sub);
  menus->HookPopupMenu(*menu, true);
  auto windows = [] {
    std::vector<HWND> list;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM out) -> BOOL {
          if (WindowClassOf(window) == L"#32768" && IsWindowVisible(window))
            reinterpret_cast<std::vector<HWND>*>(out)->push_back(window);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&list));
    return list;
  };
  auto parentOf = [&](const std::vector<HWND>& list) -> HWND {
    for (HWND w : list)
      if (reinterpret_cast<HMENU>(SendMessageW(w, MN_GETHMENU, 0, 0)) == menu->Handle()) return w;
    return nullptr;
  };
  std::string why;
  bool repainted = false;
  MenuScript script({
      [&](HWND window) {
        PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(window, WM_KEYDOWN, VK_RIGHT, 0);
        return true;
      },
      [&](HWND) {
        // The submenu paints last: its picture is the one kept.
        const std::vector<HWND> list = windows();
        HWND parent = parentOf(list);
        if (list.size() != 2 || !parent) return false;
        HWND submenu = list[0] == parent ? list[1] : list[0];
        RedrawWindow(submenu, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        why = "the submenu's picture is not the one kept";
        return MenuPicture() && MenuPictureWindow() == submenu;
      },
      [&](HWND) {
        // The submenu's picture is the shown one; the parent repaints all the same.
        HWND parent = parentOf(windows());
        if (!parent) return false;
        RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        repainted = true;
        return ItemAsModelled(parent, 3, false, false, &why) && ItemAsModelled(parent, 4, false, false, &why);
      },
  });
  EXPECT_TRUE(script.Run(*menu, 120, 120)) << "step " << script.FailedStep() << ": " << why;
  EXPECT_TRUE(repainted);
}

TEST_F(MenuTest, OpenMenuShowsEveryItemKindFromTheSkinAndTheHotItemFollowsTheKeys) {
  Item(3)->SetEnabled(false);
  std::string why;
  bool hooked = false, region = false;
  MenuScript script({
      [&](HWND window) {
        hooked = TacMainWnd::HandlerOf(window) != nullptr && TacMnuWnd::HandlerList().size() == 1 &&
                 MenuHandlerList() == std::vector<HWND>{window};
        return ItemAsModelled(window, 0, false, false, &why) && ItemAsModelled(window, 2, false, false, &why);
      },
      [&](HWND window) { return ItemAsModelled(window, 3, false, true, &why); },
      [&](HWND window) {
        // The border ring (from the window's edge to the first item) is the picture's, also
        // where the platform draws a frame of its own inside the client area.
        RECT w{};
        GetWindowRect(window, &w);
        const auto picture = ModelPicture(W(w), H(w));
        const auto shot = Shot(window);
        const int ring = ItemRect(window, 0).left;
        const RECT strips[] = {{4, 0, W(w) - 4, ring}, {4, H(w) - ring, W(w) - 4, H(w)}, {0, 4, ring, H(w) - 4},
                               {W(w) - ring, 4, W(w), H(w) - 4}};
        bool same = ring > 0;
        for (const RECT& strip : strips) {
          TBitmap expected(W(strip), H(strip));
          BitBlt(expected.Canvas().Handle(), 0, 0, W(strip), H(strip), picture->Canvas().Handle(), strip.left,
                 strip.top, SRCCOPY);
          GdiFlush();
          same = same && Mismatches(*shot, expected, strip, &why) == 0;
        }
        return same;
      },
      [&](HWND window) {
        // The separator: the divider mask over the picture, from the icon column on.
        RECT w{};
        GetWindowRect(window, &w);
        const auto picture = ModelPicture(W(w), H(w));
        const RECT r = ItemRect(window, 1);
        EXPECT_EQ(manager->SectionIndex("DIVIDERV"), -1);
        const TMaskRef mask = MaskRef(manager->Tables(), manager->MaskIndex(manager->SectionIndex("TRACKBAR"), "TRACKBAR",
                                                                            "SLIDERCHANNEL"));
        TBitmap expected(W(r), H(r));
        BitBlt(expected.Canvas().Handle(), 0, 0, W(r), H(r), picture->Canvas().Handle(), r.left, r.top, SRCCOPY);
        GdiFlush();
        const int left = 3 + 16 + 6 + 2, right = W(r) - (2 * 3 + 6);
        PaintBorderMask(expected.View(), TsRect{left, 0, right, H(r)}, true, true, 0, mask,
                        BgInfo{expected.View(), 0, 0, true});
        return H(r) == 2 && Mismatches(*Shot(window), expected, r, &why) == 0;
      },
      [&](HWND window) {
        // The region leaves out the key pixels of the border's corners, and only those.
        TRegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
        if (GetWindowRgn(window, rgn.Get()) == ERROR) return false;
        RECT w{};
        GetWindowRect(window, &w);
        const TMaskRef border =
            MaskRef(manager->Tables(), manager->MaskIndex(manager->SectionIndex("MAINMENU"), "MAINMENU", "BORDERSMASK"));
        std::vector<TsRect> cuts;
        CornerKeyRuns(cuts, W(w), border, false, 0);
        CornerKeyRuns(cuts, W(w), border, true, H(w) - border.Data->WB);
        region = !cuts.empty() && !PtInRegion(rgn.Get(), 0, 0) && !PtInRegion(rgn.Get(), W(w) - 1, H(w) - 1) &&
                 PtInRegion(rgn.Get(), W(w) / 2, 0) && PtInRegion(rgn.Get(), W(w) / 2, H(w) / 2);
        for (const TsRect& c : cuts) region = region && !PtInRegion(rgn.Get(), c.Left, c.Top);
        PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
        return true;
      },
      [&](HWND window) { return ItemAsModelled(window, 0, true, false, &why); },
      [&](HWND window) {
        PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
        return true;
      },
      [&](HWND window) {
        // Down skips the separator; the first item is normal again.
        return ItemAsModelled(window, 2, true, false, &why) && ItemAsModelled(window, 0, false, false, &why);
      },
  });
  EXPECT_TRUE(script.Run(*menu, 200, 200)) << "step " << script.FailedStep() << ": " << why;
  EXPECT_TRUE(hooked) << "the menu window has its one handler";
  EXPECT_TRUE(region);
  EXPECT_EQ(MenuPicture(), nullptr) << "the menu state goes with its window";
  EXPECT_FALSE(SkinnedMenuOpen());
}

TEST_F(MenuTest, FiftyPopupsLeaveNoMenuWindowHandlerOrHandleBehind) {
  auto popup = [&] {
    MenuScript script({[&](HWND) { return MenuPicture() != nullptr; }});
    return script.Run(*menu, 150, 150);
  };
  ASSERT_TRUE(popup());
  ASSERT_TRUE(WaitUntil([] { return MenuWindowsOfThread() == 0; }));
  const int subclasses = TWindowSubclass::LiveCount(), records = TWindowSubclass::LiveRecordCount();
  const int handlers = TacMainWnd::LiveCount();
  const THandleKind kinds[] = {THandleKind::Brush,  THandleKind::Pen,  THandleKind::Font,   THandleKind::Region,
                               THandleKind::Bitmap, THandleKind::DC,   THandleKind::Window, THandleKind::Hook,
                               THandleKind::Timer,  THandleKind::Icon, THandleKind::Menu};
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(popup()) << "pop-up " << i;
  EXPECT_TRUE(WaitUntil([] { return MenuWindowsOfThread() == 0; }));
  EXPECT_EQ(LiveMenuWindowCount(), 0);
  EXPECT_TRUE(TacMnuWnd::HandlerList().empty());
  EXPECT_TRUE(MenuHandlerList().empty());
  EXPECT_EQ(TWindowSubclass::LiveCount(), subclasses);
  EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records);
  EXPECT_EQ(TacMainWnd::LiveCount(), handlers);
  for (size_t k = 0; k < std::size(kinds); ++k)
    EXPECT_EQ(LiveHandles(kinds[k]), before[k]) << "handle kind " << static_cast<int>(kinds[k]);
}

TEST_F(MenuTest, AFirstItemMadeAgainAtTheOldAddressStartsTheMenuStateAfresh) {
  // The system menu's items are deleted and made again on every pop-up. Here the block
  // stays, as an allocator that hands it out again would; the form frees the last item.
  void* block = ::operator new(sizeof(TMenuItem));
  auto* first = new (block) TMenuItem(form);
  first->SetCaption(L"Restore");
  menu->Items().Insert(0, first);
  DiscardMenuState();
  menus->PrepareMenuPicture(*first, 120, 80, nullptr);
  ASSERT_NE(MenuPicture(), nullptr);
  ASSERT_EQ(MenuPicture()->Width(), 120);
  first->BeforeDestruction();
  first->~TMenuItem();
  auto* again = new (block) TMenuItem(form);
  ASSERT_EQ(static_cast<void*>(again), block);
  again->SetCaption(L"Restore");
  menu->Items().Insert(0, again);
  menus->PrepareMenuPicture(*again, 150, 90, nullptr);
  ASSERT_NE(MenuPicture(), nullptr);
  EXPECT_EQ(MenuPicture()->Width(), 150) << "the new menu was taken for the freed one";
}

TEST_F(MenuTest, ExtraLineWithoutAHandlerShowsTheReminderUpwardsInItsSection) {
  manager->MenuSupport().UseExtraLine = true;
  DiscardMenuState();
  TBitmap target(200, 160);
  int w = 0, h = 0;
  menus->MeasureItem(Item(0), target.Canvas(), w, h);
  menus->DrawItem(Item(0), target.Canvas(), RECT{3, 3, 197, 3 + h}, 0);
  ASSERT_NE(MenuPicture(), nullptr);
  const TBitmap& picture = *MenuPicture();
  const int border = menus->SkinBorderWidth(), width = manager->MenuSupport().ExtraLineWidth;
  const int stripHeight = picture.Height() - 2 * border;
  // The strip is "EXTRALINE" over the menu picture; the text lies inside it, upright
  // letters turned to read upwards, from 12 pixels above its bottom, centred across it.
  const auto model = ModelPicture(picture.Width(), picture.Height());
  TBitmap strip(width, stripHeight);
  const int extra = manager->SectionIndex("EXTRALINE");
  ASSERT_GE(extra, 0);
  PaintSection(extra, "EXTRALINE", BgInfo{model->View(), 0, 0, true},
               manager->TextureIndex(extra, "EXTRALINE", "HOTPATTERN"),
               manager->TextureIndex(extra, "EXTRALINE", "PATTERN"), &manager->Tables(), strip.View(),
               TPoint{border, border}, TsRect{0, 0, width, stripHeight}, 0, true);
  GdiFlush();
  int ink = 0, stray = 0;
  for (int y = 0; y < stripHeight; ++y)
    for (int x = 0; x < width; ++x) {
      if (PixelOf(picture.View(), border + x, border + y) == PixelOf(strip.View(), x, y)) continue;
      ++ink;
      stray += x < 4 || x >= width - 4 || y >= stripHeight - 10;
    }
  EXPECT_GT(ink, 50) << "the reminder text";
  EXPECT_EQ(stray, 0) << "ink outside the text's place";
  // The icon column moves right of the strip.
  EXPECT_EQ(PixelOf(picture.View(), border + width + 2, picture.Height() / 2),
            PixelOf(model->View(), border + 2, picture.Height() / 2));
  manager->MenuSupport().UseExtraLine = false;
  DiscardMenuState();
}

}  // namespace
