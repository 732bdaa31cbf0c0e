// Composition of a control's picture for one skin section and one state: the parent's
// background where the section is transparent, the section colour, a texture or picture,
// a gradient, the colour mixed back in by percentage, the border mask and the corner images.
//
// Everything is read from the skin tables; a null table, an invalid section index or a
// rectangle outside the surface make every painter return without painting. The two
// process-wide painting colours (TPaintColors) are set by PaintItem for the duration of
// one paint and are none before and after it.
//
// Left out: painting into a device context (the Windows layer paints into a surface and
// copies it) and the control binding itself; `TPaintItemSource` is what PaintItem needs
// of a binding, filled by the control layer.
#pragma once

#include <functional>
#include <string>

#include "skin/paint/PaintTypes.h"

struct TMaskRef;

// What PaintItem needs from a control's binding and its control.
struct TPaintItemSource {
  const TsSkinTables* Skin = nullptr;  // the manager's tables; not owned
  int SkinIndex = -1;                  // section index
  std::string SkinSection;             // section name
  int BorderIndex = -1;                // "BORDERSMASK" of the section
  int Texture = -1;                    // "PATTERN" texture, -1 for a lookup by key
  int HotTexture = -1;                 // "HOTPATTERN" texture, -1 for a lookup by key
  bool CustomColor = false;            // paint with OwnerColor instead of the section colour
  TColor OwnerColor = clFuchsia;       // the control's (or form's) Color
  bool HasParent = false;
  TColor ParentColor = clFuchsia;      // the parent's Color
  bool DependsOnParent = true;         // the control's picture depends on its parent's
  std::function<TColor()> QueryParentColor;  // asks the parent for its colour; may be empty
};

// The pictures composed by the three painters below (PaintItem, PaintSection, PaintPart)
// in this process so far. A benchmark or a test reads it before and after a repaint: a
// repaint from valid caches composes none.
long PictureCompositions();

// The full picture of a control.
void PaintItem(const TPaintItemSource& item, const BgInfo& bg, bool fillCentre, bool useParent,
               const TSurfaceView& surface, TPoint offset, TsRect rect, int state);

// The same for any section, by index and name (no corner images).
void PaintSection(int index, const std::string& name, const BgInfo& bg, int hotTexture, int texture,
                  const TsSkinTables* skin, const TSurfaceView& surface, TPoint offset, TsRect rect, int state,
                  bool fillCentre);

// A sub-element (scroll bar buttons, thumbs, up-down buttons) with explicit mask indexes.
void PaintPart(int index, int borderIndex, int texture, int hotTexture, const TsSkinTables* skin,
               const TSurfaceView& surface, TPoint offset, TsRect rect, int state, bool fillCentre,
               const BgInfo& bg, const std::string& name);

// The background layers only. `color` is clFuchsia for the section's own colour.
void PaintBackground(int index, const std::string& name, const BgInfo& bg, TColor color, int hotTexture,
                     int texture, const TsSkinTables* skin, const TSurfaceView& surface, TPoint offset,
                     TsRect rect, int state);

// Tiles a picture from the rectangle's top-left corner, cut at the right and bottom.
void TileGraphic(const TSurfaceView& surface, TsRect rect, const TSurfaceView& picture);

// Lays a texture by mode (a picture, when given and not empty, is tiled); `rect` becomes
// the part left for the colour fill (empty when none).
void FillByTexture(const TSurfaceView& surface, TsRect& rect, const TSurfaceView* picture, int mode,
                   const TMaskRef& mask);

// Lays a masked texture (modes 0 and 10 only); nothing is left for the colour fill.
void FillByMaskedTexture(const TSurfaceView& surface, TsRect& rect, const BgInfo& bg, int mode,
                         const TMaskRef& mask);
