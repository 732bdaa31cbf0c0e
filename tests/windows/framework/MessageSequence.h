// Ordered message traffic of windows and framework controls, checked against an expected
// table in one call, after the message sequences of Wine's user32 conformance tests.
//
// Sent or posted: `InSendMessageEx` cannot tell them apart for messages sent by the
// window's own thread (under Wine it returns ISMEX_NOSEND for a same-thread SendMessage
// and for a posted message alike), so a WH_GETMESSAGE hook of the thread notes each
// message taken off the queue, and the first arrival of exactly that message (window,
// number, WParam, LParam) in a sequence is recorded as posted. Everything else is sent:
// SendMessage, calls of the window procedure, and framework notifications (Perform).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Subclass.h"

namespace seq {
// Flags of an expected entry. Without `sent` or `posted` either kind matches.
enum : unsigned {
  sent = 1u << 0,
  posted = 1u << 1,
  wparam = 1u << 2,    // WParam must be equal
  lparam = 1u << 3,    // LParam must be equal
  optional = 1u << 4,  // may be missing (platform noise that differs between systems)
};
}  // namespace seq

struct ExpectedMessage {
  UINT msg = 0;
  unsigned flags = seq::sent;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  // Who must have received it (the name a recorder was given); null: anyone.
  const char* who = nullptr;
};

struct RecordedMessage {
  UINT msg = 0;
  bool posted = false;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::string who;
};

// The messages recorded in arrival order; several recorders may write into one sequence,
// so the order between windows shows. Only messages of `watched` are kept (all when empty).
class MessageSequence {
public:
  explicit MessageSequence(std::vector<UINT> watched = {});
  ~MessageSequence();
  MessageSequence(const MessageSequence&) = delete;
  MessageSequence& operator=(const MessageSequence&) = delete;

  // `msg` arrived at `window` (null for a non-windowed control), received by `who`.
  void Add(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, const std::string& who = {});
  const std::vector<RecordedMessage>& Messages() const { return messages_; }
  void Clear() { messages_.clear(); }

private:
  std::vector<UINT> watched_;
  std::vector<RecordedMessage> messages_;
  uint64_t lastPostedTaken_ = 0;
};

// Compares `recorded` with `expected` (entries matched in order; optional ones may be
// skipped). On a mismatch the message names where and prints both sequences.
::testing::AssertionResult SequenceMatches(const std::vector<RecordedMessage>& recorded,
                                           const std::vector<ExpectedMessage>& expected);

// "WM_DESTROY", "CM_ENTER", "CN_COMMAND" ... or the number in hex.
std::string MessageName(UINT msg);

// Records every message of a window the framework did not create, through a subclass of
// ours, into `into` (which must outlive the recorder's window or the recorder).
class WindowRecorder : public TWindowSubclass {
public:
  explicit WindowRecorder(MessageSequence& into, std::string who = {}) : into_(into), who_(std::move(who)) {}

protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  MessageSequence& into_;
  std::string who_;
};
