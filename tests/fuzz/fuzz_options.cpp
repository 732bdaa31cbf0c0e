// Any bytes as an options text over a small fixed package of images; the lookups that
// painters make are then run over every section and mask.
#include <cstddef>
#include <cstdint>

#include "FuzzImages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TsSkinTables tables;
  if (!fuzz::LoadFuzzedOptions(data, size, tables)) return 0;
  for (size_t i = 0; i < tables.SectionTable.size(); ++i) {
    const std::string& name = tables.SectionTable[i].ClassName;
    const int index = static_cast<int>(i);
    tables.MaskIndex(index, name, "BORDERSMASK");
    tables.TextureIndex(index, name, "PATTERN");
    tables.PatternIndex(index, name, "HOTPATTERN");
  }
  for (size_t i = 0; i < tables.MaskTable.size(); ++i) {
    const int index = static_cast<int>(i);
    tables.MaskFrameSize(index);
    tables.MaskBorderLeft(index);
    tables.MaskBorderTop(index);
    tables.MaskBorderRight(index);
    tables.MaskBorderBottom(index);
  }
  tables.GlobalColor();
  tables.GlobalFontColor();
  tables.GlobalHotColor();
  return 0;
}
