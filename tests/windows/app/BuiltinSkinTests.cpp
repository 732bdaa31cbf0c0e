// The built-in skin travels inside the program: the resource holds the package the build
// made, byte for byte, and it loads as a complete skin.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/BuiltinSkin.h"
#include "skin/data/sSkinOptions.h"

namespace {

std::vector<uint8_t> Bytes(TMemoryStream& stream) {
  return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class ModuleAsData {
public:
  explicit ModuleAsData(const wchar_t* path)
      : module_(LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~ModuleAsData() {
    if (module_) FreeLibrary(module_);
  }
  HMODULE Get() const { return module_; }

private:
  HMODULE module_;
};

}  // namespace

TEST(BuiltinSkin, TheProgramCarriesThePackageTheBuildMade) {
  ModuleAsData program(EQUIDIV_PROGRAM_PATH);
  ASSERT_NE(program.Get(), nullptr) << "cannot read " << StringToUtf8(EQUIDIV_PROGRAM_PATH);
  const auto stored = LoadBuiltinSkinPackage(program.Get());
  ASSERT_NE(stored, nullptr) << "no built-in skin resource in the program";
  const auto built = FileBytes(EQUIDIV_PACKAGE_PATH);
  ASSERT_FALSE(built.empty());
  EXPECT_EQ(Bytes(*stored), built);
}

TEST(BuiltinSkin, TheStoredPackageLoadsAsTheWholeSkin) {
  const auto stored = LoadBuiltinSkinPackage();  // this test program embeds it the same way
  ASSERT_NE(stored, nullptr);
  TsSkinTables tables;
  ASSERT_TRUE(LoadSkinPackage(*stored, tables));
  ASSERT_EQ(tables.SectionTable.size(), 62u);
  EXPECT_GE(tables.SectionIndex("BUTTON"), 0);
  EXPECT_EQ(tables.GlobalColor(), TsColor{15591641});
}

TEST(BuiltinSkin, AModuleWithoutTheResourceGivesNothing) {
  EXPECT_EQ(LoadBuiltinSkinPackage(GetModuleHandleW(L"kernel32.dll")), nullptr);
}
