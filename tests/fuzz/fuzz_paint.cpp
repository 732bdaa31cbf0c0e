// Any bytes as an options text over the small fixed package of images; every section is
// then painted the ways the controls paint it, so that whatever positions and frame counts
// a skin gives, painting stays inside its bitmaps.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzImages.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TsSkinTables tables;
  if (!fuzz::LoadFuzzedOptions(data, size, tables)) return 0;
  // A bottom-up and a top-down surface, so that reads past either end of a row are caught.
  THeapSurface bottomUp(23, 17, 24, true), topDown(9, 6, 24, false);
  THeapSurface parent(40, 30, 24, true);
  const BgInfo ready{parent.View(), 3, 2, true};
  for (size_t i = 0; i < tables.SectionTable.size() && i < 16; ++i) {
    const int index = static_cast<int>(i);
    const std::string& name = tables.SectionTable[i].ClassName;
    for (const TSurface* s : {static_cast<const TSurface*>(&bottomUp), static_cast<const TSurface*>(&topDown)}) {
      const TSurfaceView view = s->View();
      for (int state = 0; state < 3; ++state) {
        TPaintItemSource item;
        item.Skin = &tables;
        item.SkinIndex = index;
        item.SkinSection = name;
        item.BorderIndex = tables.MaskIndex(index, name, "BORDERSMASK");
        item.HasParent = state == 1;
        item.ParentColor = 0x336699;
        PaintItem(item, state == 2 ? ready : BgInfo{}, true, state != 1, view, TPoint{}, TsRect{0, 0, view.width, view.height},
                  state);
        PaintPart(index, item.BorderIndex, tables.MaskIndex(index, name, "PATTERN"),
                  tables.MaskIndex(index, name, "HOTPATTERN"), &tables, view, TPoint{1, 1},
                  TsRect{1, 1, view.width - 1, view.height - 1}, state, true, ready, name);
      }
    }
  }
  std::vector<TsRect> runs;
  for (size_t i = 0; i < tables.MaskTable.size() && i < 64; ++i) {
    const TMaskRef mask = MaskRef(tables, static_cast<int>(i));
    const TSurfaceView view = bottomUp.View();
    for (int state = 0; state < 3; ++state) {
      PaintGlyphMask(view, TPoint{state - 1, 1 - state}, state, mask, state != 2);
      PaintBorderRegion(view, runs, true, state, mask);
      TsRect rect{0, 0, view.width, view.height};
      FillByMaskedTexture(view, rect, ready, state == 0 ? 0 : 10, mask);
      rect = TsRect{0, 0, view.width, view.height};
      FillByTexture(view, rect, nullptr, state * 3, mask);
    }
    CornerKeyRuns(runs, view.width, mask, false, 0);
    CornerKeyRuns(runs, view.width, mask, true, view.height);
    runs.clear();
  }
  return 0;
}
