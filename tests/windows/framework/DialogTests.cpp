// The platform's file and folder dialogs behind the framework's dialog components, and
// owner-drawn pop-up menus.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "Helpers.h"
#include "framework/Dialogs.h"
#include "framework/Menus.h"

namespace {

TEST(FileDialogs, FilterAndResultBuffersFollowThePlatformLayout) {
  EXPECT_EQ(TOpenDialog::PlatformFilter(L"所有文件|*.*"), String(L"所有文件\0*.*\0\0", 10));
  EXPECT_EQ(TOpenDialog::PlatformFilter(L""), L"");
  const struct {
    std::wstring buffer;  // as the dialog leaves it, NULs included
    std::vector<String> files;
  } cases[] = {
      {std::wstring(L"C:\\a\\b.txt\0\0", 12), {L"C:\\a\\b.txt"}},
      {std::wstring(L"C:\\a\0x.sprt1\0x.sprt2\0\0", 23), {L"C:\\a\\x.sprt1", L"C:\\a\\x.sprt2"}},
      {std::wstring(L"C:\\\0x\0\0", 7), {L"C:\\x"}},
  };
  for (const auto& c : cases) EXPECT_EQ(TOpenDialog::SplitResult(c.buffer.data(), c.buffer.size()), c.files);
}

// Confirms the folder browser once its tree has selected the item named `leaf`; gives up
// (cancels) after about five seconds.
struct BrowserAnswer {
  static inline std::wstring leaf;
  static inline int ticks = 0;
  static inline bool confirmed = false;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM out) -> BOOL {
          if (IsWindowVisible(w) && WindowClassOf(w) == L"#32770") *reinterpret_cast<HWND*>(out) = w;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    HWND tree = FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr);
    wchar_t text[MAX_PATH] = {};
    if (tree) {
      TVITEMW item{};
      item.mask = TVIF_TEXT;
      item.hItem = TreeView_GetSelection(tree);
      item.pszText = text;
      item.cchTextMax = MAX_PATH;
      if (item.hItem) TreeView_GetItem(tree, &item);
    }
    const bool ready = leaf == text;
    if (ready || ++ticks > 170) {
      KillTimer(nullptr, id);
      confirmed = ready;
      PostMessageW(dialog, WM_COMMAND, ready ? IDOK : IDCANCEL, 0);
    }
  }
};

TEST(FileDialogs, FolderDialogOpensAtItsPathAndReturnsItWithoutTrailingDelimiter) {
  EnsureApplication();
  TempFolder folder;
  TFolderDialog dialog(nullptr);
  EXPECT_EQ(dialog.Root(), L"rfDesktop");
  dialog.SetPath(folder.Path() + L"\\");
  BrowserAnswer::leaf = ExtractFileName(folder.Path());
  BrowserAnswer::ticks = 0;
  SetTimer(nullptr, 0, 30, BrowserAnswer::Tick);
  const bool chosen = dialog.Execute();
  ASSERT_TRUE(BrowserAnswer::confirmed) << "the browser never selected " << StringToUtf8(BrowserAnswer::leaf);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(dialog.Path(), folder.Path());
}

TEST(PopupMenus, OwnerDrawnItemsAreMeasuredAndDrawnByTheirHandlers) {
  EnsureApplication();
  TPopupMenu menu(nullptr);
  menu.SetOwnerDraw(true);
  int measured = 0, drawn = 0;
  std::vector<int> clicks(3);  // per item: each must fire its own handler
  bool separatorMeasured = false;
  for (const wchar_t* caption : {L"one", L"-", L"two"}) {
    auto* item = new TMenuItem(&menu);
    const size_t index = static_cast<size_t>(menu.Items().Count());
    item->SetCaption(caption);
    item->OnMeasureItem = [&](TMenuItem* sender, TCanvas& canvas, int& width, int& height) {
      ++measured;
      if (sender->IsLine()) separatorMeasured = true;
      EXPECT_NE(canvas.Handle(), nullptr);
      width = 80;
      height = sender->IsLine() ? 2 : 18;
    };
    item->OnAdvancedDrawItem = [&](TMenuItem*, TCanvas& canvas, RECT rect, UINT) {
      ++drawn;
      canvas.Brush().SetColor(clWhite);
      canvas.FillRect(rect);
    };
    item->OnClick = [&clicks, index, item](TComponent* sender) {
      EXPECT_EQ(sender, item);
      ++clicks[index];
    };
    menu.Items().Add(item);
  }
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND window = FindWindowW(L"#32768", nullptr);
    if (!window || !IsWindowVisible(window)) return;
    KillTimer(nullptr, id);
    PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);  // over the separator to "two"
    PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
  });
  menu.Popup(100, 100);
  EXPECT_EQ(measured, 3);
  EXPECT_TRUE(separatorMeasured);
  EXPECT_GE(drawn, 3);
  EXPECT_EQ(menu.Items().Items(2)->Caption(), L"two");
  EXPECT_EQ(clicks, (std::vector<int>{0, 0, 1}));  // "two" only
}

TEST(PopupMenus, PlatformDrawnItemsShowTheirShortcutAfterATabAndRadioItemsTheRadioMark) {
  EnsureApplication();
  static TPopupMenu* shown = nullptr;
  TPopupMenu menu(nullptr);
  auto* open = new TMenuItem(&menu);
  open->SetCaption(L"Open");
  open->SetShortCutText(L"Ctrl+O");
  auto* radio = new TMenuItem(&menu);
  radio->SetCaption(L"Large");
  radio->SetRadioItem(true);
  radio->SetChecked(true);
  menu.Items().Add(open);
  menu.Items().Add(radio);
  static std::wstring text;
  static UINT types[2] = {0, 0};
  shown = &menu;
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND window = FindWindowW(L"#32768", nullptr);
    if (!window || !IsWindowVisible(window)) return;
    KillTimer(nullptr, id);
    wchar_t buffer[64] = {};
    GetMenuStringW(shown->Handle(), 0, buffer, 64, MF_BYPOSITION);
    text = buffer;
    for (UINT i = 0; i < 2; ++i) {
      MENUITEMINFOW info{};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_FTYPE;
      GetMenuItemInfoW(shown->Handle(), i, TRUE, &info);
      types[i] = info.fType;
    }
    EndMenu();
  });
  menu.Popup(100, 100);
  shown = nullptr;
  EXPECT_EQ(text, L"Open\tCtrl+O");
  EXPECT_FALSE(types[0] & MFT_RADIOCHECK);
  EXPECT_TRUE(types[1] & MFT_RADIOCHECK);
}

}  // namespace
