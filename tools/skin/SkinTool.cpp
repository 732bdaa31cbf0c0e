#include <fstream>
#include <optional>

#include "framework/Streams.h"
#include "skin/data/sSkinOptions.h"
#include "skin/data/sSkinStrings.h"
#include "skin/paint/sSkinEffects.h"
#include "tools/common/ToolMain.h"
#include "tools/skin/SkinCommands.h"

std::filesystem::path ToolPath(const String& path) {
#ifdef _WIN32
  return std::filesystem::path(path);
#else
  const std::string utf8 = StringToUtf8(path);
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#endif
}

// On Windows entry names are in the ANSI code page; elsewhere the file name's bytes are
// kept as they are, so names survive a pack and unpack unchanged.
std::string EntryNameOf(const std::filesystem::path& fileName) {
#ifdef _WIN32
  return StringToAnsi(fileName.wstring());
#else
  const std::u8string u8 = fileName.u8string();
  return std::string(u8.begin(), u8.end());
#endif
}

std::filesystem::path FileNameOf(const std::string& entryName) {
#ifdef _WIN32
  return std::filesystem::path(AnsiToString(entryName));
#else
  return std::filesystem::path(std::u8string(entryName.begin(), entryName.end()));
#endif
}

void Fail(const String& text) { WriteErr(text + L"\n"); }

bool TakeEffectOptions(std::vector<String>& args, TsToolEffects& effects) {
  std::vector<String> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    int* target = args[i] == L"--hue" ? &effects.HueOffset : args[i] == L"--saturation" ? &effects.Saturation : nullptr;
    if (!target) {
      rest.push_back(args[i]);
      continue;
    }
    const std::optional<int32_t> value = i + 1 < args.size() ? TrySkinStrToInt(StringToAnsi(args[i + 1])) : std::nullopt;
    if (!value) {
      Fail(args[i] + L" needs an integer");
      return false;
    }
    *target = *value;
    ++i;
  }
  args = std::move(rest);
  return true;
}

namespace {

bool LoadSkinTables(const String& path, TsSkinTables& tables) {
  std::error_code ec;
  if (std::filesystem::is_directory(ToolPath(path), ec)) {
    if (!LoadSkinFolder(path, tables)) {
      Fail(L"No Options.dat in \"" + path + L"\"");
      return false;
    }
    return true;
  }
  if (!FileExists(path)) {
    Fail(L"No such package or skin folder: \"" + path + L"\"");
    return false;
  }
  TMemoryStream package;
  {
    TFileStream file(path, fmOpenRead | fmShareDenyWrite);
    if (file.Size() > TacSkinConvertor::kMaxPackageFileSize) {
      SkinReporter().Warning(kWarningCaption, kNotPackedSkinText);
      return false;
    }
    package.LoadFromStream(file);
  }
  return LoadSkinPackage(package, tables);
}

}  // namespace

bool LoadSkinForTool(const String& path, TsSkinTables& tables, const TsToolEffects& effects) {
  if (!LoadSkinTables(path, tables)) return false;
  ApplyColorEffects(tables, effects.HueOffset, effects.Saturation);
  return true;
}
