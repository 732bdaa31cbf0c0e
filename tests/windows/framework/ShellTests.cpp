// The file-system helpers the folder dialog uses and the shell item helpers, over folders
// the test makes itself.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Helpers.h"
#include "framework/Forms.h"
#include "framework/Shell.h"
#include "framework/SysUtils.h"

TEST(PathTextTest, TrailingDelimitersAndFullNames) {
  struct Case {
    const wchar_t* path;
    const wchar_t* without;
    const wchar_t* with;
  };
  const Case cases[] = {
      {L"C:\\data\\", L"C:\\data", L"C:\\data\\"},
      {L"C:\\data\\\\", L"C:\\data", L"C:\\data\\\\"},
      {L"C:\\data", L"C:\\data", L"C:\\data\\"},
      {L"C:\\", L"C:\\", L"C:\\"},
      {L"\\", L"\\", L"\\"},
      {L"", L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::wstring(c.path));
    EXPECT_EQ(ExcludeTrailingPathDelimiter(c.path), c.without);
    EXPECT_EQ(IncludeTrailingPathDelimiter(c.path), c.with);
  }
  EXPECT_EQ(ExpandFileName(L"C:\\a\\b\\..\\.\\c"), L"C:\\a\\c");
}

TEST(PathTextTest, ChangingAndMakingDirectories) {
  EnsureApplication();
  TempFolder folder;
  const String saved = GetCurrentDir();
  ChDir(folder.Path());
  EXPECT_EQ(GetCurrentDir(), folder.Path());
  EXPECT_EQ(ExpandFileName(L"inner"), folder.File(L"inner"));
  EXPECT_EQ(ExpandFileName(L""), folder.Path());
  EXPECT_TRUE(CreateDir(L"inner"));
  EXPECT_TRUE(DirectoryExists(folder.File(L"inner")));
  EXPECT_FALSE(CreateDir(L"inner")) << "an existing folder is not made again";
  EXPECT_FALSE(CreateDir(folder.File(L"no\\such")));
  EXPECT_THROW(ChDir(folder.File(L"missing")), EInOutError);
  EXPECT_EQ(GetCurrentDir(), folder.Path()) << "a failed change leaves the directory";
  ChDir(saved);
}

TEST(ShellItemsTest, ParseNameListRenameAndRelease) {
  EnsureApplication();
  TempFolder folder;
  ASSERT_TRUE(CreateDirectoryW(folder.File(L"one").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(folder.File(L"two").c_str(), nullptr));
  WriteFileBytes(folder.File(L"file.txt"), "x");
  const int before = TItemIdList::LiveCount();
  {
    TItemIdList item = ParseShellPath(folder.Path());
    ASSERT_TRUE(item);
    EXPECT_EQ(ShellDisplayName(item.Get(), SHGDN_FORPARSING), folder.Path());
    const ULONG wanted = SFGAO_FOLDER | SFGAO_FILESYSTEM;
    EXPECT_EQ(ShellAttributes(item.Get(), wanted), wanted);

    std::vector<std::wstring> names;
    for (const TItemIdList& child : ShellSubFolders(item.Get())) {
      names.push_back(ShellDisplayName(child.Get(), SHGDN_INFOLDER));
      EXPECT_TRUE(ShellItemContains(item.Get(), child.Get()));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"one", L"two"})) << "folders only";

    TItemIdList one = ParseShellPath(folder.File(L"one"));
    TItemIdList renamed = RenameShellItem(one.Get(), L"three");
    ASSERT_TRUE(renamed);
    EXPECT_TRUE(DirectoryExists(folder.File(L"three")));
    EXPECT_EQ(ShellDisplayName(renamed.Get(), SHGDN_FORPARSING), folder.File(L"three"));
    EXPECT_FALSE(RenameShellItem(renamed.Get(), L"two")) << "a taken name";

    TItemIdList computer = SpecialFolderItem(CSIDL_DRIVES);
    ASSERT_TRUE(computer);
    EXPECT_EQ(ShellDisplayName(computer.Get(), SHGDN_FORPARSING).rfind(L"::{", 0), 0u);
    EXPECT_EQ(ShellAttributes(computer.Get(), SFGAO_FILESYSTEM), 0u);
    EXPECT_FALSE(ParseShellPath(L"Q:\\no\\such\\<folder>"));
    EXPECT_TRUE(SameShellItem(item.Clone().Get(), item.Get()));
    EXPECT_GT(TItemIdList::LiveCount(), before);
  }
  EXPECT_EQ(TItemIdList::LiveCount(), before) << "every list went with its owner";
}
