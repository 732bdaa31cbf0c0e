// equidiv-skin: tools for skin authors. Subcommands are rows of the table below.
#include <string_view>

#include "skin/data/acSkinReport.h"
#include "tools/common/ToolMain.h"
#include "tools/skin/SkinCommands.h"

namespace {

struct SkinCommand {
  std::wstring_view name;
  std::wstring_view usage;
  int (*run)(const std::vector<String>& args);
};

constexpr SkinCommand kCommands[] = {
    {L"pack", L"pack DIR OUT.asz", RunPack},
    {L"unpack", L"unpack PKG DIR", RunUnpack},
    {L"info", L"info PKG|DIR [--hue N] [--saturation N]", RunInfo},
    {L"render", L"render PKG|DIR SECTION STATE WIDTH HEIGHT OUT.bmp [--parent COLOR] [--hue N] [--saturation N]", RunRender},
};

int Usage() {
  String text = L"usage:\n";
  for (const SkinCommand& c : kCommands) text += L"  equidiv-skin " + String(c.usage) + L"\n";
  WriteErr(text);
  return 2;
}

int Run(const std::vector<String>& arguments) {
  if (arguments.empty()) return Usage();
  TacStderrReporter reporter;
  SetSkinReporter(&reporter);
  const std::vector<String> rest(arguments.begin() + 1, arguments.end());
  for (const SkinCommand& c : kCommands) {
    if (arguments[0] != c.name) continue;
    try {
      const int status = c.run(rest);
      if (status == 2) WriteErr(L"usage: equidiv-skin " + String(c.usage) + L"\n");
      return status;
    } catch (const Exception& e) {
      Fail(e.Message());
      return 1;
    } catch (const std::exception& e) {
      Fail(Utf8ToString(e.what()));
      return 1;
    }
  }
  return Usage();
}

} // namespace

EQUIDIV_TOOL_MAIN(Run)
