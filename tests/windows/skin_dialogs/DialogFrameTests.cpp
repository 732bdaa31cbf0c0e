// The dialog frame on platform dialogs.
#include <gtest/gtest.h>

#include "DialogFixture.h"
#include "skin/dialogs/acDialogWnd.h"
#include "skin/dialogs/acDials.h"

namespace {

TEST_F(DialogTest, DialogWindowIsMadeFromTemplate) {
  HWND dialog = MakeDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, L"plain", 240, 160);
  ASSERT_NE(dialog, nullptr);
  wchar_t name[64] = {};
  GetClassNameW(dialog, name, 64);
  EXPECT_STREQ(name, L"#32770");
  RECT r{};
  GetWindowRect(dialog, &r);
  EXPECT_EQ(r.right - r.left, 240);
  EXPECT_EQ(r.bottom - r.top, 160);
  DestroyWindow(dialog);
}

}  // namespace
