#include "engine/JoinOrder.h"

#include <algorithm>
#include <cwctype>
#include <map>

namespace {

constexpr wchar_t kMarker[] = L".sprt";
constexpr size_t kMarkerLength = 5;
constexpr size_t kMaxPieceDigits = 9;  // keeps the number within 32 bits

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

wchar_t Folded(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); }

bool SameTextIgnoringCase(const String& a, const String& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return Folded(x) == Folded(y);
         });
}

// Compares the digit runs starting at a[i] and b[j] by value; advances both past them.
int CompareDigitRuns(const String& a, size_t& i, const String& b, size_t& j) {
  while (i < a.size() && a[i] == L'0') ++i;
  while (j < b.size() && b[j] == L'0') ++j;
  const size_t startA = i, startB = j;
  while (i < a.size() && IsDigit(a[i])) ++i;
  while (j < b.size() && IsDigit(b[j])) ++j;
  const size_t lengthA = i - startA, lengthB = j - startB;
  if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
  const int order = a.compare(startA, lengthA, b, startB, lengthB);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int NaturalCompare(const String& a, const String& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      if (const int order = CompareDigitRuns(a, i, b, j)) return order;
      continue;
    }
    const wchar_t x = Folded(a[i]), y = Folded(b[j]);
    if (x != y) return x < y ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  return 0;
}

}  // namespace

bool NaturalLess(const String& a, const String& b) {
  const int order = NaturalCompare(a, b);
  return order != 0 ? order < 0 : a < b;
}

std::vector<String> NaturallySorted(std::vector<String> names) {
  std::stable_sort(names.begin(), names.end(), NaturalLess);
  return names;
}

int32_t PieceNumberOf(const String& path, String* stem) {
  size_t digits = path.size();
  while (digits > 0 && IsDigit(path[digits - 1])) --digits;
  const size_t digitCount = path.size() - digits;
  if (digitCount == 0 || digitCount > kMaxPieceDigits || digits < kMarkerLength + 1) return 0;
  const size_t marker = digits - kMarkerLength;
  if (!SameTextIgnoringCase(path.substr(marker, kMarkerLength), kMarker)) return 0;
  const int32_t number = static_cast<int32_t>(std::stol(path.substr(digits)));
  if (number < 1) return 0;
  if (stem) *stem = path.substr(0, marker);
  return number;
}

TJoinOrderVerdict CheckJoinOrder(const std::vector<String>& entries) {
  TJoinOrderVerdict verdict;
  if (entries.empty()) return verdict;
  String firstStem;
  std::vector<int32_t> numbers;
  for (const String& entry : entries) {
    String stem;
    const int32_t number = PieceNumberOf(entry, &stem);
    if (number == 0) return verdict;
    if (numbers.empty())
      firstStem = stem;
    else if (!SameTextIgnoringCase(stem, firstStem))
      return verdict;
    numbers.push_back(number);
  }
  std::map<int32_t, int> listed;
  for (int32_t number : numbers) ++listed[number];
  const int32_t largest = listed.rbegin()->first;
  for (const auto& [number, times] : listed)
    if (times > 1) verdict.duplicated.push_back(number);
  // A largest number far beyond the count of entries cannot be a set the user means to
  // complete; listing its absent numbers one by one stops at what a message can show.
  for (int32_t number = 1; number < largest && verdict.missing.size() < 100; ++number)
    if (!listed.count(number)) verdict.missing.push_back(number);
  verdict.numbers = numbers;
  if (!verdict.missing.empty() || !verdict.duplicated.empty()) {
    verdict.kind = TJoinOrderVerdict::Kind::Incomplete;
  } else if (!std::is_sorted(numbers.begin(), numbers.end())) {
    verdict.kind = TJoinOrderVerdict::Kind::OutOfOrder;
  }
  return verdict;
}

std::vector<String> SortedByPieceNumber(const std::vector<String>& entries) {
  std::vector<String> sorted = entries;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const String& a, const String& b) { return PieceNumberOf(a) < PieceNumberOf(b); });
  return sorted;
}
