// The message-sequence check the window tests rely on: it must fail on every kind of
// difference, and the recorder must tell posted messages from sent ones.
#include <windows.h>

#include <gtest/gtest.h>

#include "Helpers.h"
#include "MessageSequence.h"

namespace {

TEST(MessageSequenceCheck, FailsOnEveryDifferenceAndSkipsOnlyOptionalEntries) {
  const std::vector<RecordedMessage> recorded{
      {WM_SETTEXT, false, 0, 5, "edit"}, {WM_KEYDOWN, true, VK_TAB, 0, "edit"}, {WM_DESTROY, false, 0, 0, "edit"}};
  const struct {
    const char* name;
    std::vector<ExpectedMessage> expected;
    bool matches;
  } cases[] = {
      {"the same", {{WM_SETTEXT}, {WM_KEYDOWN, seq::posted}, {WM_DESTROY}}, true},
      {"parameters and receiver checked",
       {{WM_SETTEXT, seq::sent | seq::lparam, 0, 5, "edit"}, {WM_KEYDOWN, seq::posted | seq::wparam, VK_TAB},
        {WM_DESTROY, seq::sent, 0, 0, "edit"}},
       true},
      {"kind left open", {{WM_SETTEXT, 0}, {WM_KEYDOWN, 0}, {WM_DESTROY, 0}}, true},
      {"optional ones missing",
       {{WM_NCCREATE, seq::optional}, {WM_SETTEXT}, {WM_SIZE, seq::optional}, {WM_KEYDOWN, seq::posted}, {WM_DESTROY},
        {WM_NCDESTROY, seq::optional}},
       true},
      {"another order", {{WM_KEYDOWN, seq::posted}, {WM_SETTEXT}, {WM_DESTROY}}, false},
      {"one missing", {{WM_SETTEXT}, {WM_KEYDOWN, seq::posted}, {WM_DESTROY}, {WM_NCDESTROY}}, false},
      {"one more recorded", {{WM_SETTEXT}, {WM_KEYDOWN, seq::posted}}, false},
      {"sent, not posted", {{WM_SETTEXT}, {WM_KEYDOWN, seq::sent}, {WM_DESTROY}}, false},
      {"posted, not sent", {{WM_SETTEXT, seq::posted}, {WM_KEYDOWN, seq::posted}, {WM_DESTROY}}, false},
      {"other WParam", {{WM_SETTEXT}, {WM_KEYDOWN, seq::posted | seq::wparam, VK_RETURN}, {WM_DESTROY}}, false},
      {"other LParam", {{WM_SETTEXT, seq::sent | seq::lparam, 0, 6}, {WM_KEYDOWN, seq::posted}, {WM_DESTROY}}, false},
      {"other receiver", {{WM_SETTEXT, seq::sent, 0, 0, "list"}, {WM_KEYDOWN, seq::posted}, {WM_DESTROY}}, false},
      {"an optional one does not hide a wrong one",
       {{WM_SETTEXT}, {WM_KEYDOWN, seq::optional | seq::sent}, {WM_DESTROY}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ::testing::AssertionResult result = SequenceMatches(recorded, c.expected);
    EXPECT_EQ(static_cast<bool>(result), c.matches);
    if (!result) {  // both sequences, by name
      const std::string text = result.message();
      EXPECT_NE(text.find("expected:\n  0  "), std::string::npos) << text;
      EXPECT_NE(text.find("recorded:\n  0  WM_SETTEXT sent wParam=0 lParam=5 to edit"), std::string::npos) << text;
      EXPECT_NE(text.find("2  WM_DESTROY sent"), std::string::npos) << text;
    }
  }
  EXPECT_EQ(MessageName(CM_ENTER), "CM_ENTER");
  EXPECT_EQ(MessageName(CN_BASE + WM_COMMAND), "CN_BASE+WM_COMMAND");
  EXPECT_EQ(MessageName(WM_APP + 3), "WM_APP+3");
}

TEST(MessageSequenceCheck, RecorderTellsPostedFromSentMessagesOfTheSameThread) {
  EnsureApplication();
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  MessageSequence seen({WM_APP});
  WindowRecorder recorder(seen, "static");
  ASSERT_TRUE(recorder.Attach(window));
  SendMessageW(window, WM_APP, 1, 0);
  PostMessageW(window, WM_APP, 2, 0);
  ASSERT_TRUE(WaitUntil([&] { return seen.Messages().size() == 2; }));
  SendMessageW(window, WM_APP, 2, 0);  // the same as the posted one, but sent
  PostMessageW(window, WM_APP, 3, 0);
  PostMessageW(window, WM_APP, 3, 0);  // twice the same, both posted
  ASSERT_TRUE(WaitUntil([&] { return seen.Messages().size() == 5; }));
  EXPECT_TRUE(SequenceMatches(seen.Messages(), {{WM_APP, seq::sent | seq::wparam, 1},
                                                {WM_APP, seq::posted | seq::wparam, 2},
                                                {WM_APP, seq::sent | seq::wparam, 2},
                                                {WM_APP, seq::posted | seq::wparam, 3},
                                                {WM_APP, seq::posted | seq::wparam, 3}}));
  DestroyWindow(window);
}

}  // namespace
