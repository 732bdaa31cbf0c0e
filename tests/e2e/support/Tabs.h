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
// The display area below (or beside) the tabs, in client coordinates (TCM_ADJUSTRECT over
// the client rectangle); empty when unknown.
RECT TabDisplayRect(HANDLE process, HWND tabs);

}  // namespace e2e
