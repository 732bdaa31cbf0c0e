// bench-listbox: a TsListBox of 100 items on a form with the built-in skin (frame ring and
// bars painted by its framed-window handler, the client background from its cached
// picture). Timed in one run: one line scrolled and repainted, the frame alone (ring and
// bars), the whole list repainted with its frame, and, as the baseline, one copy of the
// list's whole area from the screen to a memory bitmap.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/BenchTiming.h"
#include "bench/BuiltinSkinManager.h"
#include "framework/Forms.h"
#include "skin/controls/sSkinListBox.h"
#include "skin/core/sSkinManager.h"
#include "skin/window/acEditWnd.h"

namespace {

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Row(const char* name, double seconds, double copy) {
  std::printf("%-28s %9.3f ms %9.3f ms %8.1f\n", name, seconds * 1e3, copy * 1e3, seconds / copy);
}

}  // namespace

int wmain() {
  Application->Initialize();
  UseWindowHandlers();
  TsSkinManager manager(nullptr);
  if (!UseBuiltinSkin(manager)) return 1;
  auto* form = new TForm(Application);
  form->SetClientSize(300, 200);
  auto* list = new TsListBox(form);
  list->SetParent(form);
  list->SetBounds(0, 0, 280, 138);
  list->SetMultiSelect(true);
  for (int i = 0; i < 100; ++i) list->Items().Add(L"C:\\pieces\\source.bin.sprt" + std::to_wstring(i + 1));
  form->Show();
  Pump();
  const HWND window = list->Handle();
  if (!list->FrameHandler()) {
    std::printf("the list has no frame handler\n");
    return 1;
  }

  bool down = true;
  const double line = TimePerCall([&] {
    SendMessageW(window, WM_VSCROLL, down ? SB_LINEDOWN : SB_LINEUP, 0);
    down = !down;
    UpdateWindow(window);
  });
  const double frame = TimePerCall([&] { SendMessageW(window, WM_NCPAINT, 1, 0); });
  const double whole = TimePerCall(
      [&] { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW); });

  RECT area{};
  GetWindowRect(window, &area);
  const int w = area.right - area.left, h = area.bottom - area.top;
  HDC screen = GetWindowDC(window);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const double copy = TimePerCall([&] { BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY); });
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, screen);

  char size[48];
  std::snprintf(size, sizeof size, "TsListBox %d x %d, 100 items", w, h);
  std::printf("%-28s %12s %12s %8s\n", size, "operation", "BitBlt", "ratio");
  Row("one-line scroll + repaint", line, copy);
  Row("frame (ring and bar)", frame, copy);
  Row("whole list with its frame", whole, copy);
  delete form;
  return 0;
}
