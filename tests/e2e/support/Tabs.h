// Tab control queries from outside the program. The rectangle query takes a pointer, so it
// goes through memory reserved inside the program.
#pragma once

#include <windows.h>

namespace e2e {

int TabCount(HWND tabs);
int TabSelected(HWND tabs);
// The tab's rectangle in the tab control's client coordinates (empty when unknown);
// `process` is the program's handle with memory rights.
RECT TabRect(HANDLE process, HWND tabs, int index);

}  // namespace e2e
