// Where a page control's tabs, band and page area lie, from the platform's rectangles: pure
// geometry for every tab position and style.
#pragma once

#include <windows.h>

#include "framework/ComCtrls.h"

// The skin's rectangle of a tab from its platform rectangle (client coordinates): the
// active look reaches over the page frame, the normal look into the page area. Unchanged
// for button styles and for an empty rectangle.
RECT SkinTabRectFor(const RECT& platform, TTabPosition position, TTabStyle style, bool active);
// The painting row (1 = first) of a tab with platform rectangle `tab` among `rows` rows in
// `band`. 1 for fewer than two rows or a tab without width or height.
int TabRowFor(const RECT& tab, TTabPosition position, int rows, const RECT& band);
// The tab band and the page area of a control of `client` size with display area
// `display` (AdjustClientRect); with no tabs the band is the whole control.
RECT TabBandFor(const RECT& client, const RECT& display, TTabPosition position, bool hasTabs);
RECT PageAreaFor(const RECT& client, const RECT& display, TTabPosition position);
