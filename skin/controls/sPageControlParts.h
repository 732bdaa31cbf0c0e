// Small pieces the page control's units share: rectangle helpers and the section names of
// the four tab positions. Only for sPageControl*.cpp, sTabButtons.cpp and sTabSheet.cpp.
#pragma once

#include <windows.h>

#include "skin/data/sSkinTables.h"

namespace page_control_parts {

inline bool EmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
inline int W(const RECT& r) { return r.right - r.left; }
inline int H(const RECT& r) { return r.bottom - r.top; }
inline TsRect ToTs(const RECT& r) { return TsRect{r.left, r.top, r.right, r.bottom}; }

inline constexpr const char* kPageSections[4] = {"PAGECONTROL", "PAGECONTROLBOTTOM", "PAGECONTROLLEFT",
                                                 "PAGECONTROLRIGHT"};
inline constexpr const char* kTabSections[4] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};

}  // namespace page_control_parts
