// The skinned page control on a real form with the built-in skin: tab geometry, the page
// area and the tabs against the painting core for every tab position and style, hot tabs,
// the skinned tab scroller, a hostile tab section, redraw switched off freezing the
// sheets, no leaks over many page changes, and the close buttons of an unskinned control.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "Helpers.h"
#include "SkinFixtures.h"
#include "framework/Handles.h"
#include "framework/SysUtils.h"
#include "skin/controls/sPageControl.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sSkinCommands.h"
#include "skin/controls/sUpDown.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"

namespace {

// A 24-bit pixel as a colour (no bounds check).
TColor ReadPixel(const TSurfaceView& view, int x, int y) {
  const uint8_t* p = view.Pixel(x, y);
  return static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16));
}

// While it lives, the errors that window procedures catch and hand to the application are
// counted here instead of being shown in an error box.
class ReportedErrors {
public:
  ReportedErrors() : previous_(Application->OnException) {
    Application->OnException = [this](TComponent*, const String& text) {
      ++count_;
      last_ = text;
    };
  }
  ~ReportedErrors() { Application->OnException = previous_; }
  ReportedErrors(const ReportedErrors&) = delete;
  ReportedErrors& operator=(const ReportedErrors&) = delete;
  int Count() const { return count_; }
  std::string Last() const { return StringToUtf8(last_); }

private:
  decltype(Application->OnException) previous_;
  int count_ = 0;
  String last_;
};

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(TabGeometry, SkinRectanglesPerPositionAndLook) {
  const RECT p{10, 20, 60, 40};
  struct Case {
    TTabPosition position;
    bool active;
    RECT expected;
  };
  const Case cases[] = {
      {tpTop, true, {8, 18, 62, 42}},    {tpTop, false, {10, 20, 59, 44}},
      {tpBottom, true, {8, 17, 62, 41}}, {tpBottom, false, {10, 18, 59, 40}},
      {tpLeft, true, {9, 18, 63, 41}},   {tpLeft, false, {10, 19, 63, 40}},
      {tpRight, true, {7, 18, 61, 42}},  {tpRight, false, {8, 19, 59, 40}},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(SameRect(SkinTabRectFor(p, c.position, tsTabs, c.active), c.expected))
        << "position " << c.position << " active " << c.active;
    // Buttons keep the platform's rectangle; so does an empty one.
    EXPECT_TRUE(SameRect(SkinTabRectFor(p, c.position, tsButtons, c.active), p));
    EXPECT_TRUE(SameRect(SkinTabRectFor(p, c.position, tsFlatButtons, c.active), p));
    EXPECT_TRUE(SameRect(SkinTabRectFor(RECT{5, 5, 5, 30}, c.position, tsTabs, c.active), RECT{5, 5, 5, 30}));
  }
}

TEST(TabGeometry, RowsAndTabsWithoutSize) {
  const RECT band{0, 0, 300, 60};
  struct Case {
    RECT tab;
    TTabPosition position;
    int rows;
    int expected;
  };
  const Case cases[] = {
      {{0, 2, 50, 22}, tpTop, 1, 1},          // fewer than two rows
      {{0, 2, 50, 22}, tpTop, 2, (22 + 10) / 20},
      {{0, 22, 50, 42}, tpTop, 2, (42 + 10) / 20},
      {{2, 0, 22, 40}, tpLeft, 3, (22 + 10) / 20},
      {{40, 0, 60, 40}, tpRight, 3, 3 - (60 + 10 - 0) / 20 + 1},
      {{0, 40, 50, 60}, tpBottom, 2, 2 - (60 + 10 - 0) / 20 + 1},
      {{0, 2, 50, 2}, tpTop, 2, 1},           // no height: no division
      {{7, 0, 7, 40}, tpLeft, 2, 1},          // no width
      {{9, 0, 9, 40}, tpRight, 2, 1},
      {{0, 30, 50, 30}, tpBottom, 2, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TabRowFor(c.tab, c.position, c.rows, band), c.expected)
        << "tab " << c.tab.left << "," << c.tab.top << "," << c.tab.right << "," << c.tab.bottom;
}

class PageControlTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    ASSERT_EQ(DefaultManager(), nullptr) << "a manager of another test is still alive";
    manager = std::make_unique<TsSkinManager>(nullptr);
    manager->SetSkinDirectory(skins.Resolved());
    TsStoredSkins stored;
    stored.Add(PackagedSkin(L"Frost"));
    manager->SetInternalSkins(stored);
    manager->SetSkinName(L"Frost");
    ASSERT_TRUE(manager->SkinActive());
    form = new TForm(Application);
    form->SetBorderStyle(bsSingle);
    form->SetClientSize(320, 200);
    form->SetPosition(poScreenCenter);
    pages = new TsPageControl(form);
    pages->SetParent(form);
    pages->SetBounds(10, 10, 300, 180);
    for (TsTabSheet*& sheet : sheets) {
      sheet = new TsTabSheet(form);
      sheet->SetPageControl(pages);
    }
    pages->SkinData().SetSkinSection("PAGECONTROL");
    pages->SetActivePage(sheets[0]);
    form->Show();
    ASSERT_TRUE(WaitUntil([&] { return GetActiveWindow() == form->Handle(); }));
    Settle();
  }
  void TearDown() override {
    delete form;
    manager.reset();
  }
  void Settle() {
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Application->ProcessMessages();
  }
  // Paints `window` now, once, without running the message loop (which would spin on a
  // paint request that is never answered); true when nothing is left to paint.
  static bool PaintRequestsAnswered(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return IsWindow(window) && !GetUpdateRect(window, nullptr, FALSE);
  }
  TColor FormColor() const { return static_cast<TColor>(ColorToRGB(form->Color())); }
  TPaintItemSource Item(const char* section) {
    TPaintItemSource item;
    item.Skin = &manager->Tables();
    item.SkinIndex = manager->SectionIndex(section);
    item.SkinSection = section;
    item.BorderIndex = manager->MaskIndex(item.SkinIndex, section, "BORDERSMASK");
    item.HasParent = true;
    item.ParentColor = FormColor();
    return item;
  }
  // What the control shows: its WM_PRINT picture.
  std::unique_ptr<TBitmap> Printed() {
    auto picture = std::make_unique<TBitmap>(pages->Width(), pages->Height());
    SendMessageW(pages->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(picture->Canvas().Handle()),
                 PRF_CLIENT | PRF_NONCLIENT);
    GdiFlush();
    return picture;
  }
  // Pixels of `actual` in `area` (control coordinates) that differ from `expected`,
  // whose (0, 0) lies at `origin` (the area's top-left unless given).
  static int Differences(const TSurfaceView& actual, const RECT& area, const TSurfaceView& expected,
                         POINT origin = POINT{-1, -1}) {
    if (origin.x < 0) origin = POINT{area.left, area.top};
    int bad = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (ReadPixel(actual, x, y) != ReadPixel(expected, x - origin.x, y - origin.y)) ++bad;
    return bad;
  }
  void Click(POINT p) {
    SendMessageW(pages->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageW(pages->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  }
  // `count` more pages with captions long enough that one row cannot hold them all.
  std::vector<TsTabSheet*> AddSheets(int count) {
    std::vector<TsTabSheet*> added;
    for (int i = 0; i < count; ++i) {
      auto* sheet = new TsTabSheet(form);
      sheet->SetCaption(L"Another page " + std::to_wstring(i));
      sheet->SetPageControl(pages);
      added.push_back(sheet);
    }
    Settle();
    return added;
  }
  POINT CentreOfTab(int page) {
    const RECT r = pages->PlatformTabRect(page);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
  TForm* form = nullptr;
  TsPageControl* pages = nullptr;
  TsTabSheet* sheets[2] = {};
};

TEST_F(PageControlTest, ActiveTabIsLargerAndNormalTabsReachIntoThePageArea) {
  const RECT platform = pages->PlatformTabRect(0);
  const RECT active = pages->SkinTabRect(0, true);
  ASSERT_FALSE(IsRectEmpty(&platform));
  EXPECT_EQ(platform.left - active.left, 2);
  EXPECT_EQ(platform.top - active.top, 2);
  EXPECT_EQ(active.right - platform.right, 2);
  const RECT normal = pages->SkinTabRect(1, false);
  const RECT area = pages->PageArea();
  const RECT display = pages->DisplayRect();
  EXPECT_EQ(area.top, display.top - 4);
  EXPECT_GT(normal.bottom, area.top) << "a normal tab reaches into the page area";
  // Outside the pages, or without an active page: empty.
  EXPECT_TRUE(SameRect(pages->SkinTabRect(2, false), RECT{0, 0, 0, 0}));
  EXPECT_TRUE(SameRect(pages->SkinTabRect(-1, true), RECT{0, 0, 0, 0}));
  // The tab under a point is found with the normal look.
  EXPECT_EQ(pages->TabAtPoint(CentreOfTab(1)), 1);
  EXPECT_EQ(pages->TabAtPoint(POINT{normal.left, normal.bottom - 1}), 1);
  EXPECT_EQ(pages->TabAtPoint(POINT{pages->Width() - 2, 2}), -1);
}

TEST_F(PageControlTest, PageAreaAndTabsAreThePaintingCoresPictures) {
  TBitmap* cache = pages->SkinData().Cache();
  ASSERT_TRUE(cache && !cache->Empty());
  ASSERT_GE(manager->SectionIndex("TABTOP"), 1);
  const TSurfaceView view = cache->View();

  // The page area: "PAGECONTROL" over the form's colour, normal tabs painted over.
  const RECT area = pages->PageArea();
  auto page = NewSurface(area.right - area.left, area.bottom - area.top, 24);
  PaintItem(Item("PAGECONTROL"), BgInfo{}, true, true, page->View(), TPoint{pages->Left() + area.left, pages->Top() + area.top},
            TsRect{0, 0, page->Width(), page->Height()}, 0);
  EXPECT_EQ(Differences(view, area, page->View()), 0);

  // The band: the form's colour, and the normal tab "TABTOP" state 0 over it (no caption).
  const RECT band = pages->TabBand();
  auto backdrop = NewSurface(pages->Width(), pages->Height(), 24);
  FillRectColor(backdrop->View(), TsRect{0, 0, pages->Width(), pages->Height()}, FormColor());
  const RECT normal = pages->SkinTabRect(1, false);
  auto tab = NewSurface(normal.right - normal.left, normal.bottom - normal.top, 24);
  PaintItem(Item("TABTOP"), BgInfo{backdrop->View(), 0, 0, true}, true, true, tab->View(), TPoint{normal.left, normal.top},
            TsRect{0, 0, tab->Width(), tab->Height()}, 0);
  const RECT inBand{normal.left, normal.top, normal.right, std::min(normal.bottom, area.top)};
  EXPECT_EQ(Differences(view, inBand, tab->View()), 0);
  EXPECT_EQ(ReadPixel(view, band.right - 1, band.top), FormColor()) << "the band shows the parent";

  // On screen the active tab, state 2 over the parent, covers the page frame below it.
  const RECT active = pages->SkinTabRect(0, true);
  auto activeTab = NewSurface(active.right - active.left, active.bottom - active.top, 24);
  FillRectColor(activeTab->View(), TsRect{0, 0, activeTab->Width(), activeTab->Height()}, FormColor());
  PaintItem(Item("TABTOP"), BgInfo{activeTab->View(), 0, 0, true}, true, true, activeTab->View(), TPoint{0, 0},
            TsRect{0, 0, activeTab->Width(), activeTab->Height()}, 2);
  auto printed = Printed();
  EXPECT_EQ(Differences(printed->View(), active, activeTab->View()), 0);
  EXPECT_GT(active.bottom, area.top);
}

TEST_F(PageControlTest, HotTabsFollowThePointerOnlyWhereTheyApply) {
  struct Case {
    bool hotTrack;
    TTabStyle style;
    int hotOverOther;
  };
  const Case cases[] = {{false, tsTabs, -1}, {true, tsTabs, 1}, {false, tsButtons, 1}};
  for (const Case& c : cases) {
    pages->SetHotTrack(c.hotTrack);
    pages->SetStyle(c.style);
    Settle();
    SendMessageW(pages->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(CentreOfTab(1).x, CentreOfTab(1).y));
    EXPECT_EQ(pages->HotTab(), c.hotOverOther) << "hot track " << c.hotTrack << " style " << c.style;
    // The active tab never turns hot.
    SendMessageW(pages->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(CentreOfTab(0).x, CentreOfTab(0).y));
    EXPECT_EQ(pages->HotTab(), -1);
    SendMessageW(pages->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(CentreOfTab(1).x, CentreOfTab(1).y));
    SendMessageW(pages->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(pages->HotTab(), -1);
  }
}

TEST_F(PageControlTest, HostileTabSectionsPaintWithoutFaults) {
  const ReportedErrors errors;
  const int tabMask = manager->StandardIndexes().TabBorders[tpTop];
  ASSERT_TRUE(manager->IsMaskIndexValid(tabMask));
  struct Case {
    int16_t imageCount;
    int16_t maskType;
    bool emptyRect;
  };
  const Case cases[] = {{0, 0, false}, {-1, -1, false}, {3, -5, false}, {3, 1, true}, {-7, 0, true}};
  RECT area = pages->PageArea();
  auto page = NewSurface(area.right - area.left, area.bottom - area.top, 24);
  PaintItem(Item("PAGECONTROL"), BgInfo{}, true, true, page->View(),
            TPoint{pages->Left() + area.left, pages->Top() + area.top}, TsRect{0, 0, page->Width(), page->Height()}, 0);
  pages->SetCloseBtnSkin("TABTOP");
  pages->SetShowCloseBtns(true);
  pages->SetHotTrack(true);
  for (const Case& c : cases) {
    TsMaskData& mask = manager->Tables().MaskTable[static_cast<size_t>(tabMask)];
    mask.ImageCount = c.imageCount;
    mask.MaskType = c.maskType;
    if (c.emptyRect) mask.R = TsRect{mask.R.Left, mask.R.Top, mask.R.Left, mask.R.Top};
    pages->SkinData().Invalidate();
    EXPECT_TRUE(PaintRequestsAnswered(pages->Handle()))
        << "image count " << c.imageCount << " mask rows " << c.maskType;
    SendMessageW(pages->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(CentreOfTab(1).x, CentreOfTab(1).y));
    const RECT close = pages->CloseButtonRect(1);
    SendMessageW(pages->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(close.left + 1, close.top + 1));
    // The hot tab and its close button are painted; the page is untouched by what the tabs
    // could not paint.
    EXPECT_TRUE(PaintRequestsAnswered(pages->Handle()))
        << "hot: image count " << c.imageCount << " mask rows " << c.maskType;
    auto printed = Printed();
    EXPECT_EQ(Differences(printed->View(), RECT{area.left, area.top + 4, area.right, area.bottom}, page->View(),
                          POINT{area.left, area.top}),
              0)
        << "image count " << c.imageCount << " mask rows " << c.maskType;
  }
  EXPECT_EQ(errors.Count(), 0) << errors.Last();
}

TEST_F(PageControlTest, RedrawOffFreezesTheSheets) {
  HWND sheet = sheets[0]->Handle();
  ASSERT_TRUE(IsWindowVisible(sheet));
  SendMessageW(pages->Handle(), WM_SETREDRAW, FALSE, 0);
  EXPECT_FALSE(IsWindowVisible(sheet)) << "the sheet would still paint";
  SendMessageW(pages->Handle(), WM_SETREDRAW, TRUE, 0);
  EXPECT_TRUE(IsWindowVisible(sheet));
}

TEST_F(PageControlTest, HandleCountsStayFlatOverPageChanges) {
  const THandleKind kinds[] = {THandleKind::Brush, THandleKind::Pen,    THandleKind::Font,
                               THandleKind::Region, THandleKind::Bitmap, THandleKind::DC,
                               THandleKind::Window, THandleKind::Timer};
  auto change = [&](int to) {
    Click(CentreOfTab(to));
    Application->ProcessMessages();
  };
  change(1);
  change(0);
  ASSERT_EQ(pages->ActivePage(), sheets[0]);
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int i = 0; i < 200; ++i) {
    change(i % 2 == 0 ? 1 : 0);
  }
  EXPECT_EQ(pages->ActivePage(), sheets[0]);
  EXPECT_TRUE(IsWindowVisible(sheets[0]->Handle()));
  EXPECT_FALSE(IsWindowVisible(sheets[1]->Handle()));
  for (size_t k = 0; k < std::size(kinds); ++k)
    EXPECT_EQ(LiveHandles(kinds[k]), before[k]) << "handle kind " << static_cast<int>(kinds[k]);
}

// A page control that fills its parent exactly counts as half visible and is rebuilt at
// every paint: the rebuild gives the picture it holds unless something it is made from
// changed, so a repaint composes nothing, and after each change the picture shown is the
// one a full rebuild makes.
TEST_F(PageControlTest, FillingItsParentItRebuildsOnlyWhatChanged) {
  pages->SetBounds(0, 0, form->ClientWidth(), form->ClientHeight());
  Settle();
  const auto composedByRepaint = [&] {
    const long before = PictureCompositions();
    RedrawWindow(pages->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return PictureCompositions() - before;
  };
  EXPECT_EQ(composedByRepaint(), 0) << "a repaint from valid caches";
  const auto rebuilt = [&] {
    PerformSkinCommand(pages, CMD_SETBGCHANGED, 0);
    return Printed();
  };
  struct Case {
    const char* change;
    std::function<void()> make;
  };
  const Case cases[] = {
      {"page change", [&] { pages->SetActivePage(sheets[1]); }},
      {"parent colour", [&] { form->SetColor(static_cast<TColor>(RGB(200, 40, 40))); }},
      {"caption", [&] { sheets[0]->SetCaption(L"Renamed page"); }},
      {"font", [&] { pages->Font().SetStyle(fsBold); }},
      {"focus", [&] { pages->SetFocus(); }},
      {"disabled", [&] { pages->SetEnabled(false); }},
  };
  for (const Case& c : cases) {
    c.make();
    Settle();
    const auto shown = Printed();
    const auto expected = rebuilt();
    EXPECT_EQ(Differences(shown->View(), RECT{0, 0, pages->Width(), pages->Height()}, expected->View()), 0) << c.change;
    Settle();
    EXPECT_EQ(composedByRepaint(), 0) << "after " << c.change;
  }
}

// The same inside a skinned panel: pixels of the panel's picture that change under the
// page control show in its band at the next paint, with nothing else to tell it.
TEST_F(PageControlTest, FillingItsParentItFollowsTheParentsPicture) {
  auto* panel = new TsPanel(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, form->ClientWidth(), form->ClientHeight());
  pages->SetParent(panel);
  pages->SetBounds(0, 0, panel->Width(), panel->Height());
  Settle();
  TBitmap* parent = panel->SkinData().Cache();
  ASSERT_TRUE(parent && !parent->Empty());
  const RECT band = pages->TabBand();
  const POINT probe{band.right - 2, band.top + 1};
  const TColor before = ReadPixel(Printed()->View(), probe.x, probe.y);
  const TColor marked = before == static_cast<TColor>(RGB(10, 200, 30)) ? static_cast<TColor>(RGB(30, 10, 200))
                                                                          : static_cast<TColor>(RGB(10, 200, 30));
  FillRectColor(parent->View(), TsRect{band.left, band.top, band.right, band.bottom}, marked);
  EXPECT_EQ(ReadPixel(Printed()->View(), probe.x, probe.y), marked);
}

// Every tab position and style against the painting core: the page area is the position's
// page section, a normal tab in the band is its tab section in state 0 over the parent,
// and the active tab shown on screen is the same section in state 2 over the parent.
TEST_F(PageControlTest, EachPositionAndStylePaintsItsSections) {
  struct Case {
    TTabPosition position;
    TTabStyle style;
    const char* page;
    const char* tab;
  };
  const Case cases[] = {
      {tpBottom, tsTabs, "PAGECONTROLBOTTOM", "TABBOTTOM"}, {tpLeft, tsTabs, "PAGECONTROLLEFT", "TABLEFT"},
      {tpRight, tsTabs, "PAGECONTROLRIGHT", "TABRIGHT"},    {tpTop, tsButtons, "PAGECONTROL", "BUTTON"},
      {tpTop, tsFlatButtons, "PAGECONTROL", "TOOLBUTTON"},  {tpBottom, tsButtons, "PAGECONTROLBOTTOM", "BUTTON"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.page) + " / " + c.tab);
    pages->SetTabPosition(c.position);
    pages->SetStyle(c.style);
    Settle();
    ASSERT_GE(manager->SectionIndex(c.tab), 0);
    EXPECT_EQ(pages->PageSection(), c.page);
    EXPECT_EQ(pages->TabSection(1), c.tab);
    TBitmap* cache = pages->SkinData().Cache();
    ASSERT_TRUE(cache && !cache->Empty());
    const TSurfaceView view = cache->View();

    const RECT area = pages->PageArea();
    auto page = NewSurface(area.right - area.left, area.bottom - area.top, 24);
    PaintItem(Item(c.page), BgInfo{}, true, true, page->View(),
              TPoint{pages->Left() + area.left, pages->Top() + area.top}, TsRect{0, 0, page->Width(), page->Height()}, 0);
    EXPECT_EQ(Differences(view, area, page->View()), 0) << "page area";

    const RECT band = pages->TabBand();
    auto backdrop = NewSurface(pages->Width(), pages->Height(), 24);
    FillRectColor(backdrop->View(), TsRect{0, 0, pages->Width(), pages->Height()}, FormColor());
    const RECT normal = pages->SkinTabRect(1, false);
    ASSERT_FALSE(IsRectEmpty(&normal));
    auto tab = NewSurface(normal.right - normal.left, normal.bottom - normal.top, 24);
    PaintItem(Item(c.tab), BgInfo{backdrop->View(), 0, 0, true}, true, true, tab->View(),
              TPoint{normal.left, normal.top}, TsRect{0, 0, tab->Width(), tab->Height()}, 0);
    RECT inBand;
    ASSERT_TRUE(IntersectRect(&inBand, &normal, &band));
    EXPECT_EQ(Differences(view, inBand, tab->View(), POINT{normal.left, normal.top}), 0) << "normal tab";
    // Where no tab lies, the band shows the parent.
    const POINT free = c.position == tpLeft || c.position == tpRight ? POINT{(band.left + band.right) / 2, band.bottom - 2}
                                                                     : POINT{band.right - 2, (band.top + band.bottom) / 2};
    EXPECT_EQ(ReadPixel(view, free.x, free.y), FormColor()) << "band at " << free.x << "," << free.y;

    const RECT active = pages->SkinTabRect(0, true);
    auto activeTab = NewSurface(active.right - active.left, active.bottom - active.top, 24);
    FillRectColor(activeTab->View(), TsRect{0, 0, activeTab->Width(), activeTab->Height()}, FormColor());
    PaintItem(Item(c.tab), BgInfo{activeTab->View(), 0, 0, true}, true, true, activeTab->View(), TPoint{0, 0},
              TsRect{0, 0, activeTab->Width(), activeTab->Height()}, 2);
    auto printed = Printed();
    EXPECT_EQ(Differences(printed->View(), active, activeTab->View()), 0) << "active tab";
  }
}

// Enough tabs that one row does not hold them: the platform's scroller gives way to the
// skinned one, which is painted from the skin and scrolls the tabs.
TEST_F(PageControlTest, TabsThatDoNotFitGetTheSkinnedScroller) {
  EXPECT_EQ(pages->TabScroller(), nullptr) << "two tabs fit";
  const std::vector<TsTabSheet*> more = AddSheets(8);
  TsUpDown* scroller = pages->TabScroller();
  ASSERT_NE(scroller, nullptr);
  EXPECT_EQ(FindWindowExW(pages->Handle(), nullptr, UPDOWN_CLASSW, nullptr), nullptr) << "the platform's scroller is gone";
  const int hidden = pages->HiddenTabCount();
  EXPECT_GT(hidden, 0);
  EXPECT_EQ(scroller->Max(), hidden);
  EXPECT_EQ(scroller->Position(), 0);
  EXPECT_EQ(scroller->Left() + scroller->Width(), pages->Width());
  EXPECT_EQ(scroller->Top(), 0);
  EXPECT_EQ(scroller->Width(), 2 * GetSystemMetrics(SM_CXHSCROLL) + 2);
  EXPECT_EQ(scroller->Height(), GetSystemMetrics(SM_CYHSCROLL) + 1);

  // The new tabs are in the picture: the third tab's part of the band is not the parent.
  TBitmap* picture = pages->SkinData().Cache();
  ASSERT_TRUE(picture && !picture->Empty());
  const RECT third = pages->SkinTabRect(2, false), band = pages->TabBand();
  int painted = 0;
  for (int y = third.top; y < band.bottom; ++y)
    for (int x = third.left; x < third.right; ++x) painted += ReadPixel(picture->View(), x, y) != FormColor() ? 1 : 0;
  EXPECT_GT(painted, (third.right - third.left) * (band.bottom - third.top) / 2);

  // On screen, each half is the button section over the page control's picture; inside
  // the window's region, outside the arrow in the middle.
  const std::string section = scroller->ButtonSection();
  ASSERT_GE(manager->SectionIndex(section), 0);
  EXPECT_EQ(scroller->HasRegion(), section == "BUTTON");
  TBitmap* cache = pages->SkinData().Cache();
  ASSERT_TRUE(cache && !cache->Empty());
  auto expected = NewSurface(scroller->Width(), scroller->Height(), 24);
  for (int half = 0; half < 2; ++half) {
    const RECT r = scroller->HalfRect(half);
    PaintSection(manager->SectionIndex(section), section, BgInfo{cache->View(), 0, 0, true}, -1, -1, &manager->Tables(),
                 expected->View(), TPoint{scroller->Left(), scroller->Top()}, TsRect{r.left, r.top, r.right, r.bottom}, 0,
                 true);
  }
  TBitmap seen(scroller->Width(), scroller->Height(), TPixelFormat::pf24bit);
  {
    TClientDC screen = TClientDC::Of(scroller->Handle());
    BitBlt(seen.Canvas().Handle(), 0, 0, scroller->Width(), scroller->Height(), screen.Get(), 0, 0, SRCCOPY);
    GdiFlush();
  }
  TRegionHandle region = NewRectRegion(0, 0, 0, 0);
  const bool regioned = GetWindowRgn(scroller->Handle(), region.Get()) != ERROR;
  int compared = 0, differing = 0, ink = 0;
  for (int half = 0; half < 2; ++half) {
    RECT arrow = scroller->HalfRect(half);
    InflateRect(&arrow, -(arrow.right - arrow.left) / 4, -(arrow.bottom - arrow.top) / 4);
    for (int y = 0; y < scroller->Height(); ++y)
      for (int x = scroller->HalfRect(half).left; x < scroller->HalfRect(half).right; ++x) {
        if (regioned && !PtInRegion(region.Get(), x, y)) continue;
        const bool inArrow = PtInRect(&arrow, POINT{x, y}) != FALSE;
        if (inArrow) {
          ink += ReadPixel(seen.View(), x, y) != ReadPixel(expected->View(), x, y) ? 1 : 0;
          continue;
        }
        ++compared;
        differing += ReadPixel(seen.View(), x, y) != ReadPixel(expected->View(), x, y) ? 1 : 0;
      }
  }
  EXPECT_GT(compared, scroller->Width() * scroller->Height() / 2);
  EXPECT_EQ(differing, 0);
  EXPECT_GT(ink, 4) << "arrows are drawn";

  // The right button scrolls the tabs left by one, the left one back.
  auto press = [&](int half) {
    const RECT r = scroller->HalfRect(half);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(scroller->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(scroller->Handle(), WM_LBUTTONUP, 0, at);
    Settle();
  };
  const RECT firstBefore = pages->PlatformTabRect(0);
  press(1);
  EXPECT_EQ(scroller->Position(), 1);
  EXPECT_LT(pages->PlatformTabRect(0).right, firstBefore.right) << "the first tab moved left";
  EXPECT_GE(pages->PlatformTabRect(1).left, 0);
  const RECT gone = pages->PlatformTabRect(0);
  EXPECT_TRUE(IsRectEmpty(&gone) || gone.right <= 0) << "the first tab is scrolled away";
  EXPECT_EQ(scroller->Max(), hidden) << "the tabs scrolled away count as hidden";
  press(0);
  EXPECT_EQ(scroller->Position(), 0);
  EXPECT_EQ(pages->PlatformTabRect(0).left, firstBefore.left);
  press(0);
  EXPECT_EQ(scroller->Position(), 0) << "not past the first tab";

  // Multi-line tabs all show: no scroller. Back to one row: the scroller again.
  pages->SetMultiLine(true);
  Settle();
  EXPECT_EQ(pages->TabScroller(), nullptr);
  pages->SetMultiLine(false);
  Settle();
  EXPECT_NE(pages->TabScroller(), nullptr);
  // Without the skin the platform's own scroller is back.
  manager->SetActive(false);
  Settle();
  EXPECT_EQ(pages->TabScroller(), nullptr);
  EXPECT_NE(FindWindowExW(pages->Handle(), nullptr, UPDOWN_CLASSW, nullptr), nullptr);
  manager->SetActive(true);
  Settle();
  EXPECT_NE(pages->TabScroller(), nullptr);
  // Fewer tabs: everything fits and the scroller goes.
  for (TsTabSheet* sheet : more) delete sheet;
  Settle();
  EXPECT_EQ(pages->TabScroller(), nullptr);
}

// The scroller comes and goes without leaving a window, region or bitmap behind, and a
// button section with hostile masks paints it and cuts its region without faults.
TEST_F(PageControlTest, TheScrollerLeavesNothingBehindAndSurvivesHostileMasks) {
  const ReportedErrors errors;
  AddSheets(8);
  ASSERT_NE(pages->TabScroller(), nullptr);
  const THandleKind kinds[] = {THandleKind::Region, THandleKind::Bitmap, THandleKind::DC, THandleKind::Window,
                               THandleKind::Brush, THandleKind::Font};
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int i = 0; i < 20; ++i) {
    pages->SetMultiLine(i % 2 == 0);
    Settle();
    EXPECT_EQ(pages->TabScroller() == nullptr, i % 2 == 0);
  }
  for (size_t k = 0; k < std::size(kinds); ++k)
    EXPECT_EQ(LiveHandles(kinds[k]), before[k]) << "handle kind " << static_cast<int>(kinds[k]);

  TsUpDown* scroller = pages->TabScroller();
  ASSERT_NE(scroller, nullptr);
  const std::string section = scroller->ButtonSection();
  const int border = manager->MaskIndex(manager->SectionIndex(section), section, "BORDERSMASK");
  ASSERT_TRUE(manager->IsMaskIndexValid(border));
  struct Case {
    int16_t imageCount;
    int16_t maskType;
    bool emptyRect;
  };
  const Case cases[] = {{0, 0, false}, {-1, -1, false}, {3, -5, false}, {3, 1, true}};
  for (const Case& c : cases) {
    TsMaskData& mask = manager->Tables().MaskTable[static_cast<size_t>(border)];
    mask.ImageCount = c.imageCount;
    mask.MaskType = c.maskType;
    if (c.emptyRect) mask.R = TsRect{mask.R.Left, mask.R.Top, mask.R.Left, mask.R.Top};
    scroller->UpdateRegion();
    scroller->Invalidate();
    const RECT right = scroller->HalfRect(1);
    SendMessageW(scroller->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(right.left + 2, right.top + 2));
    EXPECT_TRUE(PaintRequestsAnswered(scroller->Handle()))
        << "image count " << c.imageCount << " mask rows " << c.maskType;
  }
  EXPECT_EQ(errors.Count(), 0) << errors.Last();
}

// Without a skin, close buttons are small children on the tabs that ask before closing.
TEST(UnskinnedPageControl, CloseButtonsSitOnTheTabsAndClose) {
  EnsureApplication();
  ASSERT_EQ(DefaultManager(), nullptr);
  struct Case {
    const char* name;
    TTabPosition position;
    bool canClose;
    TacCloseAction action;
  };
  const Case cases[] = {{"refused", tpTop, false, acaFree},
                        {"hidden", tpTop, true, acaHide},
                        {"freed", tpTop, true, acaFree},
                        {"left tabs, hidden", tpLeft, true, acaHide}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* form = new TForm(Application);
    form->SetBorderStyle(bsSingle);
    form->SetClientSize(320, 200);
    auto* pages = new TsPageControl(form);
    pages->SetParent(form);
    pages->SetBounds(10, 10, 300, 180);
    pages->SetTabPosition(c.position);
    TsTabSheet* sheets[3];
    for (int i = 0; i < 3; ++i) {
      sheets[i] = new TsTabSheet(form);
      sheets[i]->SetCaption(L"Page " + std::to_wstring(i));
      sheets[i]->SetPageControl(pages);
    }
    pages->SetActivePage(sheets[0]);
    pages->SetShowCloseBtns(true);
    ASSERT_NE(pages->TabButtonOf(2), nullptr);
    sheets[2]->SetUseCloseBtn(false);
    form->Show();
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Application->ProcessMessages();

    ASSERT_FALSE(pages->SkinData().Skinned());
    EXPECT_EQ(pages->TabButtonOf(2), nullptr) << "a page without UseCloseBtn";
    TsTabBtn* button = pages->TabButtonOf(1);
    ASSERT_NE(button, nullptr);
    const RECT tab = pages->PlatformTabRect(1);
    EXPECT_EQ(button->Left(), c.position == tpLeft ? tab.left + 1 : tab.right - 16);
    EXPECT_EQ(button->Top(), tab.top + 1);
    EXPECT_EQ(button->Width(), 15);
    EXPECT_EQ(button->Height(), 15);
    if (c.position == tpTop) {
      // The centred caption ends left of the button.
      TClientDC dc = TClientDC::Of(pages->Handle());
      const TSelectGuard font(dc.Get(), pages->Font().Handle());
      SIZE text{};
      GetTextExtentPoint32W(dc.Get(), L"Page 1", 6, &text);
      EXPECT_LE((tab.left + tab.right + text.cx) / 2, button->Left()) << "caption " << text.cx << " in " << tab.left << ".." << tab.right;
    }
    {
      // The red cross is on the screen.
      TClientDC screen = TClientDC::Of(pages->Handle());
      int red = 0;
      for (int y = button->Top(); y < button->Top() + 15; ++y)
        for (int x = button->Left(); x < button->Left() + 15; ++x) {
          const COLORREF p = GetPixel(screen.Get(), x, y);
          red += GetRValue(p) > 160 && GetGValue(p) < 100 && GetBValue(p) < 100 ? 1 : 0;
        }
      EXPECT_GT(red, 5);
    }

    int askedTab = -1;
    pages->OnCloseBtnClick = [&](TComponent*, int tabIndex, bool& canClose, TacCloseAction& action) {
      askedTab = tabIndex;
      canClose = c.canClose;
      action = c.action;
    };
    const LPARAM at = MAKELPARAM(button->Left() + 7, button->Top() + 7);
    SendMessageW(pages->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(pages->Handle(), WM_LBUTTONUP, 0, at);
    Application->ProcessMessages();
    EXPECT_EQ(askedTab, 1);
    EXPECT_EQ(pages->ActivePage(), sheets[0]) << "a press on the button selects nothing";
    if (!c.canClose) {
      EXPECT_EQ(pages->PageCount(), 3);
      EXPECT_TRUE(sheets[1]->TabVisible());
      EXPECT_TRUE(button->Visible());
    } else if (c.action == acaHide) {
      EXPECT_EQ(pages->PageCount(), 3);
      EXPECT_FALSE(sheets[1]->TabVisible());
      EXPECT_FALSE(button->Visible());
    } else {
      EXPECT_EQ(pages->PageCount(), 2);
      EXPECT_EQ(pages->TabButtonOf(1), nullptr);
    }
    // The buttons that stay follow their tabs.
    if (TsTabBtn* first = pages->TabButtonOf(0)) {
      const RECT r = pages->PlatformTabRect(0);
      EXPECT_EQ(first->Top(), r.top + 1);
    }
    pages->SetShowCloseBtns(false);
    EXPECT_EQ(pages->TabButtonOf(0), nullptr);
    delete form;
  }
}

}  // namespace
