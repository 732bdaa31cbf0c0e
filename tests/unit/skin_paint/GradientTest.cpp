#include <gtest/gtest.h>

#include "PaintTestUtil.h"
#include "skin/paint/sGradient.h"

using namespace paint_test;

namespace {

void ExpectRows(const TSurfaceView& v, int x, const std::vector<TColor>& rows) {
  for (int y = 0; y < static_cast<int>(rows.size()); ++y) ASSERT_EQ(At(v, x, y), rows[y]) << "row " << y;
}

TEST(VerticalGradient, FourStepLayoutOnAHundredRows) {
  // Steps of 45, 10, 42 and 0 percent with colours that step by whole numbers.
  const TsGradArray steps = {Step(0, MakeColor(90, 0, 0), 45), Step(MakeColor(200, 0, 0), MakeColor(0, 200, 0), 10),
                             Step(MakeColor(0, 0, 84), 0, 42), Step(Grey(10), Grey(30), 0)};
  auto s = Make(4, 100);
  PaintGradient(s->View(), TsRect{0, 0, 4, 100}, steps);
  std::vector<TColor> rows;
  for (int y = 0; y <= 44; ++y) rows.push_back(MakeColor(2 * y, 0, 0));
  for (int k = 0; k <= 9; ++k) rows.push_back(MakeColor(200 - 20 * k, 20 * k, 0));  // row 45: second step
  for (int k = 0; k <= 41; ++k) rows.push_back(MakeColor(0, 0, 84 - 2 * k));       // rows 55..96
  for (TColor c : {Grey(10), Grey(20), Grey(30)}) rows.push_back(c);                 // last step to the bottom
  ExpectRows(s->View(), 0, rows);
  ExpectRows(s->View(), 3, rows);
}

TEST(VerticalGradient, StepEndsAndTheLastStep) {
  // One step of 0 percent still fills the rectangle.
  auto a = Make(3, 5);
  PaintGradient(a->View(), TsRect{0, 0, 3, 5}, {Step(Grey(0), Grey(40), 0)});
  ExpectRows(a->View(), 2, {Grey(0), Grey(10), Grey(20), Grey(30), Grey(40)});

  // Three rows, two steps, the first of 50 %: rows 0..1, then 1..2.
  auto b = Make(2, 3);
  PaintGradient(b->View(), TsRect{0, 0, 2, 3}, {Step(Grey(1), Grey(2), 50), Step(Grey(7), Grey(9), 50)});
  ExpectRows(b->View(), 0, {Grey(1), Grey(7), Grey(9)});
}

TEST(VerticalGradient, ClipsToTheRectangleAndTheSurface) {
  auto s = Make(5, 10);
  Fill(s->View(), clFuchsia);
  // Bottom beyond the surface: the last step ends on the last row; a negative percent
  // never paints above the rectangle.
  PaintGradient(s->View(), TsRect{1, 4, 3, 50}, {Step(Grey(0), Grey(0), -50), Step(Grey(0), Grey(50), 0)});
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 5; ++x) {
      const bool inside = x >= 1 && x < 3 && y >= 4;
      ASSERT_EQ(At(s->View(), x, y) == clFuchsia, !inside) << x << "," << y;
    }
  EXPECT_EQ(At(s->View(), 1, 9), Grey(50));
}

TEST(HorizontalGradient, RoundedStepWidthsAndSharedBoundaryColumn) {
  struct Case {
    TsGradArray steps;
    std::vector<TColor> row;
  } cases[] = {
      // 30 % of 10 columns: columns 0..3, then 3..9 from the second step's first colour.
      {{Step(Grey(0), Grey(30), 30, 1), Step(Grey(100), Grey(160), 0)},
       {Grey(0), Grey(10), Grey(20), Grey(100), Grey(110), Grey(120), Grey(130), Grey(140), Grey(150), Grey(160)}},
      // 35 % is 3.5 columns, rounded to even: 4 (truncating would give 3).
      {{Step(Grey(0), Grey(40), 35, 1), Step(Grey(100), Grey(160), 0)},
       {Grey(0), Grey(10), Grey(20), Grey(30), Grey(100), Grey(112), Grey(124), Grey(136), Grey(148), Grey(160)}},
  };
  for (const Case& c : cases) {
    auto s = Make(10, 3);
    PaintGradient(s->View(), TsRect{0, 0, 10, 3}, c.steps);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 10; ++x) ASSERT_EQ(At(s->View(), x, y), c.row[x]) << x << "," << y;
  }
}

TEST(MeshGradient, CoversEveryPixelAndRepeatsTheLastColour) {
  for (auto [w, h] : {std::pair{10, 10}, {7, 5}, {1, 1}, {508, 3}}) {
    auto s = Make(w, h);
    Fill(s->View(), clFuchsia);
    PaintGradient(s->View(), TsRect{0, 0, w, h}, {Step(Grey(0), 0, 0, 2), Step(Grey(200), 0, 0)});
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_NE(At(s->View(), x, y), clFuchsia) << w << "x" << h << " at " << x << "," << y;
  }
  auto s = Make(10, 10);
  PaintGradient(s->View(), TsRect{0, 0, 10, 10}, {Step(Grey(0), 0, 0, 2), Step(Grey(200), 0, 0)});
  EXPECT_EQ(At(s->View(), 9, 9), Grey(200));  // vertices 1, 3 and 4 share step 1's colour
  EXPECT_EQ(At(s->View(), 9, 1), Grey(200));  // triangle (1, 2, 3)
  EXPECT_EQ(At(s->View(), 0, 0), Grey(20));   // 0.9 of vertex 0, 0.1 of the centre
}

TEST(Gradient, UnknownModesAndEmptyArraysPaintNothing) {
  auto s = Make(4, 4);
  Fill(s->View(), clFuchsia);
  PaintGradient(s->View(), TsRect{0, 0, 4, 4}, {Step(0, 0, 100, 5), Step(0, 0, 0, 0)});
  PaintGradient(s->View(), TsRect{0, 0, 4, 4}, {});
  PaintGradient(s->View(), TsRect{2, 0, 2, 4}, {Step(0, 0, 100, 0)});  // no width
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(s->View(), x, y), clFuchsia);
}

}  // namespace
