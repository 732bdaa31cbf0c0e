#include <gtest/gtest.h>

#include "PaintTestUtil.h"
#include "skin/paint/Stretch.h"

using namespace paint_test;

namespace {

// A 2 x 2 source: red, key, green, blue (row by row).
std::unique_ptr<TSurface> Quad() {
  return MakeWith(2, 2, [](int x, int y) {
    const TColor colors[2][2] = {{clRed, clFuchsia}, {clLime, clBlue}};
    return colors[y][x];
  });
}

// Nearest-pixel stretching: every destination pixel of the rectangle takes the source pixel
// it scales back to, key pixels leave the destination alone, and the rectangle is clipped
// to the destination on every side.
TEST(StretchKeyedNearest, ScalesByNearestPixelSkipsTheKeyAndClips) {
  const auto src = Quad();
  struct Case {
    const char* what;
    TsRect rect;
    TPoint probe;
    TColor expected;
  } cases[] = {
      {"doubled: top-left quarter", {0, 0, 4, 4}, {1, 1}, clRed},
      {"doubled: bottom-right quarter", {0, 0, 4, 4}, {3, 3}, clBlue},
      {"doubled: the key quarter keeps the destination", {0, 0, 4, 4}, {3, 0}, clWhite},
      {"tripled and moved", {1, 1, 7, 7}, {3, 5}, clLime},
      {"half left of the destination: its visible part scales as the whole", {-4, 0, 4, 8}, {1, 5}, clBlue},
      {"past the bottom: its top still scales from row 0", {2, 4, 6, 12}, {2, 5}, clRed},
      {"shrunk to one pixel: the first source pixel", {5, 5, 6, 6}, {5, 5}, clRed},
      {"outside the rectangle nothing changes", {0, 0, 2, 2}, {3, 3}, clWhite},
  };
  for (const Case& c : cases) {
    auto dst = Make(8, 8);
    Fill(dst->View(), clWhite);
    StretchKeyedNearest(dst->View(), c.rect, src->View(), clFuchsia);
    EXPECT_EQ(At(dst->View(), c.probe.x, c.probe.y), c.expected) << c.what;
  }
  auto dst = Make(4, 4);
  Fill(dst->View(), clWhite);
  StretchKeyedNearest(dst->View(), TsRect{0, 0, 0, 4}, src->View(), clFuchsia);
  StretchKeyedNearest(dst->View(), TsRect{9, 9, 20, 20}, src->View(), clFuchsia);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(dst->View(), x, y), clWhite) << "empty or outside: " << x << ", " << y;
}

}  // namespace
