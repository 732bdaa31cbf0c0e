// Text and the small line helpers that skinned controls draw next to it, through GDI into
// DIB-backed surfaces: captions in a section's font colours with up to four contours,
// disabled captions in a colour mixed from the font and section colours, cutting a text
// to a width with an ellipsis, the dotted focus frame, bevelled frame rings, copying the
// border ring of a cached picture, and a rounded soft shadow.
//
// Everything here takes plain parameters (tables, section index, font, flags): the
// binding-based forms of `DrawSkinText` and `DrawSectionText` live with the binding in
// skin/core, which builds on this layer. Text goes through the wide (W) interfaces.
//
// Nothing here raises: a canvas without a device context, an invalid section or an empty
// rectangle makes a painter return quietly, and every GDI object made here is released
// before the painter returns, also when drawing fails.
//
// Left out: glyph images of state-dependent pictures (PaintGlyphMask in the pixel core).
#pragma once

#include <windows.h>

#include <string_view>

#include "framework/Graphics.h"
#include "skin/paint/PaintTypes.h"

// What the caption painter needs of a control's binding.
struct TsTextSkin {
  const TsSkinTables* Skin = nullptr;  // not owned; null when the control has no skin
  int SectionIndex = -1;
  std::string_view SectionName;  // as the binding names it; "WEBBUTTON" is underlined when hot
  bool CustomFont = false;       // the control's own font colour stays, without contours
  const TFont* Font = nullptr;   // the control's font, not owned; null keeps the canvas font
};

// The platform's DrawText over the whole text (DT_* flags); returns the text height.
// `rect` changes only with DT_CALCRECT.
int DrawTextStr(HDC dc, const String& text, RECT& rect, UINT format);

// The canvas's text width, text extent, and text output at (x, y) clipped to `rect`
// (opaque unless the canvas brush is clear).
int TextWidthOf(TCanvas& canvas, const String& text);
SIZE TextExtentOf(TCanvas& canvas, const String& text);
void TextInRect(TCanvas& canvas, const RECT& rect, int x, int y, const String& text);

// The longest prefix of `text` that fits into `width` pixels with "..." appended, the text
// itself when it fits, and the empty string when nothing fits or width <= 0. A surrogate
// pair is kept or dropped whole.
String CutText(TCanvas& canvas, const String& text, int width);

// The caption of a bound control in `rect`, clipped to it. The canvas takes a copy of the
// control's font and keeps the font colour it was drawn in. Enabled and skinned: the
// contours (left, top, right, bottom, each unless -1, at the rectangle moved one pixel
// that way) and then the text with DT_NOCLIP in the section's font colours (hot ones when
// `hot`); with CustomFont only the text, in the font's own colour. Disabled: the text once
// in MixColor(FontColor[0], Color, 0.4), or in the font's colour without a section.
void DrawSkinText(TCanvas& canvas, const String& text, bool enabled, bool hot, const TsTextSkin& skin,
                  UINT format, const RECT& rect);
// A caption in a section's colours in the canvas font, without a binding: contours and
// text as above (no CustomFont), the caller's format unchanged, no clipping. Draws nothing
// without tables or for an invalid section index.
void DrawSectionText(TCanvas& canvas, const String& text, bool enabled, const TsSkinTables* skin, bool hot,
                     int sectionIndex, UINT format, const RECT& rect);

// The dotted focus frame: black dots every third pixel on the rectangle's edge lines (the
// right and bottom lines included), each with a white dot one pixel up and to the left.
void DrawFocusDots(TCanvas& canvas, const RECT& rect);

// `rings` one-pixel rings inside `rect`: top and left in `topLeft` (converted to RGB),
// right and bottom in `bottomRight` (taken as it is). `rect` is left shrunk by the number
// of rings drawn on every side and `rings` at 0. The DC's pen and brush are kept.
void DrawFrameRings(HDC dc, RECT& rect, TColor topLeft, int& rings, TColor bottomRight);

// Copies the ring of `ringWidth` pixels around a width x height picture at (sx, sy) of
// `src` to (x, y) of `dst`, in four strips; what falls outside `dst` is clipped by GDI.
void CopyBorderRing(HDC dst, int x, int y, int ringWidth, int sx, int sy, HDC src, int height, int width);

// Darkens `rect` of the surface towards `color` in a rounded shape that fades out over
// `blur` rings: the centre keeps `transparency` percent of the picture, the outer ring
// all of it. The rectangle may reach beyond the surface; only the overlap changes.
void SoftShadow(const TSurfaceView& surface, TsRect rect, int transparency, int radius, int blur, TColor color);
