// The skinned list box on a real form: the item store and its errors, selection and
// deletion in both selection modes, type-ahead, re-creation keeping items, top index and
// item index, virtual lists, and the skinned look (section colours, the frame handler and
// its ring, the skin taken away again) without handles left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Helpers.h"
#include "SkinFixtures.h"
#include "framework/Handles.h"
#include "skin/controls/sLabel.h"
#include "skin/controls/sSkinListBox.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sWindowHandlers.h"
#include "skin/paint/Compose.h"
#include "skin/window/acEditWnd.h"

namespace {

std::vector<String> Texts(std::initializer_list<const wchar_t*> texts) {
  std::vector<String> out;
  for (const wchar_t* t : texts) out.emplace_back(t);
  return out;
}

String Numbered(int i) { return L"item " + std::to_wstring(i); }

class ListBoxFixture : public ::testing::Test {
protected:
  // A form with one list box; skinned with the built-in skin unless `skinned` is false.
  void Start(bool skinned) {
    EnsureApplication();
    UseWindowHandlers();
    ASSERT_EQ(DefaultManager(), nullptr) << "a manager of another test is still alive";
    if (skinned) {
      manager = std::make_unique<TsSkinManager>(nullptr);
      manager->SetSkinDirectory(skins.Resolved());
      TsStoredSkins stored;
      stored.Add(PackagedSkin(L"Frost"));
      manager->SetInternalSkins(stored);
      manager->SetSkinName(L"Frost");
      ASSERT_TRUE(manager->SkinActive());
    }
    form = new TForm(Application);
    form->SetBorderStyle(bsSingle);
    form->SetClientSize(320, 240);
    form->SetPosition(poScreenCenter);
    list = new TsListBox(form);
    list->SetName(L"list");
    list->SetParent(form);
    list->SetBounds(20, 20, 200, 150);
    form->Show();
    ASSERT_TRUE(WaitUntil([&] { return GetActiveWindow() == form->Handle(); }));
    Settle();
  }
  void TearDown() override {
    delete form;
    manager.reset();
  }
  void Settle() {
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Application->ProcessMessages();
  }
  void Fill(int n) {
    for (int i = 0; i < n; ++i) list->Items().Add(Numbered(i));
  }
  void Type(const wchar_t* keys) {
    for (const wchar_t* k = keys; *k; ++k) SendMessageW(list->Handle(), WM_CHAR, *k, 1);
  }
  String Current() { return list->ItemIndex() >= 0 ? list->Items()[list->ItemIndex()] : String(L"(none)"); }

  TempSkinFolder skins;
  std::unique_ptr<TsSkinManager> manager;
  TForm* form = nullptr;
  TsListBox* list = nullptr;
};

class ListBoxTest : public ListBoxFixture {
protected:
  void SetUp() override { Start(true); }
};

// ---------------------------------------------------------------- the item store

TEST_F(ListBoxTest, ItemStoreKeepsTextsDataAndTheCurrentItem) {
  TListBoxStrings& items = list->Items();
  items.Assign(Texts({L"a", L"b", L"c", L"d"}));
  items.SetObject(1, 11);
  items.SetObject(2, 22);
  list->SetItemIndex(1);

  items.Put(1, L"B");
  EXPECT_EQ(items.ToVector(), Texts({L"a", L"B", L"c", L"d"}));
  EXPECT_EQ(items.Objects(1), 11) << "Put keeps the item's data";
  EXPECT_EQ(list->ItemIndex(), 1) << "Put keeps the item index";

  items.Exchange(1, 2);
  EXPECT_EQ(items.ToVector(), Texts({L"a", L"c", L"B", L"d"}));
  EXPECT_EQ(items.Objects(2), 11);
  EXPECT_EQ(items.Objects(1), 22);
  EXPECT_EQ(list->ItemIndex(), 2) << "the item index stays on the moved item";

  items.Move(0, 3);
  EXPECT_EQ(items.ToVector(), Texts({L"c", L"B", L"d", L"a"}));
  items.Insert(1, L"x");
  items.Delete(0);
  EXPECT_EQ(items.ToVector(), Texts({L"x", L"B", L"d", L"a"}));
  EXPECT_EQ(items.IndexOf(L"d"), 2);
  EXPECT_EQ(items.IndexOf(L"zz"), -1);
  EXPECT_EQ(list->Count(), 4);
  items.Clear();
  EXPECT_EQ(list->Count(), 0);
}

TEST_F(ListBoxTest, ErrorsNameTheIndexAndLeaveTheListUnchanged) {
  list->Items().Assign(Texts({L"a", L"b"}));
  const auto message = [](const std::function<void()>& f) {
    try {
      f();
    } catch (const EListError& e) {
      return String(e.Message());
    }
    return String(L"(nothing raised)");
  };
  EXPECT_EQ(message([&] { list->Items().Get(5); }), L"List index out of bounds (5)");
  EXPECT_EQ(message([&] { list->Items().Objects(-1); }), L"List index out of bounds (-1)");
  EXPECT_EQ(message([&] { list->Items().Insert(7, L"z"); }), L"Unable to insert a line");
  EXPECT_EQ(message([&] { list->SetCount(3); }), L"Listbox (list) style must be virtual in order to set Count");
  list->SetMultiSelect(true);
  EXPECT_EQ(message([&] { list->SetSelected(9, true); }), L"List index out of bounds (9)");
  EXPECT_EQ(list->Items().ToVector(), Texts({L"a", L"b"}));
}

// ---------------------------------------------------------------- selection

TEST_F(ListBoxTest, DeleteSelectedRemovesEverySelectedItemInBothModes) {
  Fill(6);
  list->SetMultiSelect(true);
  for (int i : {1, 3, 4}) list->SetSelected(i, true);
  EXPECT_EQ(list->SelCount(), 3);
  list->DeleteSelected();
  EXPECT_EQ(list->Items().ToVector(), Texts({L"item 0", L"item 2", L"item 5"}));

  for (int i = 0; i < list->Count(); ++i) list->SetSelected(i, true);
  list->DeleteSelected();
  EXPECT_EQ(list->Count(), 0) << "every item selected one by one, then deleted";

  list->SetMultiSelect(false);
  Fill(3);
  list->SetItemIndex(1);
  list->DeleteSelected();
  EXPECT_EQ(list->Items().ToVector(), Texts({L"item 0", L"item 2"}));
}

TEST_F(ListBoxTest, DeselectingInASingleSelectListNeverSelectsTheItem) {
  Fill(4);
  struct Case {
    const char* name;
    int selected;  // before
    int index;     // Selected[index] := false
    int after;
  } cases[] = {
      {"nothing selected: stays so", -1, 2, -1},
      {"the selected item: no selection", 2, 2, -1},
      {"another item: that one stays", 1, 3, 1},
  };
  for (const Case& c : cases) {
    list->SetItemIndex(c.selected);
    list->SetSelected(c.index, false);
    EXPECT_EQ(list->ItemIndex(), c.after) << c.name;
    EXPECT_FALSE(list->Selected(c.index)) << c.name;
  }
  list->SetSelected(3, true);
  EXPECT_EQ(list->ItemIndex(), 3);
  list->ClearSelection();
  EXPECT_EQ(list->ItemIndex(), -1);
}

// ---------------------------------------------------------------- type-ahead

TEST_F(ListBoxTest, TypingSelectsTheFirstItemStartingWithTheTypedText) {
  list->Items().Assign(Texts({L"abc", L"abd", L"b", L"Bcd"}));
  int clicks = 0;
  list->OnClick = [&](TComponent*) { ++clicks; };
  list->SetAutoCompleteDelay(60000);
  struct Step {
    const wchar_t* keys;
    bool pauseFirst;  // a new search
    const wchar_t* selected;
  } steps[] = {
      {L"a", false, L"abc"},  {L"b", false, L"abc"},  {L"d", false, L"abd"},
      {L"\b", false, L"abc"},  // "ab" again
      {L"b", true, L"b"},      {L"c", false, L"Bcd"},  // case-insensitive
      {L"\b\b", false, L"abc"},  // an emptied prefix selects the first item
      {L"q", true, L"abc"},       // no match: the selection stays
  };
  for (const Step& s : steps) {
    list->SetAutoCompleteDelay(s.pauseFirst ? 0 : 60000);
    Type(s.keys);
    list->SetAutoCompleteDelay(60000);
    EXPECT_EQ(Current(), s.selected) << "after typing " << std::string(s.keys, s.keys + wcslen(s.keys)).c_str();
  }
  EXPECT_GE(clicks, 6);

  // A multi-select list keeps only the found item selected.
  list->SetMultiSelect(true);
  list->SelectAll();
  list->SetAutoCompleteDelay(0);
  Type(L"b");
  EXPECT_EQ(list->SelCount(), 1);
  EXPECT_TRUE(list->Selected(2));
}

TEST_F(ListBoxTest, ConsumedKeysNeverReachThePlatformSearch) {
  // The platform's own one-letter search would jump to "zeta" on "z"; with type-ahead off it does.
  list->Items().Assign(Texts({L"alpha", L"zeta", L"zz top"}));
  list->SetItemIndex(0);
  list->SetAutoCompleteDelay(60000);
  Type(L"zz");
  EXPECT_EQ(Current(), L"zz top");
  list->SetAutoComplete(false);
  list->SetItemIndex(0);
  Type(L"z");
  EXPECT_EQ(Current(), L"zeta");
}

// ---------------------------------------------------------------- re-creation and virtual lists

TEST_F(ListBoxTest, RecreationKeepsItemsTopIndexAndItemIndex) {
  Fill(40);
  list->SetTopIndex(12);
  list->SetItemIndex(15);
  struct Change {
    const char* name;
    std::function<void()> apply;
  } changes[] = {
      {"MultiSelect", [&] { list->SetMultiSelect(true); }},
      {"ExtendedSelect", [&] { list->SetExtendedSelect(false); }},
      {"Sorted", [&] { list->SetSorted(true); }},
      {"Columns to non-zero", [&] { list->SetColumns(2); }},
      {"BorderStyle", [&] { list->SetBorderStyle(bsNone); }},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.name);
    const HWND before = list->Handle();
    c.apply();
    ASSERT_NE(list->Handle(), before) << "the window is re-created";
    EXPECT_EQ(list->Count(), 40);
    EXPECT_EQ(list->ItemIndex(), 15);
    if (list->Columns() == 0) {
      EXPECT_EQ(list->TopIndex(), 12);
    }
    ASSERT_NE(list->FrameHandler(), nullptr);
    EXPECT_TRUE(list->FrameHandler()->Serves(list->Handle())) << "the new window is skinned";
    EXPECT_NE(dynamic_cast<TacEditWnd*>(TacMainWnd::HandlerOf(list->Handle())), nullptr);
  }
  const HWND before = list->Handle();
  list->SetColumns(3);
  EXPECT_EQ(list->Handle(), before) << "between two column counts only the width changes";
}

TEST_F(ListBoxTest, AVirtualListAsksItsEventsForTexts) {
  list->Items().Assign(Texts({L"gone"}));
  list->SetSorted(true);
  list->SetStyle(lbVirtual);
  EXPECT_FALSE(list->Sorted()) << "a virtual style clears Sorted";
  list->OnData = [](TComponent*, int i, String& text) { text = L"v" + std::to_wstring(i); };
  list->OnDataFind = [](TComponent*, const String& text) { return text == L"v7" ? 7 : -1; };
  list->SetCount(50);
  EXPECT_EQ(list->Count(), 50);
  EXPECT_EQ(list->Items().Get(3), L"v3");
  EXPECT_EQ(list->Items().IndexOf(L"v7"), 7);
  EXPECT_EQ(list->Items().Add(L"x"), -1) << "adding is ignored";
  wchar_t buffer[16]{};
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)), 2);
  EXPECT_STREQ(buffer, L"v4");
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETTEXTLEN, 50, 0), LB_ERR);
  list->Items().Assign(Texts({L"p", L"q"}));
  EXPECT_EQ(list->Style(), lbStandard) << "assigning items ends the virtual style";
  EXPECT_EQ(list->Items().ToVector(), Texts({L"p", L"q"}));
}

// ---------------------------------------------------------------- the skinned look

// Ring pixels of the list that differ from the cache (mask corners left out).
int RingDifferences(TsListBox& list, int ring, const TsMaskData& mask) {
  const TSurfaceView cache = list.SkinData().Cache()->View();
  TWindowDC screen = TWindowDC::Of(list.Handle());
  const int w = list.Width(), h = list.Height();
  int differing = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool inRing = x < ring || y < ring || x >= w - ring || y >= h - ring;
      const bool corner = (x < mask.WL || x >= w - mask.WR) && (y < mask.WT || y >= h - mask.WB);
      if (!inRing || corner) continue;
      const uint8_t* p = cache.Pixel(x, y);
      if (GetPixel(screen.Get(), x, y) != RGB(p[2], p[1], p[0])) ++differing;
    }
  return differing;
}

TEST_F(ListBoxTest, SkinnedListShowsTheSectionAndGivesThePlatformLookBackWithoutIt) {
  Fill(60);
  Settle();
  TsCommonData& binding = list->SkinData();
  ASSERT_TRUE(binding.Skinned(true));
  const TsGeneralData& section = manager->Tables().SectionTable[static_cast<size_t>(binding.SectionIndex)];
  EXPECT_EQ(binding.SkinSection(), "EDIT");
  EXPECT_EQ(list->Color(), SkinColorToRGB(section.Color));
  auto* handler = dynamic_cast<TacEditWnd*>(TacMainWnd::HandlerOf(list->Handle()));
  ASSERT_NE(handler, nullptr) << "a framed-window handler serves the list";
  ASSERT_NE(list->FrameHandler(), nullptr);
  EXPECT_TRUE(list->FrameHandler()->Serves(list->Handle()));
  EXPECT_TRUE(handler->VertBar->Shown);
  EXPECT_EQ(handler->LeftEdge, 2) << "client edge";
  EXPECT_EQ(list->FrameHandler()->LeftEdge(), handler->LeftEdge);

  // The frame on screen is the section's picture as the painting core composes it.
  const TsMaskData& mask = manager->Tables().MaskTable[static_cast<size_t>(binding.BorderMaskIndex)];
  EXPECT_EQ(RingDifferences(*list, handler->LeftEdge, mask), 0);
  {
    auto expected = NewSurface(list->Width(), list->Height(), 24);
    TPaintItemSource item;
    item.Skin = &manager->Tables();
    item.SkinIndex = binding.SectionIndex;
    item.SkinSection = binding.SkinSection();
    item.BorderIndex = binding.BorderMaskIndex;
    item.Texture = binding.PatternIndex;
    item.HotTexture = binding.HotPatternIndex;
    item.HasParent = true;
    item.ParentColor = static_cast<TColor>(ColorToRGB(form->Color()));
    PaintItem(item, BgInfo{}, true, true, expected->View(), TPoint{list->Left(), list->Top()},
              TsRect{0, 0, list->Width(), list->Height()}, 0);
    TWindowDC screen = TWindowDC::Of(list->Handle());
    const int w = list->Width(), h = list->Height(), ring = handler->LeftEdge;
    int differing = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool inRing = x < ring || y < ring || x >= w - ring || y >= h - ring;
        const bool corner = (x < mask.WL || x >= w - mask.WR) && (y < mask.WT || y >= h - mask.WB);
        if (!inRing || corner) continue;
        const uint8_t* b = expected->View().Pixel(x, y);
        differing += GetPixel(screen.Get(), x, y) != RGB(b[2], b[1], b[0]);
      }
    EXPECT_EQ(differing, 0) << "the ring differs from the section composed by the painting core";
  }

  // Printed: the same ring, and the items where the client area is.
  TBitmap printed(list->Width(), list->Height(), TPixelFormat::pf24bit);
  SendMessageW(list->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(printed.Canvas().Handle()),
               PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
  GdiFlush();
  {
    TClientDC client = TClientDC::Of(list->Handle());
    int differing = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x) {
        const uint8_t* p = printed.View().Pixel(x + 2, y + 2);
        differing += GetPixel(client.Get(), x, y) != RGB(p[2], p[1], p[0]);
      }
    EXPECT_EQ(differing, 0) << "the client area is printed inside the ring";
  }

  // The skin goes: platform colours, frame and bars, no handler.
  manager->SetActive(false);
  Settle();
  EXPECT_EQ(list->FrameHandler(), nullptr);
  EXPECT_EQ(TacMainWnd::HandlerOf(list->Handle()), nullptr);
  EXPECT_EQ(GetPropW(list->Handle(), L"ACSBSC"), nullptr);
  EXPECT_EQ(list->Color(), clWindow);
  EXPECT_EQ(list->Font().Color(), clWindowText);
  RECT client{}, window{};
  GetClientRect(list->Handle(), &client);
  GetWindowRect(list->Handle(), &window);
  EXPECT_EQ(client.right, window.right - window.left - 4 - GetSystemMetrics(SM_CXVSCROLL))
      << "the platform's bar has its room back";
  EXPECT_EQ(list->Count(), 60);

  manager->SetActive(true);
  Settle();
  ASSERT_NE(list->FrameHandler(), nullptr) << "skinned again";
  EXPECT_EQ(RingDifferences(*list, list->FrameHandler()->LeftEdge(), mask), 0);
}

TEST_F(ListBoxTest, WithoutWindowHandlersTheListKeepsThePlatformFrame) {
  struct RestoreHandlers {
    ~RestoreHandlers() { UseWindowHandlers(); }
  } restore;
  Fill(60);
  Settle();
  const int handlers = TacMainWnd::LiveCount();
  ASSERT_NE(list->FrameHandler(), nullptr);
  WindowHandlerSeam() = {};

  // A new window and a skin announced again: the old handler goes, no new one comes.
  list->SetMultiSelect(true);
  manager->SetActive(false);
  manager->SetActive(true);
  Settle();
  EXPECT_EQ(list->FrameHandler(), nullptr);
  EXPECT_EQ(TacMainWnd::HandlerOf(list->Handle()), nullptr);
  EXPECT_EQ(GetPropW(list->Handle(), L"ACSBSC"), nullptr);
  EXPECT_EQ(TacMainWnd::LiveCount(), handlers - 1);
  const TsGeneralData& section =
      manager->Tables().SectionTable[static_cast<size_t>(list->SkinData().SectionIndex)];
  EXPECT_EQ(list->Color(), SkinColorToRGB(section.Color)) << "the items still take the section's colours";
  RECT client{}, window{};
  GetClientRect(list->Handle(), &client);
  GetWindowRect(list->Handle(), &window);
  EXPECT_EQ(client.right, window.right - window.left - 4 - GetSystemMetrics(SM_CXVSCROLL)) << "the platform's bar";

  // Scrolling, selecting and repainting with no handler to ask.
  for (int i = 0; i < 20; ++i) {
    SendMessageW(list->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    list->SetItemIndex(i * 3);
  }
  Settle();
  EXPECT_EQ(list->ItemIndex(), 57);

  // Filled again: the next skin announcement gives the list its frame back.
  UseWindowHandlers();
  manager->SetActive(false);
  manager->SetActive(true);
  Settle();
  ASSERT_NE(list->FrameHandler(), nullptr);
  EXPECT_NE(dynamic_cast<TacEditWnd*>(TacMainWnd::HandlerOf(list->Handle())), nullptr);
  EXPECT_EQ(TacMainWnd::LiveCount(), handlers);
}

TEST_F(ListBoxTest, ScrollingAndRepaintingLeaveNoHandleBehind) {
  Fill(100);
  Settle();
  const THandleKind kinds[] = {THandleKind::Bitmap, THandleKind::DC,  THandleKind::Brush,
                               THandleKind::Font,   THandleKind::Pen, THandleKind::Region};
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int i = 0; i < 200; ++i) {
    SendMessageW(list->Handle(), WM_VSCROLL, i % 2 ? SB_LINEUP : SB_PAGEDOWN, 0);
    SendMessageW(list->Handle(), WM_NCPAINT, 1, 0);
    list->SetItemIndex(i % 100);
    if (i % 20 == 0) Settle();
  }
  Settle();
  std::vector<int> after;
  for (THandleKind kind : kinds) after.push_back(LiveHandles(kind));
  EXPECT_EQ(after, before);
}

TEST_F(ListBoxTest, ListsComeAndGoWithTheSkinWithoutLeavingHandlersOrHandles) {
  delete list;
  list = nullptr;
  Settle();
  const THandleKind kinds[] = {THandleKind::Bitmap, THandleKind::DC,  THandleKind::Brush,
                               THandleKind::Font,   THandleKind::Pen, THandleKind::Region};
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  const int handlers = TacMainWnd::LiveCount();
  for (int round = 0; round < 3; ++round) {
    std::vector<TsListBox*> lists;
    for (int i = 0; i < 3; ++i) {
      auto* l = new TsListBox(form);
      l->SetParent(form);
      l->SetBounds(10 + 100 * i, 10, 90, 120);
      for (int k = 0; k < 30; ++k) l->Items().Add(Numbered(k));
      lists.push_back(l);
    }
    Settle();
    EXPECT_EQ(TacMainWnd::LiveCount(), handlers + 3);
    lists[0]->SetMultiSelect(true);  // a new window, a new handler, the old one gone
    manager->SetActive(false);
    Settle();
    EXPECT_EQ(TacMainWnd::LiveCount(), handlers);
    manager->SetActive(true);
    Settle();
    EXPECT_EQ(TacMainWnd::LiveCount(), handlers + 3);
    delete lists[1];  // one on its own, the others with the form's next round
    for (TsListBox* l : {lists[0], lists[2]}) delete l;
    Settle();
    EXPECT_EQ(TacMainWnd::LiveCount(), handlers);
  }
  std::vector<int> after;
  for (THandleKind kind : kinds) after.push_back(LiveHandles(kind));
  EXPECT_EQ(after, before);
}

TEST_F(ListBoxTest, OwnerDrawnItemsGetHighlightOrListColoursAndTheirEvent) {
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(18);
  list->Items().Assign(Texts({L"first", L"second", L"third"}));
  list->SetItemIndex(1);
  Settle();
  const auto rowColour = [&](int row) {
    TClientDC dc = TClientDC::Of(list->Handle());
    return GetPixel(dc.Get(), 150, row * 18 + 9);
  };
  EXPECT_EQ(rowColour(1), GetSysColor(COLOR_HIGHLIGHT)) << "the selected item";
  EXPECT_EQ(rowColour(0), static_cast<COLORREF>(ColorToRGB(list->Color()))) << "an item that is not selected";

  std::vector<std::pair<int, bool>> drawn;
  list->OnDrawItem = [&](TComponent*, int index, RECT, UINT state) { drawn.emplace_back(index, (state & ODS_SELECTED) != 0); };
  InvalidateRect(list->Handle(), nullptr, TRUE);
  Settle();
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[1], std::make_pair(1, true));
  EXPECT_EQ(drawn[2], std::make_pair(2, false));
  EXPECT_EQ(list->ItemHeight(), 18);
}

TEST_F(ListBoxTest, TheBoundLabelStaysBesideTheListAndFollowsItsState) {
  TsBoundLabel& label = list->BoundLabel();
  label.SetCaption(L"Files");
  label.SetLayout(sclLeft);
  label.SetIndent(4);
  label.SetActive(true);
  Settle();
  ASSERT_NE(label.Label(), nullptr);
  // Left of the list by the indent and the label's own 4 pixels, centred on its height.
  const auto placed = [&] {
    const TsEditLabel& l = *label.Label();
    return l.Left() + l.Width() + 4 + 4 == list->Left() && l.Top() == list->Top() + (list->Height() - l.Height()) / 2 - 1;
  };
  EXPECT_TRUE(placed());
  list->SetBounds(120, 40, 180, 150);
  EXPECT_TRUE(placed()) << "moved with the list";
  list->SetEnabled(false);
  EXPECT_FALSE(label.Label()->Enabled());
  list->SetVisible(false);
  EXPECT_FALSE(label.Label()->Visible());
}

TEST_F(ListBoxTest, ADisabledListShowsTheDisabledLookAndGetsItsColoursBack) {
  Fill(5);
  Settle();
  const TSurfaceView cache = list->SkinData().Cache()->View();
  const auto pixel = [&](int x, int y) {
    const uint8_t* p = cache.Pixel(x, y);
    return RGB(p[2], p[1], p[0]);
  };
  const COLORREF enabledEdge = pixel(0, list->Height() / 2);
  list->SetEnabled(false);
  Settle();
  EXPECT_NE(pixel(0, list->Height() / 2), enabledEdge) << "the frame is blended when disabled";
  list->SetEnabled(true);
  Settle();
  EXPECT_EQ(pixel(0, list->Height() / 2), enabledEdge);
}

}  // namespace
