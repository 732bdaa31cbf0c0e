#include "skin/controls/sTabGeometry.h"

#include "skin/controls/sPageControlParts.h"

using namespace page_control_parts;

RECT SkinTabRectFor(const RECT& p, TTabPosition position, TTabStyle style, bool active) {
  if (style != tsTabs || EmptyRect(p)) return p;
  switch (position) {
    case tpTop:
      return active ? RECT{p.left - 2, p.top - 2, p.right + 2, p.bottom + 2} : RECT{p.left, p.top, p.right - 1, p.bottom + 4};
    case tpBottom:
      return active ? RECT{p.left - 2, p.top - 3, p.right + 2, p.bottom + 1} : RECT{p.left, p.top - 2, p.right - 1, p.bottom};
    case tpLeft:
      return active ? RECT{p.left - 1, p.top - 2, p.right + 3, p.bottom + 1} : RECT{p.left, p.top - 1, p.right + 3, p.bottom};
    case tpRight:
      return active ? RECT{p.left - 3, p.top - 2, p.right + 1, p.bottom + 2} : RECT{p.left - 2, p.top - 1, p.right - 1, p.bottom};
  }
  return p;
}

int TabRowFor(const RECT& tab, TTabPosition position, int rows, const RECT& band) {
  if (rows < 2) return 1;
  const int w = W(tab), h = H(tab);
  // A tab without size has no row of its own (and must not divide).
  if (w <= 0 || h <= 0) return 1;
  switch (position) {
    case tpTop:
      return (tab.bottom + h / 2) / h;
    case tpLeft:
      return (tab.right + w / 2) / w;
    case tpRight:
      return rows - (tab.right + w / 2 - band.left) / w + 1;
    case tpBottom:
      return rows - (tab.bottom + h / 2 - band.top) / h + 1;
  }
  return 1;
}

RECT TabBandFor(const RECT& client, const RECT& display, TTabPosition position, bool hasTabs) {
  RECT band = client;
  if (!hasTabs) return band;
  switch (position) {
    case tpTop: band.bottom = display.top - 4; break;
    case tpBottom: band.top = display.bottom + 1; break;
    case tpLeft: band.right = display.left - 1; break;
    case tpRight: band.left = display.right + 1; break;
  }
  return band;
}

RECT PageAreaFor(const RECT& client, const RECT& display, TTabPosition position) {
  RECT area = client;
  switch (position) {
    case tpTop: area.top = display.top - 4; break;
    case tpBottom: area.bottom = display.bottom + 1; break;
    case tpLeft: area.left = display.left - 1; break;
    case tpRight: area.right = display.right + 1; break;
  }
  return area;
}

