#include "SkinFixtures.h"

#include <windows.h>

#include <fstream>

TsSkinGeneral SectionOf(const std::string& name, TColor color, int transparency) {
  TsSkinGeneral section;
  section.SectionName = name;
  section.Color = color;
  section.Transparency = transparency;
  section.FontColor = "0 -1 -1 -1 -1";
  section.HotFontColor = "0 -1 -1 -1 -1";
  return section;
}

TsStoredSkin SectionSkin(const String& name, std::vector<TsSkinGeneral> sections) {
  TsStoredSkin skin;
  skin.Name = name;
  skin.Version = 1.0;
  skin.GeneralData = std::move(sections);
  return skin;
}

std::vector<uint8_t> BuiltinPackageBytes() {
  std::ifstream in(std::filesystem::path(EQUIDIV_PACKAGE_PATH), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TsStoredSkin PackagedSkin(const String& name) {
  TsStoredSkin skin;
  skin.Name = name;
  skin.Data = BuiltinPackageBytes();
  return skin;
}

void WriteTextFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

void WriteBinaryFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

TempSkinFolder::TempSkinFolder() {
  static int counter = 0;
  path_ = std::filesystem::temp_directory_path() /
          (L"equidiv-skins-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
  std::filesystem::create_directories(path_);
}

TempSkinFolder::~TempSkinFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

String TempSkinFolder::Resolved() const {
  String folder = path_.wstring();
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

std::unique_ptr<TsSkinManager> NewTestManager(const TempSkinFolder& folder) {
  auto manager = std::make_unique<TsSkinManager>(nullptr);
  manager->SetSkinDirectory(folder.Resolved());
  return manager;
}
