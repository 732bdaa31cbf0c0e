// Painting of multi-step gradients (the steps come from the skin tables' ParseGradient).
//
// Three modes, chosen by the first step's Mode: 0 vertical bands of one colour per row,
// 1 horizontal bands, 2 a five-point triangle mesh shaded smoothly by our own fill (so
// every platform gets the same pixels). Other modes and empty arrays paint nothing.
#pragma once

#include "skin/paint/PaintTypes.h"

// Paints `steps` into `rect` (right and bottom exclusive) of a 24- or 32-bit surface;
// the rectangle is clipped to the surface.
void PaintGradient(const TSurfaceView& surface, TsRect rect, const TsGradArray& steps);

struct TGouraudVertex {
  double x = 0;
  double y = 0;
  TColor color = 0;
};

// Fills the triangle with colours interpolated between its corners. A pixel belongs to
// the triangle when its centre (x + 0.5, y + 0.5) lies inside, with a top-left rule on the
// edges, so triangles that share an edge cover every pixel once. Clipped to `clip`.
void FillGouraudTriangle(const TSurfaceView& surface, const TsRect& clip, const TGouraudVertex& a,
                         const TGouraudVertex& b, const TGouraudVertex& c);
