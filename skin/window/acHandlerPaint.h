// Small pieces the painting window handlers share: painting that never raises out of a
// window procedure, the base handling run with the window's redrawing switched off, and
// the painting core's description of a handler's binding.
#pragma once

#include <windows.h>

#include "framework/Redraw.h"
#include "skin/core/sCommonData.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/window/acMainWnd.h"

// Runs `step` with `handler`'s window not redrawing (TRedrawOff), so that the platform's
// own drawing, which the step triggers, never reaches the screen. A hidden window is left
// alone; redrawing comes back unless the window went away during the step.
template <class F>
void WithoutRedraw(TacMainWnd& handler, F&& step) {
  const TRedrawOff quiet(handler.Window());
  step();
}

// The painting core's view of `binding`'s section (a plain window with a parent).
inline TPaintItemSource PaintSourceOf(const TsCommonData& binding, const TsSkinManager& manager) {
  TPaintItemSource item = SectionPaintSource(binding, manager);
  item.HasParent = true;
  item.DependsOnParent = binding.DependsOnParent();
  return item;
}

// The skin's standard glyph mask `index` of the global section, by name, or -1.
inline int GlobalMask(const TsSkinManager& manager, const char* name) {
  return manager.MaskIndex(manager.StandardIndexes().GlobalSection, "GLOBALINFO", name);
}

// Copies `source` (right and bottom exclusive) of `src` to (x, y) of `dst`, clipped to both.
inline void CopyPixels(const TSurfaceView& dst, int x, int y, const TSurfaceView& src, TsRect source) {
  if (dst.Empty() || src.Empty()) return;
  for (int row = source.Top; row < source.Bottom; ++row) {
    const int dy = y + row - source.Top;
    if (row < 0 || row >= src.height || dy < 0 || dy >= dst.height) continue;
    for (int col = source.Left; col < source.Right; ++col) {
      const int dx = x + col - source.Left;
      if (col < 0 || col >= src.width || dx < 0 || dx >= dst.width) continue;
      PutRGB(dst.Pixel(dx, dy), GetRGB(src.Pixel(col, row)));
    }
  }
}
