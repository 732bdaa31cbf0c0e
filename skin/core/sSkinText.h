// Captions of bound controls: the binding-based forms of the text painters of
// skin/paint/gdi. They read the binding's manager, section, CustomFont and control font
// and hand them on as plain parameters; the painting itself lives in the paint layer.
//
// Left out: everything that is not a caption (focus dots, frame rings, shadows), which
// needs no binding and is called from the paint layer directly.
#pragma once

#include <windows.h>

#include "framework/Graphics.h"
#include "skin/paint/gdi/sTextPainting.h"

class TsCommonData;
class TsSkinManager;

// What the text painter needs of `binding`: its skin while it is skinned, its section, its
// CustomFont and its control's font. Borrowed from the binding: valid while it lives and
// its manager keeps its skin.
TsTextSkin TextSkinOf(const TsCommonData& binding);

// The caption of the binding's control (see the plain-parameter form).
void DrawSkinText(TCanvas& canvas, const String& text, bool enabled, bool hot, const TsCommonData& binding,
                  UINT format, const RECT& rect);
// A caption in the colours of section `index` of `manager` (null: the default manager).
// Draws nothing while no default manager exists.
void DrawSectionText(TCanvas& canvas, const String& text, bool enabled, const TsSkinManager* manager, bool hot,
                     int index, UINT format, const RECT& rect);
