// info PKG|DIR [--hue N] [--saturation N]: the parsed tables as JSON, field names as the
// records spell them, after the colour effects a skin manager with those settings applies.
#include <nlohmann/json.hpp>

#include "skin/data/sSkinStrings.h"
#include "tools/common/ToolMain.h"
#include "tools/skin/SkinCommands.h"

namespace {

using nlohmann::ordered_json;

// Skin texts are ANSI bytes; JSON wants UTF-8.
std::string Text(const std::string& ansi) { return StringToUtf8(AnsiToString(ansi)); }

ordered_json Gradient(const TsGradArray& steps) {
  ordered_json list = ordered_json::array();
  for (const TsGradientStep& s : steps)
    list.push_back({{"Color1", s.Color1}, {"Color2", s.Color2}, {"Percent", s.Percent}, {"Mode", s.Mode}});
  return list;
}

ordered_json Image(const TSurface* image) {
  if (!image) return nullptr;
  return {{"Width", image->Width()}, {"Height", image->Height()}, {"BitsPerPixel", image->BitsPerPixel()}};
}

ordered_json Section(const TsGeneralData& d) {
  return {
      {"ParentClass", Text(d.ParentClass)},
      {"ClassName", Text(d.ClassName)},
      {"Color", d.Color},
      {"Bevel", d.Bevel},
      {"FontColor", d.FontColor},
      {"HotFontColor", d.HotFontColor},
      {"ReservedBoolean", d.ReservedBoolean},
      {"ShadowBlur", d.ShadowBlur},
      {"ShadowColor", d.ShadowColor},
      {"ShadowEnabled", d.ShadowEnabled},
      {"ShadowOffset", d.ShadowOffset},
      {"ShadowTransparency", d.ShadowTransparency},
      {"Transparency", d.Transparency},
      {"GradientPercent", d.GradientPercent},
      {"GradientData", Text(d.GradientData)},
      {"GradientArray", Gradient(d.GradientArray)},
      {"ImagePercent", d.ImagePercent},
      {"ShowFocus", d.ShowFocus},
      {"FadingEnabled", d.FadingEnabled},
      {"FadingIntervalIn", d.FadingIntervalIn},
      {"FadingIntervalOut", d.FadingIntervalOut},
      {"FadingIterations", d.FadingIterations},
      {"HotColor", d.HotColor},
      {"HotTransparency", d.HotTransparency},
      {"HotBevel", d.HotBevel},
      {"HotGradientPercent", d.HotGradientPercent},
      {"HotGradientData", Text(d.HotGradientData)},
      {"HotGradientArray", Gradient(d.HotGradientArray)},
      {"HotImagePercent", d.HotImagePercent},
      {"BorderColor1", d.BorderColor1},
      {"BorderColor2", d.BorderColor2},
  };
}

ordered_json Mask(const TsMaskData& m) {
  return {
      {"ClassName", Text(m.ClassName)},
      {"PropertyName", Text(m.PropertyName)},
      {"R", {m.R.Left, m.R.Top, m.R.Right, m.R.Bottom}},
      {"ImageCount", m.ImageCount},
      {"MaskType", m.MaskType},
      {"BorderWidth", m.BorderWidth},
      {"DrawMode", m.DrawMode},
      {"ImgType", m.ImgType},
      {"WL", m.WL},
      {"WT", m.WT},
      {"WR", m.WR},
      {"WB", m.WB},
      {"HasBmp", m.Bmp != nullptr},
      {"Bmp", Image(m.Bmp.get())},
  };
}

} // namespace

int RunInfo(const std::vector<String>& arguments) {
  std::vector<String> args = arguments;
  TsToolEffects effects;
  if (!TakeEffectOptions(args, effects) || args.size() != 1) return 2;
  TsSkinTables tables;
  if (!LoadSkinForTool(args[0], tables, effects)) return 1;

  const TsSkinData& g = tables.GlobalInfo;
  ordered_json out;
  out["global"] = {
      {"Version", g.Version},
      {"Author", Text(g.Author)},
      {"Description", Text(g.Description)},
      {"Shadow1Color", g.Shadow1Color},
      {"Shadow1Offset", g.Shadow1Offset},
      {"Shadow1Blur", g.Shadow1Blur},
      {"Shadow1Transparency", g.Shadow1Transparency},
      {"BorderColor", g.BorderColor},
      {"BISpacing", g.BISpacing},
      {"SkinPath", StringToUtf8(g.SkinPath)},
      {"MasterBitmap", Image(tables.MasterBitmap.get())},
      {"GlobalColor", tables.GlobalColor()},
      {"GlobalFontColor", tables.GlobalFontColor()},
      {"GlobalHotColor", tables.GlobalHotColor()},
  };
  ordered_json& sections = out["sections"] = ordered_json::array();
  for (const TsGeneralData& d : tables.SectionTable) sections.push_back(Section(d));
  ordered_json& masks = out["masks"] = ordered_json::array();
  for (const TsMaskData& m : tables.MaskTable) masks.push_back(Mask(m));
  ordered_json& patterns = out["patterns"] = ordered_json::array();
  for (const TsPatternData& p : tables.PatternTable)
    patterns.push_back({{"ClassName", Text(p.ClassName)}, {"PropertyName", Text(p.PropertyName)}, {"Img", Image(p.Img.get())}});

  WriteOutBytes(out.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n");
  return 0;
}
