// End to end: the built-in skin's bitmaps are drawn by its generator, `equidiv-skin render`
// composes the main window's sections from the skin folder, the BMPs it writes are checked
// pixel by pixel and converted to PNG under build/screenshots/ for people to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "skin/data/acImages.h"
#include "skin/paint/PaintTypes.h"

namespace fs = std::filesystem;

namespace {

int Shell(const std::string& command) { return std::system(command.c_str()); }

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

class RenderFrost : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    // The generator takes seconds: its pictures are kept until it or the options change.
    const fs::path source(EQUIDIV_FROST_DIR);
    std::error_code ec;
    const auto drawn = fs::last_write_time(kSkin / "Master.bmp", ec);
    const bool fresh = !ec && drawn > fs::last_write_time(source / "generate.py") &&
                       drawn > fs::last_write_time(source / "Options.dat");
    if (!fresh) {
      fs::remove_all(kSkin);
      fs::create_directories(kSkin);
      fs::copy_file(source / "Options.dat", kSkin / "Options.dat");
      ASSERT_EQ(Shell("python3 " + Quote(source / "generate.py") + " " + Quote(kSkin)), 0);
    }
    fs::create_directories(EQUIDIV_SCREENSHOT_DIR);
  }

  // Renders, reads back and (for people) converts to PNG.
  std::unique_ptr<TSurface> Render(const std::string& section, int state, int w, int h,
                                   const std::string& extra = "") {
    const std::string name = "skin-" + section + "-" + std::to_string(state);
    const fs::path bmp = kSkin.parent_path() / (name + ".bmp");
    const std::string command = Quote(EQUIDIV_SKIN_TOOL) + " render " + Quote(kSkin) + " " + section + " " +
                                std::to_string(state) + " " + std::to_string(w) + " " + std::to_string(h) + " " +
                                Quote(bmp) + extra;
    EXPECT_EQ(Shell(command), 0) << command;
    std::ifstream in(bmp, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto surface = DecodeBmp(bytes.data(), bytes.size());
    EXPECT_TRUE(surface) << bmp;
    if (surface) {
      EXPECT_EQ(surface->Width(), w);
      EXPECT_EQ(surface->Height(), h);
    }
    if (extra.empty()) {
      EXPECT_EQ(Shell("convert " + Quote(bmp) + " " + Quote(fs::path(EQUIDIV_SCREENSHOT_DIR) / (name + ".png"))), 0);
    }
    return surface;
  }

  static TColor At(const TSurface& s, int x, int y) {
    const uint8_t* p = s.View().Pixel(x, y);
    return MakeColor(p[2], p[1], p[0]);
  }

  static inline const fs::path kSkin = fs::path(EQUIDIV_RENDER_WORK_DIR) / "Frost";
};

TEST_F(RenderFrost, MainWindowSectionsAtTheirSizes) {
  const TColor face = 15591641;  // the skin's global colour, the default parent
  auto normal = Render("BUTTON", 0, 113, 25);
  Render("BUTTON", 1, 113, 25);
  Render("BUTTON", 2, 113, 25);
  Render("EDIT", 0, 481, 21);
  Render("PAGECONTROL", 0, 508, 200);
  Render("TABTOP", 0, 80, 22);
  Render("TABTOP", 1, 80, 22);
  auto panel = Render("PANEL", 0, 508, 31);
  ASSERT_TRUE(normal && panel);

  // The button's rounded corners are key pixels: the parent shows through.
  EXPECT_EQ(At(*normal, 0, 0), face);
  EXPECT_EQ(At(*normal, 112, 24), face);
  EXPECT_NE(At(*normal, 56, 12), face);

  // The panel's gradient: white to 16184300 over rows 0..16, then flat; row 2 is
  // 255 + 2 * (236 - 255) / 16 and so on, rounded to even.
  EXPECT_EQ(At(*panel, 254, 2), MakeColor(253, 254, 254));
  EXPECT_EQ(At(*panel, 254, 20), 16184300);
}

TEST_F(RenderFrost, HotPageControlIsTheParentInsideItsBorder) {
  // "HOTTRANSPARENCY=100": inside the border only the parent picture is left.
  auto hot = Render("PAGECONTROL", 1, 508, 200, " --parent 0x123456");
  ASSERT_TRUE(hot);
  for (auto [x, y] : {std::pair{10, 10}, {254, 100}, {497, 189}}) EXPECT_EQ(At(*hot, x, y), 0x123456) << x << "," << y;
}

TEST_F(RenderFrost, BadArgumentsFail) {
  const std::string tool = Quote(EQUIDIV_SKIN_TOOL);
  const std::string out = Quote(kSkin.parent_path() / "bad.bmp");
  EXPECT_EQ(WEXITSTATUS(Shell(tool + " render " + Quote(kSkin) + " NOSUCHSECTION 0 10 10 " + out + " 2>/dev/null")), 1);
  EXPECT_EQ(WEXITSTATUS(Shell(tool + " render " + Quote(kSkin) + " BUTTON 0 0 10 " + out + " 2>/dev/null")), 2);
  EXPECT_EQ(WEXITSTATUS(Shell(tool + " render " + Quote(kSkin) + " BUTTON 0 10 10 2>/dev/null")), 2);
  EXPECT_EQ(WEXITSTATUS(Shell(tool + " render /no/such/skin BUTTON 0 10 10 " + out + " 2>/dev/null")), 1);
}

}  // namespace
