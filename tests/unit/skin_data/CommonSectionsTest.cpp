// Common sections: the lines a skin manager adds to every skin, and what each load pass
// appends from them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "skin/data/sSkinOptions.h"
#include "tests/unit/skin_data/SkinTestUtil.h"

namespace {

uint32_t Fuchsia(int, int) { return 0xFF00FF; }
uint32_t Teal(int, int) { return 0x008080; }

// A skin folder in the temporary directory, removed again at the end of the test.
class SkinFolder {
public:
  explicit SkinFolder(const char* name) : dir_(std::filesystem::temp_directory_path() / name) {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~SkinFolder() { std::filesystem::remove_all(dir_); }

  void Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  // The folder as the tables record it, with a trailing delimiter.
  String Path() const { return (dir_ / "").wstring(); }

private:
  std::filesystem::path dir_;
};

// Loads `options` from the folder, as a manager loads a skin folder, with `common` lines.
void LoadFolder(const SkinFolder& folder, const std::string& options, const std::vector<std::string>& common,
                TsSkinTables& t) {
  TsSkinSource source;
  source.Folder = folder.Path();
  t.GlobalInfo.SkinPath = folder.Path();
  LoadSkinOptions(options, source, t, nullptr, common);
}

std::vector<std::string> MaskNames(const TsSkinTables& t) {
  std::vector<std::string> names;
  for (const TsMaskData& m : t.MaskTable) names.push_back(m.ClassName + "." + m.PropertyName);
  return names;
}

TEST(CommonSections, NormalisingStripsEveryBlankOutsideComments) {
  const std::vector<std::string> lines = {" [ EXTRA PANEL ] ", "\tCOLOR = 1 2\t", "; a comment = 1 ", "", " ; late"};
  EXPECT_EQ(NormalizeCommonSections(lines),
            (std::vector<std::string>{"[EXTRAPANEL]", "COLOR=12", "; a comment = 1 ", "", ";late"}));
}

// The skin's own masks first, then the common ones the mask pass takes: "#" areas when the
// skin has a master bitmap, whole ".BMP" files of the skin folder when it has none; then
// common JPEG files, as patterns whatever their size. "GLOBALINFO" of the common lines
// adds nothing.
TEST(CommonSections, MasksAndPatternsAppendedByThePasses) {
  const SkinFolder folder("equidiv-common-sections-images");
  folder.Write("Master.bmp", MakeBmp24(60, 50, Fuchsia));
  folder.Write("Extra.bmp", MakeBmp24(36, 24, Teal));
  folder.Write("Small.jpg", MakeJpeg(10, 10, 0x3366CC));
  const std::vector<std::string> common = NormalizeCommonSections({
      "[GLOBALINFO]", "G1=# (1, 2, 31, 26) (3, 1)", "G2=Extra.bmp", "G3=small.jpg",
      "[panel]", "area=# (10, 20, 46, 44) (3, 1, 0, 2)", "FILE=extra.bmp", "GLYPH=@0000@0000@0039@0013@3@0",
      "GONE=Missing.bmp", "PATTERN=small.jpg", "HOTPATTERN=none.jpg", "FRAME=!EXTRA.BMP!1!1!2",
  });
  const std::string own = "[BUTTON]\nBORDERSMASK=@0000@0000@0039@0013@3@0\nPATTERN=small.jpg\n";

  TsSkinTables withMaster;
  LoadFolder(folder, "[GLOBALINFO]\nMASTERBITMAP=MASTER.BMP\n" + own, common, withMaster);
  EXPECT_EQ(MaskNames(withMaster), (std::vector<std::string>{"BUTTON.BORDERSMASK", "PANEL.AREA", "BUTTON.PATTERN"}));
  const TsMaskData& area = withMaster.MaskTable[1];
  EXPECT_EQ(area.R, (TsRect{10, 20, 46, 44}));
  EXPECT_EQ(std::tuple(area.ImageCount, area.MaskType, area.DrawMode), std::tuple(3, 1, 2));
  EXPECT_FALSE(area.Bmp);

  TsSkinTables noMaster;
  LoadFolder(folder, own, common, noMaster);
  EXPECT_EQ(MaskNames(noMaster), (std::vector<std::string>{"BUTTON.BORDERSMASK", "PANEL.FILE", "BUTTON.PATTERN"}));
  const TsMaskData& file = noMaster.MaskTable[1];
  ASSERT_TRUE(file.Bmp);
  EXPECT_EQ(file.R, (TsRect{0, 0, 36, 24}));
  EXPECT_EQ(PixelAt(*file.Bmp, 5, 5), 0x008080u);
  EXPECT_EQ(std::tuple(file.ImageCount, file.MaskType, file.ImgType), std::tuple(3, 1, itisaBorder));

  for (const TsSkinTables* t : {&withMaster, &noMaster}) {
    // The skin's own small picture is a texture; the common one the same size a pattern.
    ASSERT_EQ(t->PatternTable.size(), 1u);
    EXPECT_EQ(t->PatternTable[0].ClassName, "PANEL");
    EXPECT_EQ(t->PatternTable[0].PropertyName, "PATTERN");
    EXPECT_EQ(t->PatternTable[0].Img->Width(), 10);
  }

  // A reload into the same tables starts again rather than appending twice.
  LoadFolder(folder, own, common, noMaster);
  EXPECT_EQ(noMaster.MaskTable.size(), 3u);
  EXPECT_EQ(noMaster.PatternTable.size(), 1u);
}

TEST(CommonSections, FilesComeFromTheSkinFolderNotThePackage) {
  const SkinFolder folder("equidiv-common-sections-package");
  folder.Write("Extra.bmp", MakeBmp24(36, 24, Teal));
  const std::vector<std::string> common = {"[PANEL]", "A=Extra.bmp", "B=Packed.bmp", "P=packed.jpg"};

  PackageBuilder builder;
  builder.Add("Options.dat", "[PANEL]\n").Add("Packed.bmp", MakeBmp24(30, 30, Teal)).Add("packed.jpg", MakeJpeg(8, 8, 0));
  auto stream = StreamOf(builder.Build());
  TacSkinConvertor reader;
  reader.SetPackedData(stream.get());
  ASSERT_TRUE(reader.UnpackSkin());
  TsSkinSource source;
  source.Package = &reader;
  const std::string options(reinterpret_cast<const char*>(reader.Options->Memory()),
                            static_cast<size_t>(reader.Options->Size()));

  TsSkinTables t;
  t.GlobalInfo.SkinPath = folder.Path();
  LoadSkinOptions(options, source, t, nullptr, common);
  EXPECT_EQ(MaskNames(t), (std::vector<std::string>{"PANEL.A"}));
  EXPECT_TRUE(t.PatternTable.empty());

  // Without a skin folder no file is looked for.
  TsSkinTables stored;
  LoadSkinOptions(options, source, stored, nullptr, common);
  EXPECT_TRUE(stored.MaskTable.empty());
}

TEST(CommonSections, NewSectionsTakeOwnThenParentThenDefaultValues) {
  const SkinFolder folder("equidiv-common-sections-records");
  const std::string own =
      "[BUTTON]\nCOLOR=5\nTRANSPARENCY=20\nSHADOWCOLOR=9\nGRADIENTDATA=1;2;3;4;5\nTCLEFT=77\n"
      "BORDERSMASK=# (0, 0, 30, 20) (1, 0)\n";
  const std::vector<std::string> common = NormalizeCommonSections({
      "[BUTTON]", "COLOR=7",                                                       // the skin's own stays
      "[SPEEDBUTTON]", "PARENTCLASS = button", "COLOR=0x10", "FADINGENABLED=true", // parent in capitals
      "TRANSPARENCY=$20", "HOTGRADIENTDATA=6;7;8;9;10",                             // "$" is no integer here
      "[LONELY]", "HOTCOLOR=3", "SHADOWOFFSET=junk",
      "[CHILD]", "PARENTCLASS=SPEEDBUTTON", "TCLEFT=-1",
      "[SPEEDBUTTON]", "COLOR=1",                                                  // only the first one counts
  });
  TsSkinTables t;
  LoadFolder(folder, own, common, t);

  std::vector<std::string> names;
  for (const TsGeneralData& d : t.SectionTable) names.push_back(d.ClassName);
  EXPECT_EQ(names, (std::vector<std::string>{"BUTTON", "SPEEDBUTTON", "LONELY", "CHILD"}));
  const TsGeneralData& button = t.SectionTable[0];
  EXPECT_EQ(button.Color, 5);

  const TsGeneralData& speed = t.SectionTable[1];
  EXPECT_EQ(speed.ParentClass, "BUTTON");
  EXPECT_EQ(speed.Color, 16);
  EXPECT_TRUE(speed.FadingEnabled);
  EXPECT_EQ(speed.Transparency, 20);
  EXPECT_EQ(speed.ShadowColor, 9);
  EXPECT_EQ(speed.FontColor[1], 77);
  EXPECT_EQ(speed.GradientData, button.GradientData);
  EXPECT_EQ(speed.GradientArray, button.GradientArray);
  EXPECT_EQ(speed.HotGradientArray, (TsGradArray{{6, 7, 8, 9}}));

  // No parent: "-1", and the defaults wherever the section says nothing usable.
  const TsGeneralData& lonely = t.SectionTable[2];
  TsGeneralData defaults;
  EXPECT_EQ(lonely.ParentClass, "-1");
  EXPECT_EQ(lonely.HotColor, 3);
  EXPECT_EQ(lonely.ShadowOffset, defaults.ShadowOffset);
  EXPECT_EQ(lonely.Color, defaults.Color);
  EXPECT_EQ(lonely.ShadowTransparency, defaults.ShadowTransparency);
  EXPECT_EQ(lonely.GradientData, defaults.GradientData);
  EXPECT_EQ(lonely.FontColor, defaults.FontColor);

  // A parent appended by the same pass; its masks are found through the chain.
  const TsGeneralData& child = t.SectionTable[3];
  EXPECT_EQ(child.Color, 16);
  EXPECT_TRUE(child.FadingEnabled);
  EXPECT_EQ(child.FontColor[1], -1);  // its own value, even -1
  EXPECT_EQ(t.MaskIndex(3, "CHILD", "BORDERSMASK"), 0);
}

TEST(CommonSections, AMalformedGradientAbortsTheLoad) {
  const SkinFolder folder("equidiv-common-sections-error");
  TsSkinTables t;
  try {
    LoadFolder(folder, "[BUTTON]\nCOLOR=5\n", {"[EXTRA]", "GRADIENTDATA=1;2;x;4;5"}, t);
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), L"'x' is not a valid integer value");
  }
  EXPECT_TRUE(t.SectionTable.empty());
}

}  // namespace
