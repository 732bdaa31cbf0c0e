// The framed-window handler on plain edit and list windows: the frame ring on screen is
// the binding's cached section picture and the window's own procedure never paints its
// frame; the bars are skinned; a dialog's window shows a window-coloured face in the
// skin's border colour; printing puts ring, bars and client together; taking the handler
// off gives every window its own procedure and look back.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "HandlerFixture.h"
#include "framework/Handles.h"
#include "skin/window/acEditWnd.h"

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
  explicit NcPaintProbe(HWND w) {
    All()[w] = this;
    previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
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
    const TSurfaceView cache = handler.Binding->Cache()->View();
    const TsMaskData& mask = manager->Tables().MaskTable[static_cast<size_t>(handler.Binding->BorderMaskIndex)];
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
    EXPECT_EQ(handler->EditColor, SkinColorToRGB(handler->Binding->Section()->Color));

    handler.reset();
    EXPECT_EQ(GetWindowLongPtrW(f.window, GWLP_WNDPROC), ownProc);
    EXPECT_EQ(GetPropW(f.window, L"ACSBSC"), nullptr);
    const auto back = WindowPixels(f.window);
    EXPECT_EQ(At(back->View(), 0, 40), At(platform->View(), 0, 40));
    EXPECT_GT(SameBarPixels(back->View(), platform->View(), 2), 95) << "the platform's bar is back";
  }
}

TEST_F(EditWndTest, ADialogsWindowShowsAWindowFaceFramedInTheSkinsBorderColour) {
  const Framed f = Edit();
  DialogModeDefault() = true;
  auto handler = TacMainWnd::Create<TacEditWnd>(f.window, true, std::string("EDIT"), nullptr, nullptr);
  DialogModeDefault() = false;
  ASSERT_TRUE(handler->DialogMode);
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

}  // namespace
