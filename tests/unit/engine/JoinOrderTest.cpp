// The order rules of a merge list: natural order of chosen files and the check of a list
// of pieces before it is joined.

#include <gtest/gtest.h>

#include "engine/JoinOrder.h"

namespace {

using Kind = TJoinOrderVerdict::Kind;
using Numbers = std::vector<int32_t>;

std::vector<String> Pieces(const String& stem, const Numbers& numbers) {
  std::vector<String> names;
  for (int32_t n : numbers) names.push_back(stem + L".sprt" + std::to_wstring(n));
  return names;
}

}  // namespace

TEST(NaturalOrder, TwelvePiecesSortByNumberAndOtherTextIgnoresCase) {
  const std::vector<String> chosen = Pieces(L"C:\\d\\a.bin", {1, 10, 11, 12, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(NaturallySorted(chosen), Pieces(L"C:\\d\\a.bin", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

  EXPECT_TRUE(NaturalLess(L"a.bin.sprt2", L"a.bin.sprt10"));
  EXPECT_FALSE(NaturalLess(L"a.bin.sprt10", L"a.bin.sprt2"));
  EXPECT_TRUE(NaturalLess(L"File9.txt", L"file10.txt")) << "case does not decide before the number";
  EXPECT_TRUE(NaturalLess(L"x2y", L"x2z"));
  EXPECT_TRUE(NaturalLess(L"x", L"x1")) << "a prefix first";
  EXPECT_TRUE(NaturalLess(L"v007", L"v8")) << "leading zeros do not count";
  EXPECT_TRUE(NaturalLess(L"n99999999999999999999", L"n100000000000000000000")) << "runs beyond 64 bits";
  EXPECT_NE(NaturalLess(L"A.sprt1", L"a.sprt1"), NaturalLess(L"a.sprt1", L"A.sprt1")) << "a total order";
}

TEST(PieceNumberOf, ReadsTheNumberAfterTheLastMarker) {
  String stem;
  EXPECT_EQ(PieceNumberOf(L"E:\\out\\clip.avi.sprt12", &stem), 12);
  EXPECT_EQ(stem, L"E:\\out\\clip.avi");
  EXPECT_EQ(PieceNumberOf(L"x.sprt1.SPRT3", &stem), 3);
  EXPECT_EQ(stem, L"x.sprt1");
  EXPECT_EQ(PieceNumberOf(L"clip.avi"), 0);
  EXPECT_EQ(PieceNumberOf(L"clip.sprt"), 0);
  EXPECT_EQ(PieceNumberOf(L"clip.sprt0"), 0);
  EXPECT_EQ(PieceNumberOf(L"clip.sprt2x"), 0);
  EXPECT_EQ(PieceNumberOf(L".sprt1"), 0) << "nothing before the marker";
  EXPECT_EQ(PieceNumberOf(L"clip.sprt12345678901"), 0) << "beyond 32 bits";
}

struct OrderCase {
  const char* what;
  std::vector<String> entries;
  Kind kind;
  Numbers missing;
  Numbers duplicated;
};

void PrintTo(const OrderCase& c, std::ostream* out) { *out << c.what; }

class JoinOrderCheck : public ::testing::TestWithParam<OrderCase> {};

TEST_P(JoinOrderCheck, GivesTheVerdict) {
  const OrderCase& c = GetParam();
  const TJoinOrderVerdict verdict = CheckJoinOrder(c.entries);
  EXPECT_EQ(verdict.kind, c.kind);
  EXPECT_EQ(verdict.missing, c.missing);
  EXPECT_EQ(verdict.duplicated, c.duplicated);
}

const std::vector<String> kMixed = {L"C:\\d\\a.bin.sprt1", L"C:\\d\\notes.txt", L"C:\\d\\a.bin.sprt2"};
const std::vector<String> kTwoSets = {L"C:\\d\\a.bin.sprt2", L"C:\\d\\b.bin.sprt1"};
const std::vector<String> kTwoFolders = {L"C:\\d\\a.bin.sprt2", L"D:\\e\\a.bin.sprt1"};
const std::vector<String> kCases = {L"C:\\D\\A.BIN.SPRT2", L"c:\\d\\a.bin.sprt1", L"C:\\d\\A.bin.Sprt3"};

INSTANTIATE_TEST_SUITE_P(
    Table, JoinOrderCheck,
    ::testing::Values(
        OrderCase{"in order", Pieces(L"C:\\d\\a.bin", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), Kind::AsListed},
        OrderCase{"permuted", Pieces(L"C:\\d\\a.bin", {1, 10, 11, 12, 2, 3, 4, 5, 6, 7, 8, 9}), Kind::OutOfOrder},
        OrderCase{"two swapped", Pieces(L"a", {2, 1}), Kind::OutOfOrder},
        OrderCase{"gap", Pieces(L"a", {1, 2, 3, 4, 6}), Kind::Incomplete, {5}},
        OrderCase{"gaps and a permutation", Pieces(L"a", {7, 1, 4}), Kind::Incomplete, {2, 3, 5, 6}},
        OrderCase{"duplicate", Pieces(L"a", {1, 2, 3, 3}), Kind::Incomplete, {}, {3}},
        OrderCase{"duplicate and gap", Pieces(L"a", {1, 3, 1}), Kind::Incomplete, {2}, {1}},
        OrderCase{"the first piece missing", Pieces(L"a", {2, 3}), Kind::Incomplete, {1}},
        OrderCase{"mixed files", kMixed, Kind::AsListed},
        OrderCase{"pieces of two sets", kTwoSets, Kind::AsListed},
        OrderCase{"pieces in two folders", kTwoFolders, Kind::AsListed},
        OrderCase{"one entry", Pieces(L"a", {1}), Kind::AsListed},
        OrderCase{"one entry that is not the first", Pieces(L"a", {4}), Kind::Incomplete, {1, 2, 3}},
        OrderCase{"one file that is no piece", {L"C:\\d\\movie.avi"}, Kind::AsListed},
        OrderCase{"case differences are one set", kCases, Kind::OutOfOrder},
        OrderCase{"empty list", {}, Kind::AsListed}));

TEST(JoinOrderCheck, ReportsTheNumbersInListOrder) {
  EXPECT_EQ(CheckJoinOrder(Pieces(L"a", {1, 10, 2})).numbers, (Numbers{1, 10, 2}));
}

TEST(SortedByPieceNumber, PutsASetInNumberOrder) {
  EXPECT_EQ(SortedByPieceNumber(Pieces(L"a", {3, 10, 1, 2})), Pieces(L"a", {1, 2, 3, 10}));
}
