// The merge list's own rules, apart from its window: the question asked before joining a
// list of pieces that is out of order or incomplete, and moving selected entries.
#pragma once

#include <optional>
#include <vector>

#include "engine/JoinOrder.h"

// The question to ask before joining, with its buttons; none when the list joins as listed.
struct TJoinOrderQuestion {
  String text;
  unsigned flags;  // MB_* flags: buttons, icon and default button
};
std::optional<TJoinOrderQuestion> JoinOrderQuestion(const TJoinOrderVerdict& verdict);

// A list's entries with a selection, after the selected ones moved one place up (`delta`
// -1) or down (+1). Nothing moves when a selected entry is already at that end.
struct TListSelection {
  std::vector<String> items;
  std::vector<bool> selected;
  bool operator==(const TListSelection&) const = default;
};
TListSelection MovedSelection(const TListSelection& list, int delta);
