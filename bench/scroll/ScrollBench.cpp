// bench-scroll: a plain list box of 100 items with skinned scroll bars (a plain scroll
// handler with the built-in skin). Timed in one run: the list scrolled by one line through
// its bar's arrow and repainted (bars and client area), one step of a thumb drag (the
// pointer moved, the list scrolled and repainted), and, as the baseline, one copy of the
// list's whole area from the screen to a memory bitmap.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/BenchTiming.h"
#include "bench/BuiltinSkinManager.h"
#include "framework/Forms.h"
#include "skin/core/sSkinManager.h"
#include "skin/window/acScrollWnd.h"

namespace {

HWND MakeHost() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = L"EquidivScrollBenchHost";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 40, 40, 300, 260, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int TopIndex(HWND list) { return static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0)); }

}  // namespace

int wmain() {
  Application->Initialize();
  TsSkinManager manager(nullptr);
  if (!UseBuiltinSkin(manager)) return 1;
  const HWND host = MakeHost();
  const HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER | LBS_NOINTEGRALHEIGHT,
                                    10, 10, 200, 220, host, nullptr, GetModuleHandleW(nullptr), nullptr);
  for (int i = 0; i < 100; ++i)
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((L"piece " + std::to_wstring(i)).c_str()));
  auto handler = TacMainWnd::Create<TacScrollWnd>(list, true, std::string("EDIT"), nullptr, nullptr);
  UpdateWindow(host);
  Pump();

  const RECT bar = handler->VertBarRect();
  const int arrow = TacScrollBar::SystemArrowLength();
  const int x = (bar.left + bar.right) / 2;
  const POINT down{x, bar.bottom - arrow / 2}, up{x, bar.top + arrow / 2};

  // One line through the arrow (down, then back up, so the range never runs out).
  bool forward = true;
  auto lineScroll = [&] {
    const POINT at = forward ? down : up;
    forward = !forward;
    SendMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(at.x, at.y));
    SendMessageW(list, WM_LBUTTONUP, 0, 0);
    UpdateWindow(list);
  };
  lineScroll();
  const bool scrolled = TopIndex(list) == 1;
  lineScroll();
  const double line = TimePerCall(lineScroll);
  const double barsOnly = TimePerCall([&] { handler->PaintBars(); });
  bool down2 = true;
  const double plainLine = TimePerCall([&] {
    SendMessageW(list, WM_VSCROLL, down2 ? SB_LINEDOWN : SB_LINEUP, 0);
    down2 = !down2;
    UpdateWindow(list);
  });
  const double clientOnly = TimePerCall([&] {
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
  });

  // A thumb drag: pressed once, then each step moves the pointer by a few pixels.
  handler->VertBar->Refresh();
  const TacThumb thumb = ThumbGeometry(handler->VertBar->Info, bar.top, bar.bottom - bar.top, arrow, 10);
  SetCursorPos(x, thumb.Pos + thumb.Size / 2);
  SendMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(x, thumb.Pos + thumb.Size / 2));
  int offset = 0;
  auto dragStep = [&] {
    offset = offset >= 60 ? 0 : offset + 6;
    SetCursorPos(x, thumb.Pos + thumb.Size / 2 + offset);
    PostMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, 0);
    Pump();
    UpdateWindow(list);
  };
  dragStep();
  dragStep();
  const bool dragged = handler->ThumbTracking && TopIndex(list) > 0;
  const double drag = TimePerCall(dragStep);
  SendMessageW(list, WM_LBUTTONUP, 0, 0);

  RECT area{};
  GetWindowRect(list, &area);
  const int w = area.right - area.left, h = area.bottom - area.top;
  HDC screen = GetWindowDC(list);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const double copy = TimePerCall([&] { BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY); });
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(list, screen);

  if (!scrolled || !dragged) {
    std::printf("the list did not scroll (arrow %d, drag %d)\n", scrolled, dragged);
    return 1;
  }
  char size[48];
  std::snprintf(size, sizeof size, "list %d x %d, 100 items", w, h);
  std::printf("%-28s %12s %12s %8s\n", size, "operation", "BitBlt", "ratio");
  std::printf("%-28s %9.3f ms %9.3f ms %8.1f\n", "one-line scroll + repaint", line * 1e3, copy * 1e3, line / copy);
  std::printf("%-28s %9.3f ms %9.3f ms %8.1f\n", "one thumb-drag step", drag * 1e3, copy * 1e3, drag / copy);
  std::printf("%-28s %9.3f ms %9.3f ms %8.1f\n", "(WM_VSCROLL line, no bar)", plainLine * 1e3, copy * 1e3,
              plainLine / copy);
  std::printf("%-28s %9.3f ms %9.3f ms %8.1f\n", "(both bars painted alone)", barsOnly * 1e3, copy * 1e3, barsOnly / copy);
  std::printf("%-28s %9.3f ms %9.3f ms %8.1f\n", "(client area painted alone)", clientOnly * 1e3, copy * 1e3,
              clientOnly / copy);
  handler.reset();
  DestroyWindow(host);
  return 0;
}
