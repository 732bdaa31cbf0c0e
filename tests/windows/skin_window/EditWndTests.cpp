// The framed-window handler on plain edit and list windows: the frame ring on screen is
// the binding's cached section picture and the window's own procedure never paints its
// frame; the bars are skinned; a dialog's window shows a window-coloured face in the
// skin's border colour; printing puts ring, bars and client together; taking the handler
// off gives every window its own procedure and look back. Combo boxes: the button's place,
// the skin's button, and the list colours answered from one brush.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include <commctrl.h>

#include "HandlerFixture.h"
#include "framework/Handles.h"
#include "framework/HandlesMade.h"
#include "skin/core/sSkinCommands.h"
#include "skin/window/acComboBoxWnd.h"
#include "skin/window/acEditWnd.h"
#include "skin/window/acListViewWnd.h"
#include "skin/window/acTreeViewWnd.h"

namespace {

// Counts the non-client paints a window's own procedure receives (sits below the handler).
struct NcPaintProbe {
  static std::map<HWND, NcPaintProbe*>& All() {
    static std::map<HWND, NcPaintProbe*> all;
    return all;
  }
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    NcPaintProbe* probe = All()[w];
    const WNDPROC previous = probe->previous;
    if (msg == WM_NCPAINT) ++probe->ncPaints;
    if (msg == WM_NCDESTROY) All().erase(w);
    return CallWindowProcW(previous, w, msg, wp, lp);
  }
  explicit NcPaintProbe(HWND w) : window(w) {
    All()[w] = this;
    previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  // Whatever sits above the probe is gone by now: the window gets its procedure back.
  ~NcPaintProbe() {
    if (!All().count(window)) return;
    if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Proc))
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    All().erase(window);
  }
  NcPaintProbe(const NcPaintProbe&) = delete;
  NcPaintProbe& operator=(const NcPaintProbe&) = delete;
  HWND window = nullptr;
  WNDPROC previous = nullptr;
  int ncPaints = 0;
};

COLORREF At(const TSurfaceView& view, int x, int y) {
  const uint8_t* p = view.Pixel(x, y);
  return RGB(p[2], p[1], p[0]);
}

class EditWndTest : public HandlerTest {
protected:
  struct Framed {
    const char* name;
    HWND window;
  };
  Framed Edit() {
    return {"edit", Child(L"EDIT", L"some text", ES_MULTILINE | WS_VSCROLL, RECT{10, 10, 170, 110}, WS_EX_CLIENTEDGE)};
  }
  Framed List() {
    HWND w = Child(L"LISTBOX", L"", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, RECT{190, 10, 350, 190}, WS_EX_CLIENTEDGE);
    for (int i = 0; i < 100; ++i)
      SendMessageW(w, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((L"item " + std::to_wstring(i)).c_str()));
    return {"listbox", w};
  }
  // Ring pixels (`ring` wide, the mask's corner areas left out) of the window on screen
  // that differ from the handler's cache.
  int RingDifferences(TacEditWnd& handler, const TSurfaceView& screen) {
    const TSurfaceView cache = handler.Binding()->Cache()->View();
    const TsMaskData& mask = manager->Tables().MaskTable[static_cast<size_t>(handler.Binding()->BorderMaskIndex)];
    const int w = screen.width, h = screen.height, ring = handler.LeftEdge;
    int differing = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool inRing = x < ring || y < ring || x >= w - ring || y >= h - ring;
        const bool corner = (x < mask.WL || x >= w - mask.WR) && (y < mask.WT || y >= h - mask.WB);
        if (inRing && !corner) differing += At(screen, x, y) != At(cache, x, y);
      }
    return differing;
  }
  // Pixels of the vertical bar's strip that equal the platform's picture of it.
  static int SameBarPixels(const TSurfaceView& now, const TSurfaceView& platform, int ring) {
    const int thickness = GetSystemMetrics(SM_CXVSCROLL);
    int same = 0, all = 0;
    for (int y = ring; y < now.height - ring; ++y)
      for (int x = now.width - ring - thickness; x < now.width - ring; ++x, ++all) same += At(now, x, y) == At(platform, x, y);
    return all ? same * 100 / all : 100;
  }
};

TEST_F(EditWndTest, RingIsTheCachedSectionBarsAreSkinnedAndTheOwnProcedureNeverPaintsTheFrame) {
  for (const Framed& f : {Edit(), List()}) {
    SCOPED_TRACE(f.name);
    const auto platform = WindowPixels(f.window);
    NcPaintProbe probe(f.window);
    const LONG_PTR ownProc = GetWindowLongPtrW(f.window, GWLP_WNDPROC);
    auto handler = TacMainWnd::Create<TacEditWnd>(f.window, true, std::string("EDIT"), nullptr, nullptr);
    Settle(f.window);
    probe.ncPaints = 0;
    const auto skinned = WindowPixels(f.window);
    EXPECT_EQ(probe.ncPaints, 0) << "the window's own procedure painted its frame";
    ASSERT_TRUE(handler->VertBar->Shown);
    ASSERT_EQ(handler->LeftEdge, 2);
    EXPECT_EQ(RingDifferences(*handler, skinned->View()), 0);
    EXPECT_NE(At(skinned->View(), 0, 40), At(platform->View(), 0, 40)) << "the platform's sunken edge is gone";
    EXPECT_LT(SameBarPixels(skinned->View(), platform->View(), 2), 50) << "platform scroll-bar pixels";
    EXPECT_EQ(handler->EditColor, SkinColorToRGB(handler->Binding()->Section()->Color));

    handler.reset();
    EXPECT_EQ(GetWindowLongPtrW(f.window, GWLP_WNDPROC), ownProc);
    EXPECT_EQ(GetPropW(f.window, L"ACSBSC"), nullptr);
    const auto back = WindowPixels(f.window);
    EXPECT_EQ(At(back->View(), 0, 40), At(platform->View(), 0, 40));
    EXPECT_GT(SameBarPixels(back->View(), platform->View(), 2), 95) << "the platform's bar is back";
  }
}

TEST_F(EditWndTest, WhileUpdatingNothingIsDrawnAndTheParentsAllClearRedrawsTheFrame) {
  const Framed f = List();
  NcPaintProbe probe(f.window);  // below the handler
  auto handler = TacMainWnd::Create<TacEditWnd>(f.window, true, std::string("EDIT"), nullptr, nullptr);
  Settle(f.window);
  const auto skinned = WindowPixels(f.window);
  probe.ncPaints = 0;
  const COLORREF marker = RGB(255, 0, 255);
  const auto markRing = [&] {
    TWindowDC dc = TWindowDC::Of(f.window);
    TBrushHandle brush = NewSolidBrush(marker);
    RECT w{};
    GetWindowRect(f.window, &w);
    const RECT r{0, 0, w.right - w.left, w.bottom - w.top};
    FrameRect(dc.Get(), &r, brush.Get());
  };
  handler->Binding()->UpdatingFlag = true;
  markRing();
  SendMessageW(f.window, WM_NCPAINT, 1, 0);
  {
    TWindowDC dc = TWindowDC::Of(f.window);
    EXPECT_EQ(GetPixel(dc.Get(), 0, 40), marker) << "the frame was drawn while updating";
  }
  SendSkinCommand(f.window, CMD_PARENTDONE, 0);
  Application->ProcessMessages();
  EXPECT_FALSE(handler->Binding()->UpdatingFlag);
  {
    TWindowDC dc = TWindowDC::Of(f.window);
    EXPECT_EQ(GetPixel(dc.Get(), 0, 40), At(skinned->View(), 0, 40)) << "the frame is back";
  }
  EXPECT_EQ(probe.ncPaints, 0) << "the window's own procedure painted its frame";
}

TEST_F(EditWndTest, ADialogsWindowShowsAWindowFaceFramedInTheSkinsBorderColour) {
  const Framed f = Edit();
  std::unique_ptr<TacEditWnd> handler;
  {
    const TDialogHandlersScope dialog;
    handler = TacMainWnd::Create<TacEditWnd>(f.window, true, std::string("EDIT"), nullptr, nullptr);
  }
  EXPECT_FALSE(DialogModeDefault()) << "the scope gives the previous setting back";
  ASSERT_TRUE(handler->DialogMode());
  ASSERT_EQ(manager->GlobalInfo().BorderColor, 13088682);
  const auto shot = WindowPixels(f.window);
  const TSurfaceView v = shot->View();
  EXPECT_EQ(At(v, 30, 0), COLORREF{13088682}) << "top border";
  EXPECT_EQ(At(v, 0, 30), COLORREF{13088682}) << "left border";
  EXPECT_EQ(At(v, 30, v.height - 1), COLORREF{13088682}) << "bottom border";
  EXPECT_EQ(At(v, 30, 1), GetSysColor(COLOR_WINDOW)) << "inside the line the window colour";
  EXPECT_EQ(handler->EditColor, clWindow);
}

TEST_F(EditWndTest, PrintingPutsRingBarsAndClientTogether) {
  const Framed f = List();
  SendMessageW(f.window, LB_SETTOPINDEX, 30, 0);
  auto handler = TacMainWnd::Create<TacEditWnd>(f.window, true, std::string("EDIT"), nullptr, nullptr);
  const auto screen = WindowPixels(f.window);
  TBitmap printed(screen->Width(), screen->Height(), TPixelFormat::pf24bit);
  SendMessageW(f.window, WM_PRINT, reinterpret_cast<WPARAM>(printed.Canvas().Handle()),
               PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
  GdiFlush();
  int differing = 0;
  for (int y = 0; y < screen->Height(); ++y)
    for (int x = 0; x < screen->Width(); ++x) differing += At(printed.View(), x, y) != At(screen->View(), x, y);
  EXPECT_EQ(differing, 0) << "the print differs from the screen";
}

TEST_F(EditWndTest, RepaintsAndScrollsLeaveNoHandleBehind) {
  const Framed f = List();
  auto handler = TacMainWnd::Create<TacEditWnd>(f.window, true, std::string("EDIT"), nullptr, nullptr);
  Settle(f.window);
  const THandleKind kinds[] = {THandleKind::Bitmap, THandleKind::DC,  THandleKind::Brush,
                               THandleKind::Font,   THandleKind::Pen, THandleKind::Region};
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int i = 0; i < 300; ++i) {
    SendMessageW(f.window, WM_VSCROLL, i % 2 ? SB_LINEUP : SB_PAGEDOWN, 0);
    SendMessageW(f.window, WM_NCPAINT, 1, 0);
    SendMessageW(f.window, WM_SIZE, 0, 0);
  }
  Settle(f.window);
  std::vector<int> after;
  for (THandleKind kind : kinds) after.push_back(LiveHandles(kind));
  EXPECT_EQ(after, before);
}

TEST_F(EditWndTest, AnyOrderOfEndingLeavesNoHandlerNorSubclassRecord) {
  enum Order { WindowFirst, HandlerFirst, ForeignSubclassOnTop, SkinRemovedFirst };
  const std::pair<Order, const char*> orders[] = {{WindowFirst, "window first"},
                                                  {HandlerFirst, "handler first"},
                                                  {ForeignSubclassOnTop, "a foreign subclass on top"},
                                                  {SkinRemovedFirst, "skin removed first"}};
  for (const auto& [order, name] : orders) {
    SCOPED_TRACE(name);
    const int records = TWindowSubclass::LiveRecordCount(), handlers = TacMainWnd::LiveCount();
    HWND w = List().window;
    auto handler = TacMainWnd::Create<TacEditWnd>(w, true, std::string("EDIT"), nullptr, nullptr);
    Settle(w);
    switch (order) {
      case WindowFirst:
        DestroyWindow(w);
        handler.reset();
        break;
      case HandlerFirst:
        handler.reset();
        DestroyWindow(w);
        break;
      case ForeignSubclassOnTop: {
        NcPaintProbe foreign(w);
        handler.reset();
        foreign.ncPaints = 0;
        SendMessageW(w, WM_NCPAINT, 1, 0);
        EXPECT_EQ(foreign.ncPaints, 1) << "the foreign subclass still sees the window's messages";
        EXPECT_EQ(SendMessageW(w, LB_GETCOUNT, 0, 0), 100) << "and the window still works under it";
        DestroyWindow(w);
        break;
      }
      case SkinRemovedFirst: {
        manager->SetActive(false);
        Settle(w);
        RECT client{}, window{};
        GetClientRect(w, &client);
        GetWindowRect(w, &window);
        EXPECT_EQ(client.right, window.right - window.left - 4 - GetSystemMetrics(SM_CXVSCROLL))
            << "the platform's frame and bar are back";
        handler.reset();
        DestroyWindow(w);
        manager->SetActive(true);
        break;
      }
    }
    Application->ProcessMessages();
    EXPECT_EQ(TWindowSubclass::LiveRecordCount(), records);
    EXPECT_EQ(TacMainWnd::LiveCount(), handlers);
  }
}

// ---------------------------------------------------------------- combo boxes

TEST_F(EditWndTest, ComboButtonSitsAtTheTrailingEdgeAndASimpleComboHasNone) {
  const int bw = GetSystemMetrics(SM_CXVSCROLL);
  struct Case {
    const char* name;
    DWORD style, exStyle;
    int left, right;  // for a combo box 120 wide; top 2, bottom 2 above its bottom
  } cases[] = {
      {"drop-down", CBS_DROPDOWN, 0, 120 - bw - 2, 118},
      {"drop-down list", CBS_DROPDOWNLIST, 0, 120 - bw - 2, 118},
      {"right-to-left reading", CBS_DROPDOWNLIST, WS_EX_RTLREADING, 2, 2 + bw},
      {"simple", CBS_SIMPLE, 0, 118, 118},
  };
  for (const Case& c : cases) {
    HWND combo = Child(L"COMBOBOX", L"", c.style, RECT{10, 10, 130, 31}, c.exStyle);
    auto handler = TacMainWnd::Create<TacComboBoxWnd>(combo, false, std::string("COMBOBOX"), nullptr, nullptr);
    RECT w{};
    GetWindowRect(combo, &w);
    const RECT b = handler->ButtonRect();
    ASSERT_EQ(w.right - w.left, 120) << c.name;
    const RECT expected{c.left, 2, c.right, (w.bottom - w.top) - 2};
    EXPECT_TRUE(EqualRect(&b, &expected)) << c.name << ": " << b.left << "," << b.top << "," << b.right << ","
                                          << b.bottom;
    handler.reset();
    DestroyWindow(combo);
  }
}

TEST_F(EditWndTest, EveryListColourRequestGetsTheSectionColourFromOneBrush) {
  HWND combo = Child(L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL, RECT{10, 10, 170, 200});
  for (int i = 0; i < 30; ++i)
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>((L"entry " + std::to_wstring(i)).c_str()));
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  const int brushes = LiveHandles(THandleKind::Brush);
  auto handler = TacMainWnd::Create<TacComboBoxWnd>(combo, false, std::string("COMBOBOX"), nullptr, nullptr);
  TBitmap target(8, 8, TPixelFormat::pf24bit);
  const HDC dc = target.Canvas().Handle();
  HBRUSH first = nullptr;
  for (int i = 0; i < 50; ++i) {
    SetBkColor(dc, RGB(1, 2, 3));
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(combo, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(info.hwndList)));
    if (i == 0) first = brush;
    ASSERT_EQ(brush, first) << "request " << i;
  }
  ASSERT_NE(first, nullptr);
  ASSERT_NE(handler->ListHandler, nullptr);
  EXPECT_EQ(handler->ListWnd, info.hwndList);
  EXPECT_EQ(TacMainWnd::HandlerOf(info.hwndList), handler->ListHandler.get());
  const TsGeneralData* edit = handler->ListHandler->Binding()->Section();
  ASSERT_NE(edit, nullptr);
  LOGBRUSH lb{};
  GetObjectW(first, sizeof(lb), &lb);
  EXPECT_EQ(lb.lbColor, static_cast<COLORREF>(SkinColorToRGB(edit->Color)));
  EXPECT_EQ(GetBkColor(dc), static_cast<COLORREF>(SkinColorToRGB(edit->Color))) << "the last request too";
  EXPECT_EQ(LiveHandles(THandleKind::Brush), brushes + 1);

  // Dropped down: the button shows its pressed state; the list is painted by its handler.
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(info.hwndList) != 0; }));
  EXPECT_EQ(handler->ButtonState(), 2);
  SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(info.hwndList); }));

  handler.reset();
  EXPECT_EQ(LiveHandles(THandleKind::Brush), brushes) << "the brush goes with its handler";
  EXPECT_EQ(GetPropW(info.hwndList, L"ACSBSC"), nullptr);
  EXPECT_EQ(GetPropW(combo, L"ACSBSC"), nullptr);
}

TEST_F(EditWndTest, ASkinnedComboShowsTheSkinsButtonInPlaceOfThePlatformOne) {
  HWND combo = Child(L"COMBOBOX", L"", CBS_DROPDOWNLIST, RECT{10, 10, 170, 200});
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"one"));
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  const auto platform = WindowPixels(combo);
  auto handler = TacMainWnd::Create<TacComboBoxWnd>(combo, false, std::string("COMBOBOX"), nullptr, nullptr);
  const auto skinned = WindowPixels(combo);
  const RECT b = handler->ButtonRect();
  int differing = 0;
  for (int y = b.top; y < b.bottom; ++y)
    for (int x = b.left; x < b.right; ++x) differing += At(skinned->View(), x, y) != At(platform->View(), x, y);
  EXPECT_GT(differing, (b.right - b.left) * (b.bottom - b.top) / 4) << "the button is still the platform's";
  // Hovering repaints the button from pictures kept between hovers: no bitmap per hover.
  SendSkinCommand(combo, CMD_MOUSEENTER, 0);
  const int made = HandlesMade(THandleKind::Bitmap);
  for (int i = 0; i < 20; ++i) SendSkinCommand(combo, i % 2 ? CMD_MOUSEENTER : CMD_MOUSELEAVE, 0);
  EXPECT_EQ(HandlesMade(THandleKind::Bitmap), made) << "bitmaps made while hovering";
  handler.reset();
  const auto back = WindowPixels(combo);
  differing = 0;
  for (int y = b.top; y < b.bottom; ++y)
    for (int x = b.left; x < b.right; ++x) differing += At(back->View(), x, y) != At(platform->View(), x, y);
  EXPECT_EQ(differing, 0) << "the platform's button is back";
}

// ---------------------------------------------------------------- list and tree views

TEST(HeaderText, CaptionPlaceInItsColumn) {
  struct Case {
    const char* name;
    int state, textWidth, arrowWidth, format;
    RECT expected;  // in a column 100 x 20
  } cases[] = {
      {"centred, 40 pixels of text", 0, 40, 0, HDF_CENTER, RECT{25, 1, 70, 19}},
      {"left", 0, 40, 0, HDF_LEFT, RECT{4, 1, 49, 19}},
      {"right, room for an arrow after it", 0, 40, 13, HDF_RIGHT, RECT{34, 1, 79, 19}},
      {"centred with an arrow", 0, 40, 13, HDF_CENTER, RECT{19, 1, 64, 19}},
      {"pressed moves by one", 2, 40, 0, HDF_LEFT, RECT{5, 2, 50, 20}},
  };
  for (const Case& c : cases) {
    const RECT t = HeaderTextRect(RECT{0, 0, 100, 20}, c.state, c.textWidth, c.arrowWidth, c.format);
    EXPECT_TRUE(EqualRect(&t, &c.expected)) << c.name << ": " << t.left << "," << t.top << "," << t.right << ","
                                            << t.bottom;
  }
}

TEST_F(EditWndTest, ATreeViewTakesTheHotColourOutsideDialogsAndTheWindowColourInThem) {
  for (bool dialog : {false, true}) {
    SCOPED_TRACE(dialog ? "dialog" : "form");
    HWND tree = Child(WC_TREEVIEWW, L"", WS_VSCROLL, RECT{10, 10, 170, 150}, WS_EX_CLIENTEDGE);
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.item.mask = TVIF_TEXT;
    wchar_t text[] = L"root";
    insert.item.pszText = text;
    SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
    std::unique_ptr<TacTreeViewWnd> handler;
    {
      const TDialogHandlersScope scope(dialog);
      handler = TacMainWnd::Create<TacTreeViewWnd>(tree, true, std::string("EDIT"), nullptr, nullptr);
    }
    const auto shot = ClientPixels(tree);
    const COLORREF expected = dialog ? GetSysColor(COLOR_WINDOW)
                                     : static_cast<COLORREF>(SkinColorToRGB(handler->Binding()->Section()->HotColor));
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(tree, TVM_GETBKCOLOR, 0, 0)), expected);
    EXPECT_EQ(At(shot->View(), shot->Width() / 2, shot->Height() - 10), expected) << "below the items";
    handler.reset();
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(tree, TVM_GETBKCOLOR, 0, 0)), GetSysColor(COLOR_WINDOW));
    DestroyWindow(tree);
  }
}

class ListViewTest : public EditWndTest {
protected:
  void SetUp() override {
    EditWndTest::SetUp();
    list = Child(WC_LISTVIEWW, L"", LVS_REPORT | WS_VSCROLL, RECT{10, 10, 250, 200}, WS_EX_CLIENTEDGE);
    const wchar_t* titles[] = {L"Name", L"Size"};
    for (int i = 0; i < 2; ++i) {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      column.fmt = i == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT;
      column.cx = 90;
      column.pszText = const_cast<wchar_t*>(titles[i]);
      SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    for (int i = 0; i < 60; ++i) {
      std::wstring text = L"row " + std::to_wstring(i);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = i;
      item.pszText = text.data();
      SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
  }
  HWND list = nullptr;
  HWND header = nullptr;
};

TEST_F(ListViewTest, HeaderIsPaintedFromTheSkinAndGivenBackWithTheColours) {
  const auto platformHeader = ClientPixels(header);
  const LONG_PTR headerProc = GetWindowLongPtrW(header, GWLP_WNDPROC);
  auto handler = TacMainWnd::Create<TacListViewWnd>(list, true, std::string("EDIT"), nullptr, nullptr);
  ASSERT_EQ(handler->HeaderWnd, header);
  ASSERT_TRUE(handler->ReportView());
  Settle(list);
  const TsGeneralData* section = handler->Binding()->Section();
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)), static_cast<COLORREF>(SkinColorToRGB(section->Color)));
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0)),
            static_cast<COLORREF>(SkinColorToRGB(section->FontColor[0])));

  // The header on screen is the column picture the handler draws, not the platform's.
  const auto skinnedHeader = ClientPixels(header);
  TBitmap drawn(skinnedHeader->Width(), skinnedHeader->Height(), TPixelFormat::pf24bit);
  handler->HeaderPaint(drawn.Canvas().Handle());
  GdiFlush();
  // Repaints reuse the column picture: no bitmap per column per paint.
  const int made = HandlesMade(THandleKind::Bitmap);
  for (int i = 0; i < 10; ++i) handler->HeaderPaint(drawn.Canvas().Handle());
  EXPECT_EQ(HandlesMade(THandleKind::Bitmap), made) << "bitmaps made by header repaints";
  int fromHandler = 0, fromPlatform = 0;
  for (int y = 0; y < skinnedHeader->Height(); ++y)
    for (int x = 0; x < skinnedHeader->Width(); ++x) {
      fromHandler += At(skinnedHeader->View(), x, y) == At(drawn.View(), x, y);
      fromPlatform += At(skinnedHeader->View(), x, y) == At(platformHeader->View(), x, y);
    }
  const int all = skinnedHeader->Width() * skinnedHeader->Height();
  EXPECT_EQ(fromHandler, all) << "the header on screen differs from the handler's columns";
  EXPECT_LT(fromPlatform, all / 2) << "the header still looks like the platform's";

  handler.reset();
  EXPECT_EQ(GetWindowLongPtrW(header, GWLP_WNDPROC), headerProc) << "the header has its own procedure back";
  EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)), GetSysColor(COLOR_WINDOW));
  const auto back = ClientPixels(header);
  int same = 0;
  for (int y = 0; y < back->Height(); ++y)
    for (int x = 0; x < back->Width(); ++x) same += At(back->View(), x, y) == At(platformHeader->View(), x, y);
  EXPECT_EQ(same, all) << "the platform's header is back";
}

TEST_F(ListViewTest, ThumbTrackingScrollsByWholeRows) {
  auto handler = TacMainWnd::Create<TacListViewWnd>(list, true, std::string("EDIT"), nullptr, nullptr);
  Settle(list);
  ScrollTracking().LastTrackPos = 0;
  SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 3), 0);
  EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 3) << "three positions, three rows";
  ScrollTracking().LastTrackPos = 3;
  SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 3), 0);
  EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 3) << "the same position scrolls nothing";
  ScrollTracking().LastTrackPos = 0;
}

}  // namespace
