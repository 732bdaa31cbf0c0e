// Small pieces the painting window handlers share: painting that never raises out of a
// window procedure, the base handling run with the window's redrawing switched off, and
// the painting core's description of a handler's binding.
#pragma once

#include <windows.h>

#include "framework/Handles.h"
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

// The DC a non-client paint or a print brings, or, without one, the window's own DC, which
// `own` keeps until it goes.
inline HDC GivenOrWindowDC(HDC given, HWND window, TWindowDC& own) {
  if (given) return given;
  own = TWindowDC::Of(window);
  return own.Get();
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
