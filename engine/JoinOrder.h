// Rules about the order of the files a merge joins: natural order of names, and the check
// that a list of pieces of one split is complete and in number order.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/SysUtils.h"

// Natural order: runs of decimal digits compare as numbers ("a.sprt2" before "a.sprt10"),
// other characters without regard to case; equal texts then compare as written, so the
// order is total.
bool NaturalLess(const String& a, const String& b);
// `names` sorted in natural order (a stable sort).
std::vector<String> NaturallySorted(std::vector<String> names);

// The piece number of `path` when it ends in ".sprt" (any case) and decimal digits, with
// the text before the marker in `stem`; 0 when it does not name a piece.
int32_t PieceNumberOf(const String& path, String* stem = nullptr);

struct TJoinOrderVerdict {
  enum class Kind {
    AsListed,    // in order 1..N, or not the pieces of one set: join as listed
    OutOfOrder,  // the pieces 1..N, each once, in another order
    Incomplete,  // one set, but a number is missing or listed more than once
  };
  Kind kind = Kind::AsListed;
  std::vector<int32_t> numbers;     // the piece numbers in list order (empty for AsListed of other files)
  std::vector<int32_t> missing;     // numbers below the largest listed that are absent, ascending
  std::vector<int32_t> duplicated;  // numbers listed more than once, ascending
};

// Checks `entries` before a merge. They are one set when every entry names a piece and
// all stems are the same path without regard to case.
TJoinOrderVerdict CheckJoinOrder(const std::vector<String>& entries);

// `entries` ordered by piece number (stable; for a list that is one set of pieces).
std::vector<String> SortedByPieceNumber(const std::vector<String>& entries);
