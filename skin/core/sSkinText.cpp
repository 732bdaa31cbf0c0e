#include "skin/core/sSkinText.h"

#include "skin/core/sCommonData.h"
#include "skin/core/sSkinManager.h"

TsTextSkin TextSkinOf(const TsCommonData& binding) {
  TsTextSkin skin;
  if (binding.Skinned()) skin.Skin = &binding.SkinManager()->Tables();
  skin.SectionIndex = binding.SectionIndex;
  skin.SectionName = binding.SkinSection();
  skin.CustomFont = binding.CustomFont();
  if (const TControl* control = binding.OwnerControl()) skin.Font = &control->Font();
  return skin;
}

void DrawSkinText(TCanvas& canvas, const String& text, bool enabled, bool hot, const TsCommonData& binding,
                  UINT format, const RECT& rect) {
  DrawSkinText(canvas, text, enabled, hot, TextSkinOf(binding), format, rect);
}

void DrawSectionText(TCanvas& canvas, const String& text, bool enabled, const TsSkinManager* manager, bool hot,
                     int index, UINT format, const RECT& rect) {
  if (!DefaultManager()) return;
  if (!manager) manager = DefaultManager();
  DrawSectionText(canvas, text, enabled, &manager->Tables(), hot, index, format, rect);
}
