#include "tests/e2e/support/Tabs.h"

#include <commctrl.h>

#include "tests/e2e/support/RemoteMemory.h"
#include "tests/e2e/support/WindowQuery.h"

namespace e2e {

int TabCount(HWND tabs) { return static_cast<int>(Send(tabs, TCM_GETITEMCOUNT)); }
int TabSelected(HWND tabs) { return static_cast<int>(Send(tabs, TCM_GETCURSEL)); }

RECT TabRect(HANDLE process, HWND tabs, int index) {
  RemoteBuffer remote(process, sizeof(RECT));
  RECT rect{};
  if (remote.Valid() &&
      Send(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote.At())))
    remote.Read(&rect, sizeof rect);
  return rect;
}

RECT TabDisplayRect(HANDLE process, HWND tabs) {
  RECT rect{};
  if (!GetClientRect(tabs, &rect)) return RECT{};
  RemoteBuffer remote(process, sizeof(RECT));
  if (!remote.Valid() || !remote.Write(&rect, sizeof rect)) return RECT{};
  Send(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(remote.At()));
  if (!remote.Read(&rect, sizeof rect)) return RECT{};
  return rect;
}

}  // namespace e2e
