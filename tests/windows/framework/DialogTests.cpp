// The platform's file and folder dialogs behind the framework's dialog components, and
// owner-drawn pop-up menus.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "Helpers.h"
#include "framework/Dialogs.h"
#include "framework/Menus.h"

namespace {

TEST(FileDialogs, FilterAndResultBuffersFollowThePlatformLayout) {
  EXPECT_EQ(TOpenDialog::PlatformFilter(L"所有文件|*.*"), String(L"所有文件\0*.*\0\0", 10));
  EXPECT_EQ(TOpenDialog::PlatformFilter(L""), L"");
  const struct {
    std::wstring buffer;  // as the dialog leaves it, NULs included
    size_t fileOffset;    // where the (first) name starts
    std::vector<String> files;
  } cases[] = {
      {std::wstring(L"C:\\a\\b.txt\0\0", 12), 5, {L"C:\\a\\b.txt"}},
      {std::wstring(L"C:\\a\0x.sprt1\0x.sprt2\0\0", 23), 5, {L"C:\\a\\x.sprt1", L"C:\\a\\x.sprt2"}},
      {std::wstring(L"C:\\\0x\0\0", 7), 4, {L"C:\\x"}},
      // One file over the end of a longer name the buffer was given: that rest is no name.
      {std::wstring(L"C:\\a\\b.txt\0prt3\0\0", 17), 5, {L"C:\\a\\b.txt"}},
      {std::wstring(L"\0\0", 2), 0, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TOpenDialog::SplitResult(c.buffer.data(), c.buffer.size(), c.fileOffset), c.files);
}

// Plays a person's part in the modal file dialogs of this thread: each step is tried on a
// timer until it reports done, then the next one. Steps not done within the deadline are
// a failure: every dialog of the thread is then cancelled, so the test ends.
class DialogScript {
public:
  using Step = std::function<bool()>;
  explicit DialogScript(std::vector<Step> steps) : steps_(std::move(steps)) {
    current = this;
    timer_ = SetTimer(nullptr, 0, 30, Tick);
  }
  ~DialogScript() {
    KillTimer(nullptr, timer_);
    current = nullptr;
  }
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;
  size_t StepsDone() const { return next_; }

  // The visible top-level "#32770" windows of the thread, in z-order.
  static std::vector<HWND> Dialogs() {
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM out) -> BOOL {
          if (IsWindowVisible(w) && WindowClassOf(w) == L"#32770") reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
  }
  // The file dialog: the one with the file name box.
  static HWND FileDialog() {
    for (HWND w : Dialogs())
      if (GetDlgItem(w, 0x47c) || GetDlgItem(w, 0x480)) return w;
    return nullptr;
  }
  // A box over the file dialog (the overwrite question): a dialog with a Yes button.
  static HWND Question() {
    for (HWND w : Dialogs())
      if (GetDlgItem(w, IDYES)) return w;
    return nullptr;
  }

private:
  static inline DialogScript* current = nullptr;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current) current->Advance();
  }
  void Advance() {
    if (next_ < steps_.size() && steps_[next_]()) ++next_;
    if (next_ < steps_.size() && GetTickCount64() - start_ > 10000) {
      ADD_FAILURE() << "step " << next_ + 1 << " of the dialog script never completed";
      next_ = steps_.size();
      for (HWND w : Dialogs()) PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
    }
  }

  std::vector<Step> steps_;
  size_t next_ = 0;
  ULONGLONG start_ = GetTickCount64();
  UINT_PTR timer_ = 0;
};

// Types `name` into the file dialog's name box and confirms; done once there was a dialog.
bool ConfirmName(const std::wstring& name) {
  HWND dialog = DialogScript::FileDialog();
  if (!dialog) return false;
  for (int id : {0x480, 0x47c}) SendMessageW(dialog, CDM_SETCONTROLTEXT, id, reinterpret_cast<LPARAM>(name.c_str()));
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  return true;
}

// The dialog is the Explorer-style one with the hook's child dialog inside (so its
// controls are windows the skin engine can take over), and a multiple selection comes
// back as full paths in the order typed.
TEST(FileDialogs, OpenDialogIsTheExplorerDialogAndReturnsAMultipleSelectionInOrder) {
  EnsureApplication();
  TempFolder folder;
  for (const wchar_t* name : {L"x.sprt1", L"x.sprt2", L"x.sprt3"}) WriteFileBytes(folder.File(name), "x");
  TOpenDialog dialog(nullptr);
  dialog.SetInitialDir(folder.Path());
  dialog.SetOptions(ofHideReadOnly | ofAllowMultiSelect | ofEnableSizing);
  bool explorer = false, hookChild = false;
  DialogScript script({[&] {
    HWND shown = DialogScript::FileDialog();
    if (!shown) return false;
    explorer = GetDlgItem(shown, IDOK) && FindWindowExW(shown, nullptr, L"ComboBoxEx32", nullptr);
    hookChild = FindWindowExW(shown, nullptr, L"#32770", nullptr) != nullptr;
    return ConfirmName(L"\"x.sprt3\" \"x.sprt1\"");
  }});
  ASSERT_TRUE(dialog.Execute());
  EXPECT_TRUE(explorer) << "the dialog has the Explorer-style file name box";
  EXPECT_TRUE(hookChild) << "the hook's child dialog is inside the dialog";
  EXPECT_EQ(dialog.Files(), (std::vector<String>{folder.File(L"x.sprt3"), folder.File(L"x.sprt1")}));
  EXPECT_EQ(dialog.FileName(), folder.File(L"x.sprt3"));
}

// The dialog starts at the name it last returned: a shorter name chosen next comes back
// alone, not with the rest of the longer one behind it.
TEST(FileDialogs, AShorterNameAfterALongerOneComesBackAlone) {
  EnsureApplication();
  TempFolder folder;
  WriteFileBytes(folder.File(L"a.bin"), "x");
  TOpenDialog dialog(nullptr);
  dialog.SetFileName(folder.File(L"a.bin.sprt3"));
  dialog.SetOptions(ofHideReadOnly | ofEnableSizing);
  DialogScript script({[&] { return ConfirmName(folder.File(L"a.bin")); }});
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Files(), (std::vector<String>{folder.File(L"a.bin")}));
  EXPECT_EQ(dialog.FileName(), folder.File(L"a.bin"));
}

// The save dialog asks before naming an existing file: No goes back to the dialog (here
// cancelled, so nothing is chosen), Yes confirms the name. The dialog writes nothing
// itself: the file keeps its bytes either way.
TEST(FileDialogs, SaveDialogAsksBeforeNamingAnExistingFile) {
  EnsureApplication();
  TempFolder folder;
  const std::wstring file = folder.File(L"joined.bin");
  WriteFileBytes(file, "kept");
  for (const int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
    TSaveDialog dialog(nullptr);
    dialog.SetOptions(ofOverwritePrompt | ofHideReadOnly | ofEnableSizing);
    dialog.SetFileName(file);
    std::wstring question;
    bool backInDialog = false;
    DialogScript script({[&] { return ConfirmName(file); },
                         [&] {
                           HWND box = DialogScript::Question();
                           if (!box) return false;
                           for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                             if (WindowClassOf(c) == L"Static" && !WindowTextOf(c).empty()) question += WindowTextOf(c);
                           PostMessageW(GetDlgItem(box, answer), BM_CLICK, 0, 0);
                           return true;
                         },
                         [&] {
                           // After No the file dialog is back in front; it is then cancelled.
                           if (answer == IDYES || DialogScript::Question() || !DialogScript::FileDialog()) return answer == IDYES;
                           backInDialog = true;
                           PostMessageW(DialogScript::FileDialog(), WM_COMMAND, IDCANCEL, 0);
                           return true;
                         }});
    const bool chosen = dialog.Execute();
    EXPECT_NE(question.find(L"already exists"), std::wstring::npos) << StringToUtf8(question);
    if (answer == IDYES) {
      EXPECT_TRUE(chosen);
      EXPECT_EQ(dialog.FileName(), file);
    } else {
      EXPECT_TRUE(backInDialog);
      EXPECT_FALSE(chosen);
    }
    EXPECT_EQ(ReadFileBytes(file), "kept");
  }
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
