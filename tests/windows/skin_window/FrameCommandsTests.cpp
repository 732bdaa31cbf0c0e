// What a skinned frame does for the user besides painting: the system menu (its items after
// the form's borders and window state, the commands they send, how it opens, the skins
// submenu and choosing a skin from it), the application's caption buttons, the caption
// icon, maximising, snapping to the work area, the size grip, moving and sizing by an
// outline, and the hooks through which later pieces of the engine join a frame.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Helpers.h"
#include "ProviderFixture.h"
#include "SkinFixtures.h"
#include "skin/window/acFramePlacement.h"

namespace {

// Runs `Inspect` on the open pop-up menu (its top-level window and menu) from inside the
// menu's modal loop, then closes the menu with `Keys` (Escape when empty).
struct MenuProbe {
  static MenuProbe*& Current() {
    static MenuProbe* current = nullptr;
    return current;
  }
  MenuProbe() { Current() = this; }
  ~MenuProbe() { Current() = nullptr; }
  void Arm() {
    SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR id, DWORD) {
      MenuProbe* self = Current();
      HWND window = FindWindowW(L"#32768", nullptr);
      if (!self || !window || !IsWindowVisible(window)) return;
      KillTimer(nullptr, id);
      ++self->opened;
      GetWindowRect(window, &self->rect);
      self->menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
      if (self->Inspect) self->Inspect(self->menu);
      const std::vector<WPARAM> keys = self->Keys.empty() ? std::vector<WPARAM>{VK_ESCAPE, VK_ESCAPE} : self->Keys;
      for (WPARAM key : keys) PostMessageW(window, WM_KEYDOWN, key, 0);
    });
  }
  std::function<void(HMENU)> Inspect;
  std::vector<WPARAM> Keys;
  int opened = 0;
  RECT rect{};
  HMENU menu = nullptr;
};

std::wstring ItemText(HMENU menu, int index) {
  wchar_t buffer[128] = {};
  GetMenuStringW(menu, static_cast<UINT>(index), buffer, 128, MF_BYPOSITION);
  return buffer;
}

// Visible items of the system menu as "name:state" ('e' enabled, 'd' disabled).
std::string ItemsOf(TsSystemMenu& menu) {
  const std::pair<const char*, TMenuItem*> items[] = {{"Restore", menu.ItemRestore},   {"Move", menu.ItemMove},
                                                      {"Size", menu.ItemSize},         {"Minimize", menu.ItemMinimize},
                                                      {"Maximize", menu.ItemMaximize}, {"Close", menu.ItemClose}};
  std::string text;
  for (const auto& [name, item] : items)
    if (item->Visible()) text += std::string(text.empty() ? "" : " ") + name + ":" + (item->Enabled() ? "e" : "d");
  return text;
}

class FrameCommandsTest : public ProviderTest {
protected:
  LPARAM Screen(POINT p) {
    RECT w{};
    GetWindowRect(form->Handle(), &w);
    return MAKELPARAM(w.left + p.x, w.top + p.y);
  }
  LPARAM Client(POINT p) {
    RECT w{};
    GetWindowRect(form->Handle(), &w);
    POINT s{w.left + p.x, w.top + p.y};
    ScreenToClient(form->Handle(), &s);
    return MAKELPARAM(s.x, s.y);
  }
  static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  RECT WindowRect() {
    RECT r{};
    GetWindowRect(form->Handle(), &r);
    return r;
  }
  static RECT WorkArea() {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
  }
};

TEST_F(FrameCommandsTest, SystemMenuItemsFollowTheBordersAndTheWindowState) {
  struct Case {
    const char* what;
    TBorderStyle style;
    uint32_t icons;
    int show;
    const char* items;
    bool minButton, maxButton;
  } cases[] = {
      {"the main window", bsSingle, biSystemMenu | biMinimize, SW_SHOWNORMAL,
       "Restore:d Move:e Size:d Minimize:e Close:e", true, false},
      {"sizeable", bsSizeable, biSystemMenu | biMinimize | biMaximize, SW_SHOWNORMAL,
       "Restore:d Move:e Size:e Minimize:e Maximize:e Close:e", true, true},
      {"sizeable, maximised", bsSizeable, biSystemMenu | biMinimize | biMaximize, SW_SHOWMAXIMIZED,
       "Restore:e Move:d Size:e Minimize:e Maximize:d Close:e", true, true},
      {"sizeable without minimise", bsSizeable, biSystemMenu, SW_SHOWNORMAL,
       "Restore:d Move:e Size:e Minimize:d Close:e", true, false},
      {"dialog", bsDialog, biSystemMenu, SW_SHOWNORMAL, "Move:e Close:e", false, false},
      {"no system menu", bsSingle, biMinimize, SW_SHOWNORMAL, "Move:e Size:d", false, false},
  };
  delete form;
  for (const Case& c : cases) {
    form = new TForm(Application);
    form->SetBorderStyle(c.style);
    form->SetBorderIcons(c.icons);
    form->SetCaption(L"F");
    form->SetClientSize(320, 160);
    provider = new TsSkinProvider(form);
    ShowActive();
    ShowWindow(form->Handle(), c.show);
    Settle();
    ASSERT_NE(provider->SystemMenu(), nullptr) << c.what;
    provider->SystemMenu()->UpdateItems();
    EXPECT_EQ(ItemsOf(*provider->SystemMenu()), c.items) << c.what;
    // The caption buttons follow the same rules as the items.
    provider->RepaintFrame();
    EXPECT_EQ(provider->Button(HTMINBUTTON).Visible, c.minButton) << c.what;
    EXPECT_EQ(provider->Button(HTMAXBUTTON).Visible, c.maxButton) << c.what;
    if (c.minButton && !(c.icons & biMinimize)) {
      EXPECT_EQ(SendMessageW(form->Handle(), WM_NCHITTEST, 0, Screen(Centre(provider->Button(HTMINBUTTON).Rect))),
                HTCAPTION)
          << c.what << ": a minimise button that cannot minimise";
    }
    delete form;
  }
  form = nullptr;
}

TEST_F(FrameCommandsTest, SystemMenuItemsSendTheirCommands) {
  form->SetBorderStyle(bsSizeable);
  form->SetBorderIcons(biSystemMenu | biMinimize | biMaximize);
  // Under the provider: records the commands and keeps them from the platform.
  class Recorder : public TControlHandler {
  public:
    std::vector<WPARAM> commands;

  protected:
    void HandleMessage(TMessage& message) override {
      if (message.Msg == WM_SYSCOMMAND) {
        commands.push_back(message.WParam & 0xFFF0);
        return;
      }
      CallPrevious(message);
    }
  } recorder;
  recorder.Install(*form);
  ShowWithProvider();
  TsSystemMenu& menu = *provider->SystemMenu();
  menu.UpdateItems();
  for (TMenuItem* item : {menu.ItemMove, menu.ItemSize, menu.ItemMinimize, menu.ItemMaximize, menu.ItemClose})
    item->Click();
  Application->ProcessMessages();
  EXPECT_EQ(recorder.commands, (std::vector<WPARAM>{SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE}));
  recorder.commands.clear();
  ShowWindow(form->Handle(), SW_MAXIMIZE);
  menu.UpdateItems();
  menu.ItemRestore->Click();
  EXPECT_EQ(recorder.commands, (std::vector<WPARAM>{SC_RESTORE}));
  delete provider;
  recorder.Remove();
}

// The menu opens from the keyboard (Alt+Space), from a right click on the caption at the
// pointer and from a press on the caption icon below the icon; its skins submenu lists the
// stored skin and the skin folders, ticks the current one, and choosing another loads it
// and repaints the whole window in it.
TEST_F(FrameCommandsTest, SystemMenuOpensAndItsSkinsSubmenuLoadsTheChosenSkin) {
  std::filesystem::copy(EQUIDIV_EMBER_FOLDER, skins.Path() / "Ember", std::filesystem::copy_options::recursive);
  std::filesystem::create_directory(skins.Path() / "Rock&Roll");
  WriteTextFile(skins.Path() / "Rock&Roll" / "Options.dat", "[GLOBALINFO]\r\nVERSION=1.0\r\n");
  ShowWithProvider();
  HWND window = form->Handle();
  const TFrameGeometry g = provider->Geometry();
  const RECT w = WindowRect();
  MenuProbe probe;
  std::vector<std::wstring> top, skinsListed;
  std::vector<bool> ticked;
  probe.Inspect = [&](HMENU menu) {
    top.clear();
    skinsListed.clear();
    ticked.clear();
    for (int i = 0; i < GetMenuItemCount(menu); ++i) top.push_back(ItemText(menu, i));
    HMENU sub = GetSubMenu(menu, 0);
    for (int i = 0; sub && i < GetMenuItemCount(sub); ++i) {
      skinsListed.push_back(ItemText(sub, i));
      ticked.push_back((GetMenuState(sub, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) != 0);
    }
  };

  // Alt+Space as the keyboard sends it.
  probe.Arm();
  INPUT keys[4] = {};
  const WORD codes[4] = {VK_MENU, VK_SPACE, VK_SPACE, VK_MENU};
  for (int i = 0; i < 4; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = codes[i];
    keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
  }
  ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
  EXPECT_TRUE(WaitUntil([&] { return probe.opened == 1; })) << "Alt+Space opened no menu";
  const RECT icon = provider->IconRect(g);
  EXPECT_EQ(probe.rect.left, w.left + g.BorderWidth);
  EXPECT_EQ(probe.rect.top, w.top + g.BorderHeight + (icon.bottom - icon.top));
  EXPECT_EQ(top, (std::vector<std::wstring>{L"Available skins", L"", L"Restore", L"Move", L"Size", L"Minimize", L"",
                                             L"Close\tAlt+F4"}));
  EXPECT_EQ(skinsListed, (std::vector<std::wstring>{L"Ember", L"Frost", L"Rock&&Roll"}));
  EXPECT_EQ(ticked, (std::vector<bool>{false, true, false}));

  // A right click on the caption: at the pointer.
  probe.Arm();
  const POINT caption{g.Width / 2, g.BandHeight() / 2};
  SendMessageW(window, WM_NCRBUTTONDOWN, HTCAPTION, Screen(caption));
  SendMessageW(window, WM_NCRBUTTONUP, HTCAPTION, Screen(caption));
  EXPECT_EQ(probe.opened, 2);
  EXPECT_EQ(probe.rect.left, w.left + caption.x);
  EXPECT_EQ(probe.rect.top, w.top + caption.y);

  // A press on the icon, then Ember chosen from the submenu with the keyboard.
  probe.Arm();
  probe.Keys = {VK_DOWN, VK_RIGHT, VK_RETURN};
  SendMessageW(window, WM_NCLBUTTONDOWN, HTSYSMENU, Screen(Centre(icon)));
  EXPECT_EQ(probe.opened, 3);
  Settle();
  EXPECT_EQ(manager->SkinName(), L"Ember");
  ASSERT_TRUE(provider->Skinned());
  ExpectFrame(1, "in the chosen skin");

  // The ampersand belongs to the name: it reaches the manager.
  TsSystemMenu& menu = *provider->SystemMenu();
  menu.MakeSkinItems();
  ASSERT_NE(menu.SkinSelectItem(), nullptr);
  menu.SkinSelectItem()->Items(2)->Click();
  EXPECT_EQ(manager->SkinName(), L"Rock&Roll");
}

TEST_F(FrameCommandsTest, SkinsSubmenuBreaksIntoColumnsOfTwentyAndOnlyWhereWanted) {
  for (int i = 0; i < 44; ++i) {
    const auto folder = skins.Path() / ("Skin" + std::to_string(100 + i));
    std::filesystem::create_directory(folder);
    WriteTextFile(folder / "Options.dat", "[GLOBALINFO]\r\nVERSION=1.0\r\n");
  }
  ShowWithProvider();
  TsSystemMenu& menu = *provider->SystemMenu();
  menu.MakeSkinItems();
  menu.MakeSkinItems();  // rebuilt, not added twice
  TMenuItem* select = menu.SkinSelectItem();
  ASSERT_NE(select, nullptr);
  ASSERT_EQ(select->Count(), 45);
  EXPECT_EQ(menu.Items().Count(), 9);
  std::vector<int> breaks;
  for (int i = 0; i < select->Count(); ++i)
    if (select->Items(i)->Break() == mbBreak) breaks.push_back(i);
  EXPECT_EQ(breaks, (std::vector<int>{20, 40}));

  provider->SetMakeSkinMenu(false);
  menu.MakeSkinItems();
  EXPECT_EQ(menu.SkinSelectItem(), nullptr);
  EXPECT_EQ(menu.Items().Count(), 7);
}

TEST_F(FrameCommandsTest, ApplicationCaptionButtons) {
  std::vector<std::string> events;
  auto add = [&](int glyphWidth, TColor ink, bool enabled) {
    TsTitleButton& item = provider->TitleButtons().Add();
    item.Enabled = enabled;
    item.Glyph.SetSize(glyphWidth, 8);
    item.Glyph.Canvas().Brush().SetColor(ink);
    item.Glyph.Canvas().FillRect(RECT{0, 0, glyphWidth, 8});
    // The bottom-left pixel's colour is left out wherever it is.
    item.Glyph.Canvas().Brush().SetColor(clLime);
    item.Glyph.Canvas().FillRect(RECT{0, 7, 2, 8});
    item.OnMouseDown = [&events](TComponent* sender, TMouseButton, TShiftState, int, int) {
      events.push_back("down " + std::to_string(static_cast<TsTitleButton*>(sender)->Index()));
    };
    item.OnMouseUp = [&events](TComponent* sender, TMouseButton, TShiftState, int, int) {
      events.push_back("up " + std::to_string(static_cast<TsTitleButton*>(sender)->Index()));
    };
  };
  provider = new TsSkinProvider(form);
  add(30, clRed, true);
  add(8, clBlue, false);
  ShowActive();
  provider->RepaintFrame();
  const TCaptionButton& wide = provider->Button(kFirstTitleButton);
  const TCaptionButton& narrow = provider->Button(kFirstTitleButton + 1);
  const TCaptionButton& min = provider->Button(HTMINBUTTON);
  const int space = manager->GlobalInfo().BISpacing;
  // No TITLEBUTTON in the skin: 21 wide at least, else the glyph and a pixel each side.
  EXPECT_EQ(wide.Rect.right - wide.Rect.left, 32);
  EXPECT_EQ(narrow.Rect.right - narrow.Rect.left, 21);
  EXPECT_EQ(wide.Rect.right, min.Rect.left - space);
  EXPECT_EQ(narrow.Rect.right, wide.Rect.left - space);
  EXPECT_EQ(provider->CaptionTextRect(provider->Geometry()).right, provider->Geometry().Width - provider->ButtonsWidth() - 6);

  HWND window = form->Handle();
  EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, Screen(Centre(wide.Rect))), kFirstTitleButton);
  EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, Screen(Centre(narrow.Rect))), HTCAPTION) << "disabled";
  const auto shot = OnScreen();
  const POINT c = Centre(wide.Rect);
  EXPECT_EQ(PixelOf(shot->View(), c.x, c.y), 0xFF0000u) << "the glyph is drawn centred";
  // The glyph's bottom-left pixels have the left-out colour: not drawn.
  const int gx = wide.Rect.left + (32 - 30) / 2, gy = wide.Rect.top + (wide.Rect.bottom - wide.Rect.top - 8) / 2 + 7;
  EXPECT_NE(PixelOf(shot->View(), gx, gy), 0x00FF00u);

  SendMessageW(window, WM_NCLBUTTONDOWN, kFirstTitleButton, Screen(c));
  EXPECT_EQ(wide.State, 2);
  SendMessageW(window, WM_LBUTTONUP, 0, Client(c));
  SendMessageW(window, WM_NCLBUTTONDOWN, kFirstTitleButton + 1, Screen(Centre(narrow.Rect)));
  SendMessageW(window, WM_LBUTTONUP, 0, Client(Centre(narrow.Rect)));
  SendMessageW(window, WM_NCLBUTTONDOWN, kFirstTitleButton, Screen(c));
  SendMessageW(window, WM_LBUTTONUP, 0, Client(POINT{provider->Geometry().Width / 2, 60}));
  EXPECT_EQ(events, (std::vector<std::string>{"down 0", "up 0", "down 0"})) << "disabled or released off: no event";
}

TEST_F(FrameCommandsTest, CaptionIconFallsBackToTheShellIconAndTheTitleGlyphReplacesIt) {
  ShowWithProvider();
  const TFrameGeometry g = provider->Geometry();
  const RECT icon = provider->IconRect(g);
  ASSERT_EQ(icon.right - icon.left, TsSkinProvider::IconSizeFor(g.CaptionHeight));
  ASSERT_TRUE(form->Icon().Empty() && Application->Icon().Empty()) << "the fallback is not reached";
  // The executable's small shell icon over the bare caption band.
  const auto expected = Render(1);
  const int side = g.CaptionHeight - icon.top;
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  SHFILEINFOW info{};
  ASSERT_NE(SHGetFileInfoW(path, 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON), 0u);
  TBitmap band(g.Width, g.BandHeight());
  for (int y = 0; y < g.BandHeight(); ++y)
    std::memcpy(band.View().Row(y), expected->View().Row(y), static_cast<size_t>(g.Width) * 3);
  DrawIconEx(band.Canvas().Handle(), icon.left, icon.top, info.hIcon, side, side, 0, nullptr, DI_NORMAL);
  DestroyIcon(info.hIcon);
  GdiFlush();
  auto iconDifferences = [&](const TSurfaceView& want) {
    const auto shot = OnScreen();
    int differ = 0;
    for (int y = icon.top; y < icon.bottom; ++y)
      for (int x = icon.left; x < icon.right; ++x) differ += PixelOf(shot->View(), x, y) != PixelOf(want, x, y);
    return differ;
  };
  EXPECT_EQ(iconDifferences(band.View()), 0);
  int drawn = 0;
  for (int y = icon.top; y < icon.bottom; ++y)
    for (int x = icon.left; x < icon.right; ++x) drawn += PixelOf(band.View(), x, y) != PixelOf(expected->View(), x, y);
  EXPECT_GT(drawn, 20) << "the shell icon drew nothing: the test proves nothing";

  // A red title glyph with a key-coloured left half: red on the right, the band on the left.
  TBitmap& glyph = provider->TitleIcon().Glyph;
  glyph.SetSize(16, 16);
  glyph.Canvas().Brush().SetColor(clRed);
  glyph.Canvas().FillRect(RECT{0, 0, 16, 16});
  glyph.Canvas().Brush().SetColor(clFuchsia);
  glyph.Canvas().FillRect(RECT{0, 0, 8, 16});
  provider->RepaintFrame();
  const auto shot = OnScreen();
  const int s = TsSkinProvider::IconSizeFor(g.HeaderHeight() - 2);
  EXPECT_EQ(PixelOf(shot->View(), icon.left + s - 1, icon.top + s / 2), 0xFF0000u);
  EXPECT_EQ(PixelOf(shot->View(), icon.left, icon.top + s / 2), PixelOf(expected->View(), icon.left, icon.top + s / 2));
}

TEST_F(FrameCommandsTest, MaximisedWindowLeavesTheTaskbarVisible) {
  form->SetBorderStyle(bsSizeable);
  form->SetBorderIcons(biSystemMenu | biMinimize | biMaximize);
  ShowWithProvider();
  const int border = provider->Geometry().BorderWidth;
  ASSERT_GT(border, 0);
  ShowWindow(form->Handle(), SW_MAXIMIZE);
  Settle();
  const RECT work = WorkArea(), r = WindowRect();
  EXPECT_EQ(r.left, work.left - border);
  EXPECT_EQ(r.top, work.top - border);
  EXPECT_EQ(r.right, work.right + border);
  EXPECT_EQ(r.bottom, work.bottom + border);
  // Its edges let the pointer through to what lies under them; inside them the frame answers.
  const int width = r.right - r.left, height = r.bottom - r.top;
  for (POINT edge : {POINT{0, height / 2}, POINT{width - 4, height / 2}, POINT{width / 2, height - 1}})
    EXPECT_EQ(SendMessageW(form->Handle(), WM_NCHITTEST, 0, Screen(edge)), HTTRANSPARENT) << edge.x << ", " << edge.y;
  EXPECT_EQ(SendMessageW(form->Handle(), WM_NCHITTEST, 0, Screen(POINT{width / 2, border + 5})), HTCAPTION);
  ShowWindow(form->Handle(), SW_RESTORE);
}

// The maximise button and a double click on the caption maximise and restore a sizeable
// form; on the main window, which cannot be maximised, a double click does nothing and
// never reaches the platform.
TEST_F(FrameCommandsTest, MaximiseButtonAndCaptionDoubleClick) {
  class Recorder : public TControlHandler {
  public:
    int doubleClicks = 0;

  protected:
    void HandleMessage(TMessage& message) override {
      doubleClicks += message.Msg == WM_NCLBUTTONDBLCLK;
      CallPrevious(message);
    }
  } recorder;
  recorder.Install(*form);
  ShowWithProvider();
  HWND window = form->Handle();
  const POINT caption{provider->Geometry().Width / 2, provider->Geometry().BandHeight() / 2};
  SendMessageW(window, WM_NCLBUTTONDBLCLK, HTCAPTION, Screen(caption));
  Application->ProcessMessages();
  EXPECT_FALSE(IsZoomed(window));
  EXPECT_EQ(recorder.doubleClicks, 0) << "the platform saw the double click";
  delete provider;
  recorder.Remove();

  form->SetBorderStyle(bsSizeable);
  form->SetBorderIcons(biSystemMenu | biMinimize | biMaximize);
  ShowWithProvider();
  window = form->Handle();
  auto clickMax = [&] {
    provider->RepaintFrame();
    const POINT max = Centre(provider->Button(HTMAXBUTTON).Rect);
    SendMessageW(window, WM_NCLBUTTONDOWN, HTMAXBUTTON, Screen(max));
    SendMessageW(window, WM_LBUTTONUP, 0, Client(max));
  };
  clickMax();
  EXPECT_TRUE(WaitUntil([&] { return IsZoomed(window) != FALSE; })) << "the maximise button";
  EXPECT_TRUE(provider->SystemMenu()->ItemRestore->Enabled());
  clickMax();
  EXPECT_TRUE(WaitUntil([&] { return !IsZoomed(window); })) << "the same button restores";
  SendMessageW(window, WM_NCLBUTTONDBLCLK, HTCAPTION, Screen(POINT{provider->Geometry().Width / 2, 8}));
  EXPECT_TRUE(WaitUntil([&] { return IsZoomed(window) != FALSE; })) << "a double click on the caption";
  SendMessageW(window, WM_NCLBUTTONDBLCLK, HTCAPTION, Screen(POINT{provider->Geometry().Width / 2, 8}));
  EXPECT_TRUE(WaitUntil([&] { return !IsZoomed(window); })) << "a double click on the caption restores";
}

TEST_F(FrameCommandsTest, ScreenSnapPlacesTheWindowFlushWithNearWorkAreaEdges) {
  ShowWithProvider();
  provider->SetScreenSnap(true);
  const RECT work = WorkArea();
  const RECT start = WindowRect();
  const int width = start.right - start.left, height = start.bottom - start.top;
  struct Case {
    const char* what;
    POINT to, expected;
  } cases[] = {
      {"9 from the right", {work.right - width - 9, 100}, {work.right - width, 100}},
      {"10 from the right", {work.right - width - 10, 100}, {work.right - width - 10, 100}},
      {"9 from the bottom", {100, work.bottom - height + 9}, {100, work.bottom - height}},
      {"5 from the left", {work.left + 5, 100}, {work.left, 100}},
      {"exactly (0, 0)", {0, 0}, {0, 0}},
      {"far from every edge", {120, 110}, {120, 110}},
  };
  for (const Case& c : cases) {
    SetWindowPos(form->Handle(), nullptr, c.to.x, c.to.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT r = WindowRect();
    EXPECT_EQ(r.left, c.expected.x) << c.what;
    EXPECT_EQ(r.top, c.expected.y) << c.what;
    EXPECT_EQ(r.right - r.left, width) << c.what;
  }
  provider->SetScreenSnap(false);
  SetWindowPos(form->Handle(), nullptr, work.right - width - 3, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(WindowRect().left, work.right - width - 3) << "snapping off";
}

// The maximised place and snapping from the monitor's rectangle and its work area alone:
// taskbars on any side, monitors left of and above the primary one (negative coordinates).
TEST(FramePlacement, MaximisedPlaceAndSnappingFollowTheWindowsMonitor) {
  const TMonitorAreas bottomBar{{0, 0, 1024, 768}, {0, 0, 1024, 728}};
  const TMonitorAreas leftBar{{0, 0, 1024, 768}, {60, 0, 1024, 768}};
  const TMonitorAreas leftOfPrimary{{-1280, 0, 0, 1024}, {-1280, 0, 0, 984}};
  const TMonitorAreas abovePrimaryTopBar{{0, -1024, 1280, 0}, {0, -984, 1280, 0}};
  struct MaxCase {
    const char* what;
    TMonitorAreas areas;
    POINT position, size;
  } maxCases[] = {
      {"taskbar at the bottom", bottomBar, {-4, -4}, {1032, 736}},
      {"taskbar on the left", leftBar, {56, -4}, {972, 776}},
      {"monitor left of the primary", leftOfPrimary, {-4, -4}, {1288, 992}},
      {"monitor above, taskbar at its top", abovePrimaryTopBar, {-4, 36}, {1288, 992}},
  };
  for (const MaxCase& c : maxCases) {
    const TMaximizedPlacement p = MaximizedPlacement(c.areas, 4);
    EXPECT_EQ(p.Position.x, c.position.x) << c.what;
    EXPECT_EQ(p.Position.y, c.position.y) << c.what;
    EXPECT_EQ(p.Size.x, c.size.x) << c.what;
    EXPECT_EQ(p.Size.y, c.size.y) << c.what;
  }
  const SIZE size{300, 200};
  struct SnapCase {
    const char* what;
    TMonitorAreas areas;
    POINT proposed, expected;
  } snapCases[] = {
      {"5 from a left taskbar", leftBar, {65, 100}, {60, 100}},
      {"10 from a left taskbar", leftBar, {70, 100}, {70, 100}},
      {"5 from the left of a monitor left of the primary", leftOfPrimary, {-1275, 300}, {-1280, 300}},
      {"5 from its right edge", leftOfPrimary, {-305, 300}, {-300, 300}},
      {"4 from its taskbar", leftOfPrimary, {-900, 780}, {-900, 784}},
      {"4 from the top of a monitor above", abovePrimaryTopBar, {100, -980}, {100, -984}},
      {"9 from the bottom of a monitor above", abovePrimaryTopBar, {100, -209}, {100, -200}},
      {"exactly (0, 0)", leftBar, {0, 0}, {0, 0}},
      {"far from every edge", leftOfPrimary, {-900, 400}, {-900, 400}},
  };
  for (const SnapCase& c : snapCases) {
    const POINT p = SnappedPosition(c.proposed, size, c.areas, 10);
    EXPECT_EQ(p.x, c.expected.x) << c.what;
    EXPECT_EQ(p.y, c.expected.y) << c.what;
  }
}

// A form on another monitor than the primary one is maximised and snapped on its own
// monitor's work area (the areas given as data; this machine has one monitor).
TEST_F(FrameCommandsTest, MaximisingAndSnappingUseTheWindowsOwnMonitor) {
  form->SetBorderStyle(bsSizeable);
  form->SetBorderIcons(biSystemMenu | biMinimize | biMaximize);
  ShowWithProvider();
  const TMonitorAreas second{{-1280, 0, 0, 1024}, {-1220, 0, 0, 1024}};  // taskbar on its left
  const auto saved = MonitorAreasSource();
  MonitorAreasSource() = [&](HWND) { return second; };
  const int border = provider->Geometry().BorderWidth;
  MINMAXINFO info{};
  SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMaxPosition.x, 60 - border);
  EXPECT_EQ(info.ptMaxPosition.y, -border);
  EXPECT_EQ(info.ptMaxTrackSize.x, 1220 + 2 * border);
  EXPECT_EQ(info.ptMaxTrackSize.y, 1024 + 2 * border);
  provider->SetScreenSnap(true);
  SetWindowPos(form->Handle(), nullptr, -1215, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(WindowRect().left, -1220) << "not flush with the taskbar of its monitor";
  MonitorAreasSource() = saved;
}

TEST_F(FrameCommandsTest, SizeGripIsDrawnAndSizesTheWindow) {
  ShowWithProvider();
  const TFrameGeometry g = provider->Geometry();
  const auto bare = OnScreen();
  provider->SetGripMode(gmRightBottom);
  Settle();
  POINT origin{};
  ASSERT_TRUE(provider->GripOrigin(g, origin)) << "the skin has no GRIPIMAGE";
  EXPECT_EQ(SendMessageW(form->Handle(), WM_NCHITTEST, 0, Screen(POINT{g.Width - g.BorderWidth - 2, g.Height - g.BorderHeight - 2})),
            HTBOTTOMRIGHT);
  EXPECT_EQ(SendMessageW(form->Handle(), WM_NCHITTEST, 0, Screen(POINT{origin.x, origin.y})), HTCLIENT)
      << "the grip's top-left corner itself is outside";
  const auto shot = OnScreen();
  int changed = 0;
  for (int y = origin.y; y < g.Height - g.BorderHeight; ++y)
    for (int x = origin.x; x < g.Width - g.BorderWidth; ++x) changed += PixelOf(shot->View(), x, y) != PixelOf(bare->View(), x, y);
  EXPECT_GT(changed, 0) << "no grip on the screen";
}

TEST_F(FrameCommandsTest, OutlineModeMovesAndSizesOnRelease) {
  form->SetBorderStyle(bsSizeable);
  form->Constraints().MinWidth = 150;
  ShowWithProvider();
  provider->SetResizeMode(rmBorder);
  HWND window = form->Handle();
  struct Case {
    const char* what;
    int code;
    POINT delta;
    int dx, dy, dw, dh;  // expected change of left, top, width, height
  } cases[] = {
      {"caption", HTCAPTION, {30, 20}, 30, 20, 0, 0},
      {"right edge", HTRIGHT, {40, 0}, 0, 0, 40, 0},
      {"bottom-left corner", HTBOTTOMLEFT, {-25, 15}, -25, 0, 25, 15},
      {"left edge past the minimum", HTLEFT, {1000, 0}, 0, 0, 0, 0},  // filled in below
  };
  for (Case& c : cases) {
    const RECT before = WindowRect();
    if (c.code == HTLEFT) {
      c.dw = 150 - (before.right - before.left);
      c.dx = -c.dw;
    }
    const POINT press{before.left + 60, before.top + 8};
    SendMessageW(window, WM_NCLBUTTONDOWN, c.code, MAKELPARAM(press.x, press.y));
    EXPECT_EQ(GetCapture(), window) << c.what;
    POINT to{press.x + c.delta.x, press.y + c.delta.y};
    ScreenToClient(window, &to);
    SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    EXPECT_EQ(WindowRect().left, before.left) << c.what << ": only the outline moves meanwhile";
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    const RECT after = WindowRect();
    EXPECT_EQ(after.left - before.left, c.dx) << c.what;
    EXPECT_EQ(after.top - before.top, c.dy) << c.what;
    EXPECT_EQ((after.right - after.left) - (before.right - before.left), c.dw) << c.what;
    EXPECT_EQ((after.bottom - after.top) - (before.bottom - before.top), c.dh) << c.what;
    EXPECT_NE(GetCapture(), window) << c.what;
  }
  // The capture taken away: the outline goes and the window stays.
  const RECT before = WindowRect();
  SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(before.left + 60, before.top + 8));
  ReleaseCapture();
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(200, 100));
  const RECT after = WindowRect();
  EXPECT_TRUE(EqualRect(&before, &after));
}

// The outline holds the desktop's DC while it is shown (an owned handle, counted), and lets
// it and the pointer go when the form's window goes: the window made again knows nothing
// of the old outline, and a release over it moves nothing.
TEST_F(FrameCommandsTest, OutlineEndsWhenTheWindowGoes) {
  form->SetBorderStyle(bsSizeable);
  form->SetBorderIcons(biSystemMenu | biMinimize | biMaximize);
  ShowWithProvider();
  provider->SetResizeMode(rmBorder);
  const int dcs = LiveHandles(THandleKind::DC);
  HWND window = form->Handle();
  const RECT before = WindowRect();
  SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(before.left + 60, before.top + 8));
  ASSERT_EQ(GetCapture(), window);
  EXPECT_EQ(LiveHandles(THandleKind::DC), dcs + 1) << "the desktop DC is not owned";
  POINT to{before.left + 90, before.top + 28};
  ScreenToClient(window, &to);
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
  form->SetBorderIcons(biSystemMenu | biMinimize);  // the window is made anew
  Settle();
  HWND again = form->Handle();
  EXPECT_EQ(LiveHandles(THandleKind::DC), dcs) << "the desktop DC outlived the window";
  EXPECT_NE(GetCapture(), again);
  const RECT placed = WindowRect();
  SendMessageW(again, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  const RECT after = WindowRect();
  EXPECT_TRUE(EqualRect(&placed, &after)) << "a release applied the old outline: moved by "
                                          << after.left - placed.left << ", " << after.top - placed.top;
}

TEST_F(FrameCommandsTest, LaterPiecesJoinThroughTheFrameHooks) {
  struct Calls {
    std::vector<bool> scrollBars, menus;
    int popups = 0;
  } calls;
  FrameHooks().ScrollBars = [&](TsSkinProvider&, bool on) { calls.scrollBars.push_back(on); };
  FrameHooks().Menus = [&](TsSkinProvider&, bool on) { calls.menus.push_back(on); };
  int drawn = 0;
  FrameHooks().PopupMenu = [&](TsSkinProvider&, TPopupMenu& menu) {
    ++calls.popups;
    EXPECT_NE(dynamic_cast<TsSystemMenu*>(&menu), nullptr);
    // A menu skinning draws the items itself: their requests reach it through the form.
    menu.SetOwnerDraw(true);
    for (int i = 0; i < menu.Items().Count(); ++i)
      menu.Items().Items(i)->OnAdvancedDrawItem = [&](TMenuItem*, TCanvas&, RECT, UINT) { ++drawn; };
  };
  ShowWithProvider();
  ASSERT_FALSE(calls.scrollBars.empty());
  EXPECT_TRUE(calls.scrollBars.back());
  ASSERT_FALSE(calls.menus.empty());
  EXPECT_TRUE(calls.menus.back());

  manager->SetSkinnedPopups(true);
  MenuProbe probe;
  probe.Arm();
  provider->PopupSystemMenu(100, 100);
  EXPECT_EQ(calls.popups, 1);
  EXPECT_GE(drawn, 6) << "the owner-drawn items were not drawn by the menu";
  provider->SystemMenu()->SetOwnerDraw(false);
  manager->SetSkinnedPopups(false);
  probe.Arm();
  provider->PopupSystemMenu(100, 100);
  EXPECT_EQ(calls.popups, 1) << "only while the manager skins pop-up menus";

  manager->SetActive(false);
  EXPECT_FALSE(calls.scrollBars.back());
  EXPECT_FALSE(calls.menus.back());
  FrameHooks() = TsFrameHooks{};
}

}  // namespace
