// The merge list's questions before a join and the moving of selected entries.

#include <gtest/gtest.h>
#include <windows.h>

#include "app/MergeList.h"

namespace {

std::vector<String> Pieces(const std::vector<int32_t>& numbers) {
  std::vector<String> names;
  for (int32_t n : numbers) names.push_back(L"C:\\d\\a.bin.sprt" + std::to_wstring(n));
  return names;
}

std::optional<TJoinOrderQuestion> QuestionFor(const std::vector<int32_t>& numbers) {
  return JoinOrderQuestion(CheckJoinOrder(Pieces(numbers)));
}

}  // namespace

TEST(JoinOrderQuestion, AsksToSortAListOutOfOrderWithYesAsTheDefault) {
  const auto question = QuestionFor({1, 10, 11, 12, 2, 3, 4, 5, 6, 7, 8, 9});
  ASSERT_TRUE(question);
  EXPECT_EQ(question->text, L"列表中的分块没有按编号排列（当前顺序：1, 10, 11, 12, 2, …）。按编号排序后再合并吗？");
  EXPECT_EQ(question->flags, static_cast<unsigned>(MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1));
  EXPECT_EQ(QuestionFor({2, 1})->text, L"列表中的分块没有按编号排列（当前顺序：2, 1）。按编号排序后再合并吗？");
}

TEST(JoinOrderQuestion, WarnsOfAGapOrADuplicateWithNoAsTheDefault) {
  struct Case {
    std::vector<int32_t> numbers;
    const wchar_t* text;
  };
  const Case cases[] = {
      {{1, 2, 3, 4, 6}, L"缺少第 5 块，合并出的文件将不完整。仍要合并吗？"},
      {{1, 2, 3, 3}, L"第 3 块列出了两次，合并出的文件将不完整。仍要合并吗？"},
      {{1, 1, 1, 2}, L"第 1 块列出了多次，合并出的文件将不完整。仍要合并吗？"},
      {{1, 3, 1}, L"缺少第 2 块，第 1 块列出了两次，合并出的文件将不完整。仍要合并吗？"},
      {{9}, L"缺少第 1, 2, 3, 4, 5, … 块，合并出的文件将不完整。仍要合并吗？"},
  };
  for (const Case& c : cases) {
    const auto question = QuestionFor(c.numbers);
    ASSERT_TRUE(question);
    EXPECT_EQ(question->text, c.text);
    EXPECT_EQ(question->flags, static_cast<unsigned>(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
  }
}

TEST(JoinOrderQuestion, NoQuestionForAListInOrderOrNotOneSet) {
  EXPECT_FALSE(QuestionFor({1, 2, 3}));
  EXPECT_FALSE(JoinOrderQuestion(CheckJoinOrder({L"C:\\x.avi", L"C:\\d\\a.bin.sprt1"})));
}

TEST(MovedSelection, MovesSelectedEntriesAsABlockAndStopsAtTheEnds) {
  const std::vector<String> items = {L"a", L"b", L"c", L"d", L"e"};
  const TListSelection list{items, {false, true, true, false, true}};
  EXPECT_EQ(MovedSelection(list, -1),
            (TListSelection{{L"b", L"c", L"a", L"e", L"d"}, {true, true, false, true, false}}));
  EXPECT_EQ(MovedSelection(list, +1), list) << "the last entry is selected: nothing moves down";
  const TListSelection second{items, {false, true, false, false, false}};
  EXPECT_EQ(MovedSelection(second, +1),
            (TListSelection{{L"a", L"c", L"b", L"d", L"e"}, {false, false, true, false, false}}));
  EXPECT_EQ(MovedSelection(TListSelection{items, {true, false, false, false, false}}, -1).items, items);
  EXPECT_EQ(MovedSelection(TListSelection{}, -1), TListSelection{});
}
