// bench-repaint: a full repaint of the main window with every cached picture invalid
// (every control told its background changed, then the window and all its children
// redrawn at once), against one copy of the window's client area from the screen to a
// memory bitmap of the same size, timed in the same run.
#include <windows.h>

#include <cstdio>

#include "app/umain.h"
#include "bench/BenchTiming.h"
#include "bench/WindowPaint.h"
#include "skin/core/sSkinCommands.h"
#include "skin/window/acEditWnd.h"

namespace {

// Command 17 (background changed) to `control` and everything below it.
void MarkBackgroundsChanged(TControl* control) {
  PerformSkinCommand(control, CMD_SETBGCHANGED, 0);
  if (!control->IsWindowed()) return;
  auto* windowed = static_cast<TWinControl*>(control);
  for (int i = 0; i < windowed->ControlCount(); ++i) MarkBackgroundsChanged(windowed->Controls(i));
}

// The controls below `control` that are visible and whose picture waits for a rebuild.
int CountStale(TWinControl* control) {
  int stale = 0;
  for (int i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    if (!child->Visible()) continue;
    if (AskControl(child, CMD_ISBGBUSY)) ++stale;
    if (child->IsWindowed()) stale += CountStale(static_cast<TWinControl*>(child));
  }
  return stale;
}

}  // namespace

int wmain() {
  Application->Initialize();
  UseWindowHandlers();  // the list's frame, as the program has it
  Tfrmmain* form = Application->CreateForm<Tfrmmain>();
  form->Show();
  const HWND window = form->Handle();
  if (!form->sSkinManager1->SkinActive() || !WaitForCompletePaint(window)) {
    std::printf("the skinned window did not come up\n");
    return 1;
  }

  // Check once that the marking reaches the pictures and the redraw rebuilds them all.
  MarkBackgroundsChanged(form);
  const int marked = CountStale(form);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const int left = CountStale(form);
  if (marked == 0 || left != 0) {
    std::printf("marked %d visible pictures stale, %d still stale after the redraw\n", marked, left);
    return 1;
  }

  const double repaint = TimePerCall([&] {
    MarkBackgroundsChanged(form);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  });

  RECT client;
  GetClientRect(window, &client);
  const int w = client.right, h = client.bottom;
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  // The copy must really happen: a pixel of the window's middle arrives in the bitmap.
  SetPixel(memory, w / 2, h / 2, RGB(1, 2, 3));
  const bool copied = BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY) &&
                      GetPixel(memory, w / 2, h / 2) == GetPixel(screen, w / 2, h / 2);
  const double copy = TimePerCall([&] { BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY); });
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, screen);

  if (!copied) {
    std::printf("the client area did not copy from the screen\n");
    return 1;
  }
  char size[48];
  std::snprintf(size, sizeof size, "main window %d x %d", w, h);
  std::printf("%-28s %12s %12s %8s\n", size, "repaint", "BitBlt", "ratio");
  std::printf("%-28s %9.3f ms %9.3f ms %8.1f\n", "", repaint * 1e3, copy * 1e3, repaint / copy);
  std::printf("(%d visible pictures rebuilt per repaint)\n", marked);
  return 0;
}
