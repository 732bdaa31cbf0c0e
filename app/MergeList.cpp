#include "app/MergeList.h"

#include <windows.h>

#include <map>
#include <utility>

namespace {

// How many numbers a question lists before it ends the list with "…".
constexpr size_t kNumbersShown = 5;

String NumberList(const std::vector<int32_t>& numbers) {
  String text;
  for (size_t i = 0; i < numbers.size() && i < kNumbersShown; ++i) {
    if (i > 0) text += L", ";
    text += std::to_wstring(numbers[i]);
  }
  if (numbers.size() > kNumbersShown) text += L", …";
  return text;
}

String DuplicatedText(const TJoinOrderVerdict& verdict) {
  std::map<int32_t, int> times;
  for (int32_t number : verdict.numbers) ++times[number];
  bool allTwice = true;
  for (int32_t number : verdict.duplicated) allTwice = allTwice && times[number] == 2;
  return L"第 " + NumberList(verdict.duplicated) + (allTwice ? L" 块列出了两次" : L" 块列出了多次");
}

}  // namespace

std::optional<TJoinOrderQuestion> JoinOrderQuestion(const TJoinOrderVerdict& verdict) {
  switch (verdict.kind) {
    case TJoinOrderVerdict::Kind::AsListed: return std::nullopt;
    case TJoinOrderVerdict::Kind::OutOfOrder:
      return TJoinOrderQuestion{L"列表中的分块没有按编号排列（当前顺序：" + NumberList(verdict.numbers) +
                                    L"）。按编号排序后再合并吗？",
                                MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1};
    case TJoinOrderVerdict::Kind::Incomplete: {
      String what;
      if (!verdict.missing.empty()) what = L"缺少第 " + NumberList(verdict.missing) + L" 块";
      if (!verdict.duplicated.empty()) what += (what.empty() ? L"" : L"，") + DuplicatedText(verdict);
      return TJoinOrderQuestion{what + L"，合并出的文件将不完整。仍要合并吗？",
                                MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2};
    }
  }
  return std::nullopt;
}

TListSelection MovedSelection(const TListSelection& list, int delta) {
  TListSelection moved = list;
  const int count = static_cast<int>(list.items.size());
  const int end = delta < 0 ? 0 : count - 1;
  if (count == 0 || list.selected[static_cast<size_t>(end)]) return moved;
  // Walking from the end the entries move towards, each selected entry swaps with the
  // unselected neighbour before it, so a block of selected entries moves as one.
  for (int step = 0; step < count; ++step) {
    const int i = delta < 0 ? step : count - 1 - step;
    const int j = i + delta;
    if (!moved.selected[static_cast<size_t>(i)] || j < 0 || j >= count) continue;
    std::swap(moved.items[static_cast<size_t>(i)], moved.items[static_cast<size_t>(j)]);
    const bool other = moved.selected[static_cast<size_t>(j)];
    moved.selected[static_cast<size_t>(j)] = true;
    moved.selected[static_cast<size_t>(i)] = other;
  }
  return moved;
}
