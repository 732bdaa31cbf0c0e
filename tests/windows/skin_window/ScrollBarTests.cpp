// Skinned scroll bars: the thumb, part and track-position arithmetic as tables; and a plain
// list box of 100 items with a plain scroll handler driven by real mouse input (SendInput):
// an arrow click scrolls one line, a held arrow repeats and stops on release or when the
// press is cut off (capture taken, cancel mode, window destroyed), a page click, a thumb drag
// to the end and back, the hot and pressed looks, the frame the bar takes, and handle counts
// that stay flat while scrolling.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HandlerFixture.h"
#include "framework/Forms.h"
#include "framework/Handles.h"
#include "framework/StdCtrls.h"
#include "skin/core/sSkinCommands.h"
#include "skin/window/acScrollWnd.h"

namespace {

// ---------------------------------------------------------------- arithmetic

SCROLLINFO Info(int nMin, int nMax, UINT page, int pos) {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  info.nMin = nMin;
  info.nMax = nMax;
  info.nPage = page;
  info.nPos = pos;
  return info;
}

TEST(ScrollGeometry, ThumbSizeAndPlace) {
  struct Case {
    const char* name;
    SCROLLINFO info;
    int barLength, arrow;
    int pos, size;
  } cases[] = {
      // Track 83: MulDiv(10, 83, 100) = 8 is raised to 10; at 90 the offset is 73 (track end).
      {"page raised to the minimum, top", Info(0, 99, 10, 0), 117, 17, 17, 10},
      {"page raised to the minimum, end", Info(0, 99, 10, 90), 117, 17, 17 + 73, 10},
      {"a zero page is as long as an arrow", Info(0, 99, 0, 0), 117, 17, 17, 17},
      {"a position past the end stays in the track", Info(0, 99, 10, 500), 117, 17, 17 + 73, 10},
      {"nMin counts from the range's start", Info(100, 199, 50, 150), 134, 17, 17 + 50, 50},
      {"an empty range keeps the thumb at the start", Info(5, 4, 10, 5), 117, 17, 17, 17},
  };
  for (const Case& c : cases) {
    const TacThumb thumb = ThumbGeometry(c.info, 0, c.barLength, c.arrow, 10);
    EXPECT_EQ(thumb.Pos, c.pos) << c.name;
    EXPECT_EQ(thumb.Size, c.size) << c.name;
  }
  EXPECT_EQ(ThumbGeometry(Info(0, 99, 10, 0), 300, 117, 17, 10).Pos, 317) << "measured from the bar's start";
}

TEST(ScrollGeometry, PartUnderAPoint) {
  const TacThumb thumb{40, 10};  // in a 117-pixel bar with 17-pixel arrows
  struct Case {
    int along;
    bool inside;
    int barLength;
    TacThumb thumb;
    int part;
  } cases[] = {
      {0, true, 117, thumb, spFirstArrow},   {16, true, 117, thumb, spFirstArrow},
      {17, true, 117, thumb, spPageBefore},  {39, true, 117, thumb, spPageBefore},
      {40, true, 117, thumb, spThumb},       {49, true, 117, thumb, spThumb},
      {50, true, 117, thumb, spPageAfter},   {99, true, 117, thumb, spPageAfter},
      {100, true, 117, thumb, spSecondArrow}, {116, true, 117, thumb, spSecondArrow},
      {117, true, 117, thumb, spNone},       {50, false, 117, thumb, spNone},
      // Shorter than two arrows: two half-length arrows, nothing else.
      {14, true, 30, TacThumb{17, 17}, spFirstArrow}, {15, true, 30, TacThumb{17, 17}, spSecondArrow},
      // A thumb that fills the track: no page or thumb part.
      {40, true, 117, TacThumb{17, 83}, spNone},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PartAt(c.along, c.inside, c.barLength, 17, c.thumb), c.part) << "at " << c.along << " of " << c.barLength;
}

TEST(ScrollGeometry, TrackPositionStaysInTheValidRange) {
  struct Case {
    const char* name;
    SCROLLINFO info;
    int offset, track, thumb;
    int position;
  } cases[] = {
      {"start", Info(0, 99, 10, 0), 0, 83, 10, 0},
      {"track end gives the last page", Info(0, 99, 10, 0), 73, 83, 10, 90},
      {"beyond the end is clamped", Info(0, 99, 10, 0), 200, 83, 10, 90},
      {"before the start is clamped", Info(0, 99, 10, 0), -5, 83, 10, 0},
      {"nMin is added", Info(100, 199, 10, 100), 73, 83, 10, 190},
      {"a zero page ends at nMax, not one past it", Info(0, 99, 0, 0), 66, 83, 17, 99},
      {"an empty range follows the pixels, clamped", Info(0, 0, 0, 0), 30, 83, 17, 0},
      {"a zero track gives the start", Info(0, 99, 10, 0), 10, 10, 10, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(TrackPosition(c.info, c.offset, c.track, c.thumb), c.position) << c.name;
}

// ---------------------------------------------------------------- hit-testing both bars

struct HitCase {
  const char* name;
  bool leftScrollBar;
  RECT bounds;  // in the top-level host's client area (400 x 300)
  const char* where;  // "horz", "vert" or "box"
  LRESULT expected;
};

class BarHitTest : public HandlerTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(BarHitTest, AnswersTheBarsAndTheSizeBoxAtTheParentsCorner) {
  const HitCase& c = GetParam();
  HWND w = Child(L"EquidivHandlerHost", L"", WS_HSCROLL | WS_VSCROLL, c.bounds, c.leftScrollBar ? WS_EX_LEFTSCROLLBAR : 0);
  for (int bar : {SB_HORZ, SB_VERT}) {
    SCROLLINFO info{sizeof(info), SIF_RANGE | SIF_PAGE, 0, 99, 10, 0, 0};
    SetScrollInfo(w, bar, &info, TRUE);
  }
  auto handler = TacMainWnd::Create<TacScrollWnd>(w, true, std::string("EDIT"), nullptr, nullptr);
  ASSERT_TRUE(handler->HorzBar->Shown && handler->VertBar->Shown);
  EXPECT_EQ(handler->LeftScrollBar, c.leftScrollBar);
  const RECT h = handler->HorzBarRect(), v = handler->VertBarRect();
  POINT p{};
  if (std::string(c.where) == "horz") p = POINT{(h.left + h.right) / 2, (h.top + h.bottom) / 2};
  if (std::string(c.where) == "vert") p = POINT{(v.left + v.right) / 2, (v.top + v.bottom) / 2};
  if (std::string(c.where) == "box") p = POINT{(c.leftScrollBar ? v.left : v.right) + (c.leftScrollBar ? 2 : -2), h.bottom - 2};
  const LRESULT hit = SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
  if (c.expected == HTBOTTOMRIGHT || c.expected == HTHSCROLL || c.expected == HTVSCROLL)
    EXPECT_EQ(hit, c.expected);
  else
    EXPECT_NE(hit, HTBOTTOMRIGHT) << "a size box away from the corner";
  // The vertical bar sits on the side the style asks for.
  RECT window{};
  GetWindowRect(w, &window);
  EXPECT_EQ(c.leftScrollBar ? v.left - window.left : window.right - v.right, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Bars, BarHitTest,
    ::testing::Values(HitCase{"Horizontal", false, RECT{250, 200, 400, 300}, "horz", HTHSCROLL},
                      HitCase{"Vertical", false, RECT{250, 200, 400, 300}, "vert", HTVSCROLL},
                      HitCase{"SizeBoxAtCorner", false, RECT{250, 200, 400, 300}, "box", HTBOTTOMRIGHT},
                      HitCase{"SizeBoxAwayFromCorner", false, RECT{200, 150, 350, 250}, "box", HTNOWHERE},
                      HitCase{"LeftVertical", true, RECT{0, 200, 400, 300}, "vert", HTVSCROLL},
                      HitCase{"LeftSizeBoxAtCorner", true, RECT{0, 200, 400, 300}, "box", HTBOTTOMRIGHT},
                      HitCase{"LeftSizeBoxNotSpanning", true, RECT{100, 200, 400, 300}, "box", HTNOWHERE}),
    [](const ::testing::TestParamInfo<HitCase>& param) { return std::string(param.param.name); });

// ---------------------------------------------------------------- a list box with real input

// Records the scroll messages the list box's own procedure receives (sits below the handler).
struct ScrollProbe {
  struct Seen {
    UINT msg;
    int code;
    int position;
    DWORD time;
  };
  static std::map<HWND, ScrollProbe*>& All() {
    static std::map<HWND, ScrollProbe*> all;
    return all;
  }
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    ScrollProbe* probe = All()[w];
    const WNDPROC previous = probe->previous;
    if (msg == WM_VSCROLL || msg == WM_HSCROLL)
      probe->seen.push_back({msg, LOWORD(wp), HIWORD(wp), GetTickCount()});
    else if (msg == WM_NCRBUTTONDOWN || msg == WM_NCLBUTTONDOWN)
      probe->seen.push_back({msg, static_cast<int>(wp), 0, GetTickCount()});
    if (msg == WM_NCDESTROY) All().erase(w);
    return CallWindowProcW(previous, w, msg, wp, lp);
  }
  explicit ScrollProbe(HWND w) {
    All()[w] = this;
    previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  int Count(UINT msg, int code) const {
    int n = 0;
    for (const Seen& s : seen) n += s.msg == msg && s.code == code;
    return n;
  }
  std::vector<Seen> Of(int code) const {
    std::vector<Seen> out;
    for (const Seen& s : seen)
      if (s.msg == WM_VSCROLL && s.code == code) out.push_back(s);
    return out;
  }
  WNDPROC previous = nullptr;
  std::vector<Seen> seen;
};

INPUT MouseEvent(POINT p, DWORD flags) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>((p.x * 65535LL + width / 2) / (width - 1));
  input.mi.dy = static_cast<LONG>((p.y * 65535LL + height / 2) / (height - 1));
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  return input;
}

class ListScrollTest : public HandlerTest {
protected:
  void SetUp() override {
    HandlerTest::SetUp();
    MoveTo(POINT{1000, 740});
    list = Child(L"LISTBOX", L"", WS_VSCROLL | WS_BORDER | LBS_NOINTEGRALHEIGHT, RECT{10, 10, 170, 190});
    for (int i = 0; i < 100; ++i) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((L"item " + std::to_wstring(i)).c_str()));
    probe = std::make_unique<ScrollProbe>(list);
    platformLook = WindowPixels(list);
    handler = TacMainWnd::Create<TacScrollWnd>(list, true, std::string("EDIT"), nullptr, nullptr);
    SetForegroundWindow(host);
    Settle(list);
  }
  void TearDown() override {
    // A failed test may leave the button down: its release must not reach the next test.
    if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) {
      Up(POINT{1000, 740});
      WaitUntil([] { return !(GetAsyncKeyState(VK_LBUTTON) & 0x8000); });
    }
    Application->ProcessMessages();
    handler.reset();
    HandlerTest::TearDown();
  }

  void MoveTo(POINT p) {
    SetCursorPos(p.x, p.y);
    INPUT move = MouseEvent(p, 0);
    SendInput(1, &move, sizeof(INPUT));
    WaitUntil([&] {
      POINT now{};
      GetCursorPos(&now);
      return now.x == p.x && now.y == p.y;
    });
  }
  void Down(POINT p) {
    MoveTo(p);
    INPUT down = MouseEvent(p, MOUSEEVENTF_LEFTDOWN);
    SendInput(1, &down, sizeof(INPUT));
  }
  void Up(POINT p) {
    INPUT up = MouseEvent(p, MOUSEEVENTF_LEFTUP);
    SendInput(1, &up, sizeof(INPUT));
  }
  // Keeps the pointer at `p` (the display may report a late move from before) until `done`.
  // A move onto the place the pointer already has may reach nobody, so now and then the
  // pointer goes one pixel down and back, as a hand holding it would.
  bool HoldAt(POINT p, const std::function<bool()>& done) {
    int polls = 0;
    return WaitUntil([&] {
      POINT now{};
      GetCursorPos(&now);
      if (now.x != p.x || now.y != p.y) MoveTo(p);
      if (done()) return true;
      if (++polls % 20 == 0) {
        MoveTo(POINT{p.x, p.y + 1});
        MoveTo(p);
      }
      return done();
    });
  }
  void Click(POINT p) {
    Down(p);
    ASSERT_TRUE(HoldAt(p, [&] { return ScrollTracking().PressedPart != spNone; })) << "the press did not arrive";
    Up(p);
    ASSERT_TRUE(WaitUntil([&] { return ScrollTracking().PressedPart == spNone; })) << "the release did not arrive";
  }

  int TopIndex() const { return static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0)); }
  int Page() const {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(list, SB_VERT, &info);
    return static_cast<int>(info.nPage);
  }
  RECT Bar() const { return handler->VertBarRect(); }
  int Arrow() const { return TacScrollBar::SystemArrowLength(); }
  POINT DownArrow() const { return POINT{(Bar().left + Bar().right) / 2, Bar().bottom - Arrow() / 2}; }
  POINT UpArrow() const { return POINT{(Bar().left + Bar().right) / 2, Bar().top + Arrow() / 2}; }
  TacThumb Thumb() const {
    handler->VertBar->Refresh();
    return ThumbGeometry(handler->VertBar->Info, Bar().top, Bar().bottom - Bar().top, Arrow(), 10);
  }
  bool PressEnded() const {
    const TacScrollTracking& t = ScrollTracking();
    return t.PressedPart == spNone && t.ShownPressedPart == spNone && t.PressedKind == spNone && !t.RepeatTimer &&
           !handler->ThumbTracking;
  }

  HWND list = nullptr;
  std::unique_ptr<ScrollProbe> probe;
  std::unique_ptr<TacScrollWnd> handler;
  std::unique_ptr<TBitmap> platformLook;
};

TEST_F(ListScrollTest, BarTakesItsRoomFromTheFrameAndAnswersHitTests) {
  RECT client{}, window{};
  GetClientRect(list, &client);
  GetWindowRect(list, &window);
  const int border = GetSystemMetrics(SM_CXBORDER);
  EXPECT_TRUE(handler->VertBar->Shown);
  EXPECT_FALSE(handler->HorzBar->Shown);
  EXPECT_EQ(handler->RightEdge, border);
  EXPECT_EQ(client.right, (window.right - window.left) - 2 * border - handler->VertBar->Thickness());
  const POINT middle{(Bar().left + Bar().right) / 2, (Bar().top + Bar().bottom) / 2};
  EXPECT_EQ(SendMessageW(list, WM_NCHITTEST, 0, MAKELPARAM(middle.x, middle.y)), HTVSCROLL);
  EXPECT_EQ(TacScrollWnd::GetBarOf(list, SB_VERT), handler->VertBar.get());
  EXPECT_EQ(TacScrollWnd::GetBarOf(list, 7), nullptr);

  // A right click on the bar does nothing: the list never sees it.
  SendMessageW(list, WM_NCRBUTTONDOWN, HTVSCROLL, MAKELPARAM(middle.x, middle.y));
  EXPECT_EQ(probe->Count(WM_NCRBUTTONDOWN, HTVSCROLL), 0);
}

TEST_F(ListScrollTest, NoHorizontalBarWhereTheClientIsLowerThanTheBar) {
  // A window that keeps its style (a list box drops a horizontal bar it does not need).
  HWND flat = Child(L"EquidivHandlerHost", L"", WS_HSCROLL | WS_VSCROLL, RECT{200, 10, 300, 20});
  auto flatHandler = TacMainWnd::Create<TacScrollWnd>(flat, true, std::string("EDIT"), nullptr, nullptr);
  EXPECT_EQ(flatHandler->HorzBar->Flags, 8);
  EXPECT_FALSE(flatHandler->HorzBar->Shown);
}

TEST_F(ListScrollTest, ArrowClickScrollsOneLineAndPageClickOnePage) {
  Click(DownArrow());
  EXPECT_EQ(TopIndex(), 1);
  EXPECT_EQ(probe->Count(WM_VSCROLL, SB_LINEDOWN), 1);
  EXPECT_EQ(probe->Count(WM_VSCROLL, SB_ENDSCROLL), 1);
  EXPECT_TRUE(PressEnded());
  EXPECT_NE(GetCapture(), list);

  const TacThumb thumb = Thumb();
  Click(POINT{(Bar().left + Bar().right) / 2, thumb.Pos + thumb.Size + 3});
  EXPECT_EQ(TopIndex(), 1 + Page());
  EXPECT_EQ(probe->Count(WM_VSCROLL, SB_PAGEDOWN), 1);
  Click(UpArrow());
  EXPECT_EQ(TopIndex(), Page());
}

TEST_F(ListScrollTest, HeldArrowRepeatsAfterAPauseAndStopsOnRelease) {
  Down(DownArrow());
  ASSERT_TRUE(HoldAt(DownArrow(), [&] { return probe->Of(SB_LINEDOWN).size() >= 4; }));
  Up(DownArrow());
  ASSERT_TRUE(WaitUntil([&] { return PressEnded(); }));
  const std::vector<ScrollProbe::Seen> lines = probe->Of(SB_LINEDOWN);
  // One at once, the next after the 300 ms pause, then every 55 ms.
  EXPECT_GE(lines[1].time - lines[0].time, 280u);
  EXPECT_LT(lines[3].time - lines[2].time, 200u);
  EXPECT_EQ(TopIndex(), static_cast<int>(lines.size()));
  EXPECT_EQ(probe->Count(WM_VSCROLL, SB_ENDSCROLL), 1);
}

enum class Cut { CaptureTaken, CancelMode, WindowDestroyed };
struct CutCase {
  const char* name;
  Cut cut;
};

class PressCutTest : public ListScrollTest, public ::testing::WithParamInterface<CutCase> {};

TEST_P(PressCutTest, EndsThePressStopsTheTimerAndSendsEndScroll) {
  Down(DownArrow());
  ASSERT_TRUE(HoldAt(DownArrow(), [&] { return probe->Of(SB_LINEDOWN).size() >= 2; }));
  ASSERT_EQ(GetCapture(), list);
  switch (GetParam().cut) {
    case Cut::CaptureTaken: SetCapture(host); break;
    case Cut::CancelMode: SendMessageW(list, WM_CANCELMODE, 0, 0); break;
    case Cut::WindowDestroyed: {
      // The probe stays with its record until the window's last message.
      auto keep = std::move(probe);
      DestroyWindow(list);
      EXPECT_TRUE(PressEnded());
      EXPECT_EQ(keep->Count(WM_VSCROLL, SB_ENDSCROLL), 1);
      EXPECT_EQ(ScrollTracking().TrackWnd, nullptr);
      Up(DownArrow());
      return;
    }
  }
  EXPECT_TRUE(PressEnded());
  EXPECT_EQ(probe->Count(WM_VSCROLL, SB_ENDSCROLL), 1);
  const size_t lines = probe->Of(SB_LINEDOWN).size();
  const int top = TopIndex();
  // The repeat timer is gone: no tick is left to scroll, even while the button is held.
  EXPECT_FALSE(ScrollTracking().RepeatTimer);
  Up(DownArrow());
  ASSERT_TRUE(WaitUntil([&] { return !(GetAsyncKeyState(VK_LBUTTON) & 0x8000); }));
  Application->ProcessMessages();
  EXPECT_EQ(probe->Of(SB_LINEDOWN).size(), lines);
  EXPECT_EQ(TopIndex(), top);
  if (GetCapture() == host) ReleaseCapture();
}

INSTANTIATE_TEST_SUITE_P(Cuts, PressCutTest,
                         ::testing::Values(CutCase{"CaptureTaken", Cut::CaptureTaken},
                                           CutCase{"CancelMode", Cut::CancelMode},
                                           CutCase{"WindowDestroyed", Cut::WindowDestroyed}),
                         [](const ::testing::TestParamInfo<CutCase>& param) { return std::string(param.param.name); });

TEST_F(ListScrollTest, ThumbDragToTheEndGivesTheLastPageAndBackTheFirst) {
  const int x = (Bar().left + Bar().right) / 2;
  const TacThumb thumb = Thumb();
  const POINT grab{x, thumb.Pos + thumb.Size / 2};
  auto state = [&] {
    POINT p{};
    GetCursorPos(&p);
    return "top " + std::to_string(TopIndex()) + ", page " + std::to_string(Page()) + ", tracking " +
           std::to_string(handler->ThumbTracking) + ", captured " + std::to_string(GetCapture() == list) + ", pointer " +
           std::to_string(p.x) + "," + std::to_string(p.y) + ", thumb tracks " +
           std::to_string(probe->Count(WM_VSCROLL, SB_THUMBTRACK));
  };
  Down(grab);
  ASSERT_TRUE(HoldAt(grab, [&] { return handler->ThumbTracking; })) << state();
  ASSERT_TRUE(HoldAt(POINT{x, Bar().bottom + 40}, [&] { return TopIndex() == 100 - Page(); })) << state();
  ASSERT_TRUE(HoldAt(POINT{x, Bar().top - 40}, [&] { return TopIndex() == 0; })) << state();
  Up(POINT{x, Bar().top - 40});
  ASSERT_TRUE(WaitUntil([&] { return PressEnded(); }));
  EXPECT_GE(probe->Count(WM_VSCROLL, SB_THUMBTRACK), 2);
  ASSERT_GE(probe->seen.size(), 2u);
  const ScrollProbe::Seen& last = probe->seen.back();
  const ScrollProbe::Seen& beforeLast = probe->seen[probe->seen.size() - 2];
  EXPECT_EQ(beforeLast.code, SB_THUMBPOSITION);
  EXPECT_EQ(beforeLast.position, 0);
  EXPECT_EQ(last.code, SB_ENDSCROLL);
  int pastTheEnd = 0;
  for (const ScrollProbe::Seen& s : probe->seen) pastTheEnd += s.code == SB_THUMBTRACK && s.position > 100 - Page();
  EXPECT_EQ(pastTheEnd, 0) << "positions past the last page";
}

TEST_F(ListScrollTest, ArrowShowsHotAndPressedLooksInPlaceOfThePlatformBar) {
  RECT window{};
  GetWindowRect(list, &window);
  const RECT bar = Bar();
  const RECT arrow{bar.left - window.left, bar.bottom - Arrow() - window.top, bar.right - window.left, bar.bottom - window.top};
  auto pixelsOf = [](const TBitmap& shot, const RECT& r) {
    std::vector<uint32_t> pixels;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) pixels.push_back(PixelOf(shot.View(), x, y));
    return pixels;
  };
  auto region = [&](const TBitmap& shot) { return pixelsOf(shot, arrow); };
  // The rest of the bar, which the hover of the second arrow must leave alone.
  const RECT rest{arrow.left, bar.top - window.top, arrow.right, arrow.top};
  const auto restNormal = pixelsOf(*WindowPixels(list), rest);
  const auto normal = region(*WindowPixels(list));
  EXPECT_NE(normal, region(*platformLook)) << "the platform's arrow is still on the screen";

  ASSERT_TRUE(HoldAt(DownArrow(), [&] { return ScrollTracking().HoverPart == spSecondArrow; }));
  std::vector<uint32_t> hot;
  ASSERT_TRUE(HoldAt(DownArrow(), [&] {
    hot = region(*WindowPixels(list));
    return hot != normal;
  })) << "no hot look";
  EXPECT_EQ(pixelsOf(*WindowPixels(list), rest), restNormal) << "the platform repainted its bar under the pointer";

  Down(DownArrow());
  ASSERT_TRUE(HoldAt(DownArrow(), [&] { return ScrollTracking().ShownPressedPart == spSecondArrow; }));
  const auto pressed = region(*WindowPixels(list));
  EXPECT_NE(pressed, hot);
  EXPECT_NE(pressed, normal);
  Up(DownArrow());
  ASSERT_TRUE(WaitUntil([&] { return PressEnded(); }));

  // Away from the bar the hover ends: no timer left, the normal look back.
  EXPECT_TRUE(HoldAt(POINT{1000, 740}, [&] {
    return ScrollTracking().HoverKind == spNone && !ScrollTracking().HoverTimer && region(*WindowPixels(list)) == normal;
  })) << "hover did not end";
}

TEST_F(ListScrollTest, DisabledBarTakesNoPressAndLooksDisabled) {
  const auto enabled = WindowPixels(list);
  EnableScrollBar(list, SB_VERT, ESB_DISABLE_BOTH);
  const POINT middle{(Bar().left + Bar().right) / 2, (Bar().top + Bar().bottom) / 2};
  EXPECT_EQ(SendMessageW(list, WM_NCHITTEST, 0, MAKELPARAM(middle.x, middle.y)), HTNOWHERE);
  SendMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(DownArrow().x, DownArrow().y));
  EXPECT_TRUE(PressEnded());
  EXPECT_NE(GetCapture(), list);
  EXPECT_TRUE(probe->seen.empty());
  EXPECT_EQ(TopIndex(), 0);
  handler->RefreshBars(true);
  const auto disabled = WindowPixels(list);
  RECT window{};
  GetWindowRect(list, &window);
  int changed = 0;
  for (int y = Bar().top - window.top; y < Bar().bottom - window.top; ++y)
    for (int x = Bar().left - window.left; x < Bar().right - window.left; ++x)
      changed += PixelOf(enabled->View(), x, y) != PixelOf(disabled->View(), x, y);
  EXPECT_GT(changed, 0) << "the disabled bar looks enabled";
}

TEST_F(ListScrollTest, SkinOffGivesThePlatformItsBarBack) {
  manager->RemoveSkin();
  SendSkinCommand(list, CMD_SKINREMOVED, reinterpret_cast<LPARAM>(manager.get()));
  EXPECT_EQ(TacMainWnd::HandlerOf(list), handler.get()) << "still attached";
  auto differing = [&](const TBitmap& shot) {
    int n = 0;
    for (int y = 0; y < shot.Height(); ++y)
      for (int x = 0; x < shot.Width(); ++x) n += PixelOf(shot.View(), x, y) != PixelOf(platformLook->View(), x, y);
    return n;
  };
  EXPECT_EQ(differing(*WindowPixels(list)), 0) << "the platform's bar is not back";
  handler.reset();
  EXPECT_EQ(GetPropW(list, L"ACSBSC"), nullptr);
  EXPECT_EQ(differing(*WindowPixels(list)), 0);
}

TEST_F(ListScrollTest, HandleCountsStayFlatOver500ScrollSteps) {
  const THandleKind kinds[] = {THandleKind::Bitmap, THandleKind::DC,   THandleKind::Brush, THandleKind::Font,
                               THandleKind::Pen,    THandleKind::Region, THandleKind::Timer};
  // Warm up: the handler's one cached bar picture exists from here on.
  Click(DownArrow());
  std::vector<int> before;
  for (THandleKind kind : kinds) before.push_back(LiveHandles(kind));
  for (int i = 0; i < 500; ++i) {
    const POINT at = (i / 50) % 2 == 0 ? DownArrow() : UpArrow();
    SendMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(at.x, at.y));
    SendMessageW(list, WM_LBUTTONUP, 0, 0);
  }
  EXPECT_EQ(probe->Count(WM_VSCROLL, SB_LINEDOWN) + probe->Count(WM_VSCROLL, SB_LINEUP), 501);
  std::vector<int> after;
  for (THandleKind kind : kinds) after.push_back(LiveHandles(kind));
  EXPECT_EQ(after, before);
}


TEST_F(HandlerTest, FrameworkListBoxScrollsThroughItsChain) {
  auto* form = new TForm(Application);
  form->SetClientSize(240, 200);
  auto* box = new TListBox(form);
  box->SetParent(form);
  box->SetBounds(10, 10, 150, 150);
  for (int i = 0; i < 100; ++i) box->Items().Add(L"line " + std::to_wstring(i));
  form->Show();
  Application->ProcessMessages();
  ASSERT_TRUE(GetWindowLongW(box->Handle(), GWL_STYLE) & WS_VSCROLL);
  RECT before{};
  GetClientRect(box->Handle(), &before);
  auto binding = std::make_unique<TsCommonData>(box, true);
  auto handler = TacMainWnd::Create<TacScrollWnd>(box->Handle(), true, std::string("EDIT"), nullptr, binding.get());
  EXPECT_TRUE(handler->InChain()) << "a framework control is taken over through its chain";
  EXPECT_TRUE(handler->VertBar->Shown);
  RECT after{};
  GetClientRect(box->Handle(), &after);
  EXPECT_EQ(after.right, before.right) << "the bar takes the room the platform's bar took";

  const RECT bar = handler->VertBarRect();
  const POINT down{(bar.left + bar.right) / 2, bar.bottom - TacScrollBar::SystemArrowLength() / 2};
  box->Perform(WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(down.x, down.y));
  box->Perform(WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(SendMessageW(box->Handle(), LB_GETTOPINDEX, 0, 0), 1);
  EXPECT_EQ(ScrollTracking().PressedPart, spNone);
  delete form;
  EXPECT_TRUE(handler->Destroyed());
  handler.reset();
  binding.reset();
}

}  // namespace
