// End-to-end tests of the dialogs the program shows: the open dialog for the file to cut
// and for the pieces to add, the save dialog with its overwrite question, and the error
// box of a failed split. One program is started for all tests and driven through real
// input; the tests check what the dialogs return, the files on disk and the program's
// handle counts, and save screenshots.
//
//   equidiv-e2e-dialogs [GTEST FLAGS] EQUIDIV.EXE SCREENSHOT-FOLDER
//
// The checks of the skinned look of each dialog are tests of their own (names ending in
// "IsSkinned"); they are compiled but not run (DISABLED_) until the dialog skinning is in.
// `--gtest_also_run_disabled_tests` runs them anyway.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "tests/e2e/support/FileDialog.h"
#include "tests/e2e/support/Files.h"
#include "tests/e2e/support/Input.h"
#include "tests/e2e/support/Process.h"
#include "tests/e2e/support/RemoteMemory.h"
#include "tests/e2e/support/Report.h"
#include "tests/e2e/support/Screenshot.h"
#include "tests/e2e/support/Tabs.h"
#include "tests/e2e/support/Wait.h"
#include "tests/e2e/support/WindowQuery.h"

namespace e2e {
namespace {

std::wstring programPath, shotsFolder;

const wchar_t kTitle[] = L"Equidiv";
const wchar_t kSkinProperty[] = L"ACSBSC";

std::string Narrow(const std::wstring& text) { return ToUtf8(text); }

Bytes Pattern(size_t size, uint32_t seed) {
  Bytes bytes(size);
  for (auto& b : bytes) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }
  return bytes;
}

// ---------------------------------------------------------------------------------------
// Counts of the program's objects.

// Live objects the program made through its framework, by kind, as its application window
// reports them (brush pen font region bitmap DC icon menu window hook).
std::vector<LRESULT> FrameworkCounts(DWORD pid) {
  static const UINT query = RegisterWindowMessageW(kLiveHandlesMessage);
  HWND application = nullptr;
  for (HWND w = GetTopWindow(nullptr); w && !application; w = GetWindow(w, GW_HWNDNEXT))
    if (ProcessOf(w) == pid && ClassOf(w) == L"TApplication") application = w;
  std::vector<LRESULT> counts;
  for (THandleKind kind : {THandleKind::Brush, THandleKind::Pen, THandleKind::Font, THandleKind::Region,
                           THandleKind::Bitmap, THandleKind::DC, THandleKind::Icon, THandleKind::Menu,
                           THandleKind::Window, THandleKind::Hook})
    counts.push_back(application ? Send(application, query, static_cast<WPARAM>(kind)) : -1);
  return counts;
}

// Every window of the process, shown or not, top-level and child: the platform's count of
// the USER windows it holds, whoever made them.
int WindowCount(DWORD pid) {
  struct Count {
    DWORD pid;
    int windows = 0;
  } count{pid};
  EnumWindows(
      [](HWND w, LPARAM data) -> BOOL {
        auto* c = reinterpret_cast<Count*>(data);
        if (ProcessOf(w) != c->pid) return TRUE;
        ++c->windows;
        EnumChildWindows(w, [](HWND, LPARAM n) -> BOOL { return ++*reinterpret_cast<int*>(n), TRUE; },
                         reinterpret_cast<LPARAM>(&c->windows));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.windows;
}

// The platform's GDI and USER object counts of the process, or -1 where the platform does
// not keep them (Wine answers 0 with ERROR_CALL_NOT_IMPLEMENTED).
struct GuiResources {
  long long gdi = -1, user = -1;
  bool operator==(const GuiResources&) const = default;
};
GuiResources PlatformCounts(HANDLE process) {
  SetLastError(0);
  const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
  const DWORD gdiError = GetLastError();
  SetLastError(0);
  const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
  const DWORD userError = GetLastError();
  GuiResources counts;
  if (gdi != 0 || gdiError == 0) counts.gdi = gdi;
  if (user != 0 || userError == 0) counts.user = user;
  return counts;
}

std::wstring CountsText(const std::vector<LRESULT>& counts) {
  std::wstring text;
  for (LRESULT n : counts) text += (text.empty() ? L"" : L" ") + std::to_wstring(n);
  return text;
}

// ---------------------------------------------------------------------------------------
// The skinned look, as seen from outside.

// Share (percent) of the caption band's pixels (between the top border and the client
// area, inside the side borders) whose colour lies on the platform's caption gradient,
// active or inactive, within a small distance. Text and caption buttons are a small part
// of the band, so a platform caption scores high, a skinned one low.
int PlatformCaptionShare(HWND window) {
  const RECT w = ScreenRectOf(window), c = ClientScreenRect(window);
  const int border = c.left - w.left;
  const RECT band{w.left + border, w.top + border, w.right - border, c.top - 1};
  if (band.right <= band.left || band.bottom <= band.top) return 100;
  WaitUntilPainted(window);
  const Picture picture = CaptureSettled(band);
  // A band that is all black was read before anything reached the screen: no answer.
  if (CountPixels(picture, RECT{0, 0, picture.width, picture.height}, [](COLORREF pixel) { return pixel != 0; }) == 0)
    return 100;
  const std::pair<int, int> gradients[] = {{COLOR_ACTIVECAPTION, COLOR_GRADIENTACTIVECAPTION},
                                           {COLOR_INACTIVECAPTION, COLOR_GRADIENTINACTIVECAPTION}};
  const auto onGradient = [&](COLORREF pixel) {
    for (const auto& [from, to] : gradients) {
      const COLORREF a = GetSysColor(from), b = GetSysColor(to);
      for (int step = 0; step <= 32; ++step) {
        const auto mix = [&](int ca, int cb) { return ca + (cb - ca) * step / 32; };
        const int dr = GetRValue(pixel) - mix(GetRValue(a), GetRValue(b));
        const int dg = GetGValue(pixel) - mix(GetGValue(a), GetGValue(b));
        const int db = GetBValue(pixel) - mix(GetBValue(a), GetBValue(b));
        if (std::abs(dr) <= 6 && std::abs(dg) <= 6 && std::abs(db) <= 6) return true;
      }
    }
    return false;
  };
  const int hits = CountPixels(picture, RECT{0, 0, picture.width, picture.height}, onGradient);
  return hits * 100 / std::max(picture.width * picture.height, 1);
}

bool HasSkinHandler(HWND window) { return window && GetPropW(window, kSkinProperty) != nullptr; }

// A window as a person sees it: it is skinned by a handler, has no platform system menu
// (the skinned frame draws its caption buttons), and its caption band is not the
// platform's.
void ExpectSkinnedFrame(HWND window, const std::wstring& name) {
  EXPECT_TRUE(HasSkinHandler(window)) << Narrow(name) << " carries the skin handler's window property";
  EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & WS_SYSMENU) << Narrow(name) << " has no platform system menu";
  const int share = PlatformCaptionShare(window);
  EXPECT_LT(share, 20) << Narrow(name) << ": " << share << "% of its caption band is in the platform's caption colours";
}

// A button lights up while the pointer rests on it, and goes back when it leaves.
void ExpectButtonLightsUp(HWND button, const std::wstring& name) {
  ASSERT_NE(button, nullptr) << Narrow(name);
  const RECT r = ScreenRectOf(button);
  MoveMouseTo({r.left - 40, r.bottom + 40});
  WaitUntilPainted(GetAncestor(button, GA_ROOT));
  const Picture normal = CaptureSettled(r);
  MoveMouseTo({r.left + 3, (r.top + r.bottom) / 2});
  MoveMouseTo({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  EXPECT_TRUE(WaitFor([&] { return !(CaptureScreen(r) == normal); }, kShortWaitMs))
      << Narrow(name) << " changes its look under the pointer";
  MoveMouseTo({r.left - 40, r.bottom + 40});
  EXPECT_TRUE(WaitFor([&] { return CaptureScreen(r) == normal; }, kShortWaitMs))
      << Narrow(name) << " looks as before once the pointer has left";
}

// The file dialog's controls carry skin handlers: OK and Cancel, the file name box (the
// combo box and its edit), and the file list.
void ExpectSkinnedFileDialog(HWND dialog, const std::wstring& name) {
  ExpectSkinnedFrame(dialog, name);
  EXPECT_TRUE(HasSkinHandler(GetDlgItem(dialog, IDOK))) << Narrow(name) << ": its OK button is skinned";
  EXPECT_TRUE(HasSkinHandler(GetDlgItem(dialog, IDCANCEL))) << Narrow(name) << ": its Cancel button is skinned";
  HWND edit = FileNameEdit(dialog);
  EXPECT_TRUE(HasSkinHandler(edit) || HasSkinHandler(GetParent(edit)))
      << Narrow(name) << ": its file name box is skinned";
  HWND list = nullptr;
  WaitFor([&] { return (list = FindDescendantByClass(dialog, L"SysListView32")) != nullptr; }, kShortWaitMs);
  EXPECT_TRUE(WaitFor([&] { return HasSkinHandler(FindDescendantByClass(dialog, L"SysListView32")); }, kShortWaitMs))
      << Narrow(name) << ": its file list is skinned";
  ExpectButtonLightsUp(GetDlgItem(dialog, IDCANCEL), name + L"'s Cancel button");
}

// ---------------------------------------------------------------------------------------

// One program for every test of the suite: started once, ended by its handle at the end.
class ProgramDialogs : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    work = std::make_unique<WorkFolder>();
    app = std::make_unique<ChildProcess>();
    std::wstring error;
    ASSERT_TRUE(work->Valid());
    CreateDirectoryW(shotsFolder.c_str(), nullptr);
    ASSERT_TRUE(app->Start(programPath, work->Path(), error)) << Narrow(error);
    main = WaitForTopLevel(app->Id(), L"Tfrmmain", nullptr, kLongWaitMs);
    ASSERT_NE(main, nullptr) << "the main window appears";
    pages = FindDescendantByClass(main, L"TsPageControl");
    for (HWND w : DescendantsOf(main)) {
      const std::wstring cls = ClassOf(w), text = TextOf(w);
      if (cls == L"TsTabSheet" && text == L"文件分割") sheet1 = w;
      if (cls == L"TsTabSheet" && text == L"文件合并") sheet2 = w;
      if (cls == L"TsButton" && text == L"打开要均分的文件") open = w;
      if (cls == L"TsButton" && text == L"开始分割") split = w;
      if (cls == L"TsButton" && text == L"指定保存目录") saveFolder = w;
      if (cls == L"TsButton" && text == L"按顺序添加要合并的文件") add = w;
      if (cls == L"TsButton" && text == L"开始合并") merge = w;
      if (cls == L"TsListBox") list = w;
      if (cls == L"TsEdit" && RectInParent(w, GetParent(w)).top < 80) fileBox = w;
    }
    ASSERT_TRUE(pages && sheet1 && sheet2 && open && split && add && merge && list && fileBox && saveFolder)
        << "every control the tests use is found";
  }

  static void TearDownTestSuite() {
    if (app) app->Terminate();
    app.reset();
    work.reset();
  }

  void SetUp() override {
    if (!app || !app->Running() || !main) GTEST_SKIP() << "the program is not running";
    // Whatever a failed test left open goes first.
    for (HWND w : TopLevelWindows(app->Id()))
      if (ClassOf(w) == L"#32770" || ClassOf(w) == L"TMessageForm") PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([] { return FindTopLevel(app->Id(), L"#32770") == nullptr; }, kShortWaitMs));
  }

  void TearDown() override {
    if (HasFailure() && work) work->Keep();
  }

  static void ShowPage(int index) {
    ASSERT_TRUE(BringToFront(main));
    if (TabSelected(pages) == index) return;
    const RECT tab = TabRect(app->Handle(), pages, index);
    ClickWindowAt(pages, {(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(index == 0 ? sheet1 : sheet2) != FALSE; }));
  }

  // Clicks `button` of the main window and waits for the file dialog it opens.
  static HWND OpenFileDialogWith(HWND button) {
    if (!BringToFront(main)) return nullptr;
    ClickWindow(button);
    return WaitForFileDialog(app->Id(), kWaitMs);
  }

  // The dialog's file list, once the platform has made it (it comes after activation).
  static HWND FileList(HWND dialog) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindDescendantByClass(dialog, L"SysListView32")) != nullptr; }, kShortWaitMs);
    return found;
  }

  static int ListItemCount(HWND fileList) { return static_cast<int>(Send(fileList, LVM_GETITEMCOUNT)); }

  static void Shot(const RECT& rect, const std::wstring& name) {
    WaitUntilPainted(main);
    EXPECT_TRUE(SaveBmp(CaptureSettled(rect), shotsFolder + L"\\dialogs-" + name + L".bmp")) << Narrow(name);
  }
  static void ShotOf(HWND window, const std::wstring& name) {
    WaitUntilPainted(window);
    Shot(ScreenRectOf(window), name);
  }

  // Chooses `path` as the file to cut through the open dialog.
  static void ChooseFileToCut(const std::wstring& path) {
    ShowPage(0);
    HWND dialog = OpenFileDialogWith(open);
    ASSERT_NE(dialog, nullptr) << "sbtn2 opens the open dialog";
    ASSERT_TRUE(TypeFileName(dialog, path));
    PressOk(dialog);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    ASSERT_TRUE(WaitFor([&] { return TextOf(fileBox) == path; })) << Narrow(TextOf(fileBox));
  }

  // Answers the framework's message form the operation ends with; true when it came.
  static bool ConfirmDoneMessage() {
    HWND form = WaitForTopLevel(app->Id(), L"TMessageForm", nullptr, kWaitMs);
    if (!form) return false;
    HWND ok = FindDescendant(form, [](HWND w) { return TextOf(w) == L"OK"; });
    if (!ok) return false;
    ClickWindow(ok);
    return WaitFor([&] { return !IsWindow(form) || !IsWindowVisible(form); });
  }

  // Removes every entry of the merge list (its items carry no state the tests need).
  static void EmptyList() { Send(list, LB_RESETCONTENT); }

  static inline std::unique_ptr<WorkFolder> work;
  static inline std::unique_ptr<ChildProcess> app;
  static inline HWND main = nullptr, pages = nullptr, sheet1 = nullptr, sheet2 = nullptr;
  static inline HWND open = nullptr, split = nullptr, add = nullptr, merge = nullptr, list = nullptr,
                     fileBox = nullptr, saveFolder = nullptr;
};

// ----- the folder dialog

namespace {
// The text of the tree's selected item (read through a buffer in the program's memory).
std::wstring SelectedTreeText(HANDLE process, HWND tree) {
  const auto item = static_cast<LPARAM>(Send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return L"";
  RemoteBuffer remote(process, sizeof(TVITEMW) + 520 * sizeof(wchar_t));
  if (!remote.Valid()) return L"";
  TVITEMW query{};
  query.mask = TVIF_TEXT | TVIF_HANDLE;
  query.hItem = reinterpret_cast<HTREEITEM>(item);
  query.pszText = static_cast<wchar_t*>(remote.At(sizeof(TVITEMW)));
  query.cchTextMax = 520;
  if (!remote.Write(&query, sizeof(query))) return L"";
  if (!Send(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.At()))) return L"";
  wchar_t text[520] = {};
  if (!remote.Read(text, sizeof(text) - sizeof(wchar_t), sizeof(TVITEMW))) return L"";
  return text;
}

HWND ButtonOf(HWND form, const wchar_t* caption) {
  return FindDescendant(form, [&](HWND w) { return ClassOf(w) == L"TsBitBtn" && TextOf(w) == caption; });
}
}  // namespace

// The save-folder button opens the skinned folder form at the chosen file's folder; a
// folder made there with Create, named by typing and Enter, and confirmed with OK gets the
// pieces; Cancel leaves the folder the split writes to as it was.
TEST_F(ProgramDialogs, FolderFormCreatesTheFolderThePiecesGoTo) {
  const std::wstring folder = work->File(L"picked");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || PathExists(folder));
  const std::wstring source = folder + L"\\whole.bin";
  const Bytes bytes = Pattern(901, 3);
  ASSERT_TRUE(WriteWholeFile(source, bytes));
  ChooseFileToCut(source);
  ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(saveFolder) != FALSE; }));

  auto openForm = [&]() -> HWND {
    if (!BringToFront(main)) return nullptr;
    ClickWindow(saveFolder);
    return WaitForTopLevel(app->Id(), L"TPathDialogForm", nullptr, kWaitMs);
  };
  HWND form = openForm();
  ASSERT_NE(form, nullptr) << "the save-folder button opens the folder form";
  HWND tree = FindDescendantByClass(form, L"TsShellTreeView");
  ASSERT_NE(tree, nullptr);
  EXPECT_TRUE(WaitFor([&] { return SelectedTreeText(app->Handle(), tree) == L"picked"; }))
      << "the form opens at the file's folder, not at " << Narrow(SelectedTreeText(app->Handle(), tree));
  EXPECT_EQ(TextOf(form), L"Select directory");
  // A framework form's frame provider sits in its window method chain: no window property.
  EXPECT_FALSE(GetWindowLongW(form, GWL_STYLE) & WS_SYSMENU) << "the skinned frame draws its own caption buttons";
  EXPECT_LT(PlatformCaptionShare(form), 20) << "the caption band is the skin's";
  EXPECT_TRUE(HasSkinHandler(tree)) << "the tree is painted from the skin";
  ShotOf(form, L"folder-form");

  HWND create = ButtonOf(form, L"Create"), ok = ButtonOf(form, L"OK");
  ASSERT_TRUE(create && ok);
  ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(create) != FALSE; }));
  ClickWindow(create);
  ASSERT_TRUE(WaitFor([&] { return Send(tree, TVM_GETEDITCONTROL) != 0; })) << "Create starts editing the new name";
  EXPECT_TRUE(PathExists(folder + L"\\New folder1"));
  ShotOf(form, L"folder-form-create");
  PressKey('A', VK_CONTROL);
  TypeText(L"pieces");
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return PathExists(folder + L"\\pieces"); })) << "Enter renames the new folder";
  EXPECT_TRUE(WaitFor([&] { return SelectedTreeText(app->Handle(), tree) == L"pieces"; }));
  EXPECT_TRUE(IsWindowVisible(form)) << "Enter ends the edit and the form stays";
  ClickWindow(ok);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(form) || !IsWindowVisible(form); }));

  ClickWindow(split);
  ASSERT_TRUE(ConfirmDoneMessage());
  auto piecesIn = [&](const std::wstring& where) {
    for (int k = 1; k <= 3; ++k)
      if (!PathExists(where + L"\\whole.bin.sprt" + std::to_wstring(k))) return false;
    return true;
  };
  EXPECT_TRUE(piecesIn(folder + L"\\pieces")) << "the split writes into the folder made";
  EXPECT_FALSE(PathExists(folder + L"\\whole.bin.sprt1"));

  // Cancel: the pieces still go to the folder chosen before.
  for (int k = 1; k <= 3; ++k) DeleteFileW((folder + L"\\pieces\\whole.bin.sprt" + std::to_wstring(k)).c_str());
  form = openForm();
  ASSERT_NE(form, nullptr);
  HWND cancel = ButtonOf(form, L"Cancel");
  ASSERT_NE(cancel, nullptr);
  ClickWindow(cancel);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(form) || !IsWindowVisible(form); }));
  ClickWindow(split);
  ASSERT_TRUE(ConfirmDoneMessage());
  EXPECT_TRUE(piecesIn(folder + L"\\pieces")) << "Cancel left the folder as it was";
}

// ----- the open dialog for the file to cut

TEST_F(ProgramDialogs, OpenDialogChoosesTheFileToCutAndTheSplitFollows) {
  const std::wstring source = work->File(L"cut.bin");
  const Bytes bytes = Pattern(3001, 7);
  ASSERT_TRUE(WriteWholeFile(source, bytes));
  ShowPage(0);
  HWND dialog = OpenFileDialogWith(open);
  ASSERT_NE(dialog, nullptr);
  EXPECT_NE(FileList(dialog), nullptr) << "the dialog is the Explorer-style one with a file list";
  EXPECT_NE(FindDescendantByClass(dialog, L"#32770"), nullptr) << "the framework's hook dialog is inside it";
  ShotOf(dialog, L"open-file-to-cut");
  ASSERT_TRUE(TypeFileName(dialog, source));
  PressOk(dialog);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  EXPECT_TRUE(WaitFor([&] { return TextOf(fileBox) == source; })) << Narrow(TextOf(fileBox));

  // The count box reads 3 from the start: three pieces, the last one with the remainder.
  ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(split) != FALSE; }));
  ClickWindow(split);
  ASSERT_TRUE(ConfirmDoneMessage()) << "the split ends with its message";
  for (int k = 1; k <= 3; ++k) {
    const auto piece = ReadWholeFile(source + L".sprt" + std::to_wstring(k));
    const size_t start = static_cast<size_t>(k - 1) * 1000, size = k < 3 ? 1000 : 1001;
    ASSERT_TRUE(piece) << "piece " << k;
    EXPECT_TRUE(piece->size() == size && std::equal(piece->begin(), piece->end(), bytes.begin() + static_cast<long>(start)))
        << "piece " << k << " holds its part of the file";
  }
}

// A folder typed into the file name box is entered: the folder box names it, the new file
// list shows its files, and a file chosen there comes back with the folder's path.
TEST_F(ProgramDialogs, OpenDialogEntersAFolderAndChoosesAFileInIt) {
  const std::wstring folder = work->File(L"inner");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || PathExists(folder));
  ASSERT_TRUE(WriteWholeFile(folder + L"\\one.bin", Pattern(10, 1)) && WriteWholeFile(folder + L"\\two.bin", Pattern(10, 2)));
  ShowPage(0);
  HWND dialog = OpenFileDialogWith(open);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(GoToFolder(dialog, folder)) << "the folder box reads \"" << Narrow(TextOf(FolderBox(dialog))) << "\"";
  HWND fileList = FileList(dialog);
  ASSERT_NE(fileList, nullptr);
  EXPECT_TRUE(WaitFor([&] { return ListItemCount(FileList(dialog)) == 2; }))
      << "the file list shows the folder's two files; it has " << ListItemCount(FileList(dialog));
  ShotOf(dialog, L"open-inner-folder");
  ASSERT_TRUE(TypeFileName(dialog, L"two.bin"));
  PressOk(dialog);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  EXPECT_TRUE(WaitFor([&] { return TextOf(fileBox) == folder + L"\\two.bin"; })) << Narrow(TextOf(fileBox));
}

// Ten rounds of opening the dialog and cancelling it: the program ends each round with as
// many objects as it began with. One round first, so that what the platform makes once
// per process (shell icon caches, the dialog's classes) is in place before counting.
TEST_F(ProgramDialogs, TenOpenAndCancelRoundsLeaveTheHandleCountsFlat) {
  ShowPage(0);
  const std::wstring before = TextOf(fileBox);
  auto round = [&] {
    HWND dialog = OpenFileDialogWith(open);
    if (!dialog || !FileList(dialog)) return false;
    PressCancel(dialog);
    return WaitFor([&] { return !IsWindow(dialog); }) && Sync(main) && WaitUntilPainted(main);
  };
  ASSERT_TRUE(round());
  const std::vector<LRESULT> framework = FrameworkCounts(app->Id());
  const int windows = WindowCount(app->Id());
  const GuiResources platform = PlatformCounts(app->Handle());
  ASSERT_GE(framework[0], 0) << "the program reports its counts";
  int rounds = 0;
  for (int i = 0; i < 10 && round(); ++i) ++rounds;
  EXPECT_EQ(rounds, 10);
  EXPECT_EQ(FrameworkCounts(app->Id()), framework)
      << "before " << Narrow(CountsText(framework)) << ", after " << Narrow(CountsText(FrameworkCounts(app->Id())))
      << " (brush pen font region bitmap DC icon menu window hook)";
  EXPECT_EQ(WindowCount(app->Id()), windows) << "the process's windows";
  const GuiResources after = PlatformCounts(app->Handle());
  if (platform.gdi < 0 || platform.user < 0)
    std::printf("GetGuiResources is not available here; the program's own counts and its windows are compared\n");
  EXPECT_EQ(after, platform) << "GetGuiResources: GDI " << platform.gdi << " -> " << after.gdi << ", USER "
                             << platform.user << " -> " << after.user;
  EXPECT_EQ(TextOf(fileBox), before) << "cancelling changes nothing";
}

// ----- the open dialog for the pieces to add

// Files chosen together enter in natural order (piece 1, 2, 3), whatever the order the
// dialog returns them in.
TEST_F(ProgramDialogs, OpenDialogAddsPiecesChosenTogetherInNaturalOrder) {
  std::vector<std::wstring> names;
  for (int k = 1; k <= 3; ++k) {
    names.push_back(L"add.bin.sprt" + std::to_wstring(k));
    ASSERT_TRUE(WriteWholeFile(work->File(names.back()), Pattern(5, static_cast<uint32_t>(k))));
  }
  ShowPage(1);
  EmptyList();
  HWND dialog = OpenFileDialogWith(add);
  ASSERT_NE(dialog, nullptr) << "sbtn6 opens the open dialog";
  ASSERT_TRUE(GoToFolder(dialog, work->Path()));
  ShotOf(dialog, L"open-pieces-to-add");
  ASSERT_TRUE(TypeFileName(dialog, L"\"" + names[2] + L"\" \"" + names[0] + L"\" \"" + names[1] + L"\""));
  PressOk(dialog);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  std::vector<std::wstring> expected = {work->File(names[0]), work->File(names[1]), work->File(names[2])};
  std::vector<std::wstring> listed;
  EXPECT_TRUE(WaitFor([&] {
    listed.clear();
    const int count = static_cast<int>(Send(list, LB_GETCOUNT));
    for (int i = 0; i < count; ++i) {
      wchar_t text[MAX_PATH * 2] = {};
      if (Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i)) < MAX_PATH * 2)
        Send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      listed.push_back(text);
    }
    return listed == expected;
  })) << "the list holds the three pieces in natural order";
  EmptyList();
}

// ----- the save dialog and its overwrite question

// The merge proposes an existing file's name: the platform asks before replacing it. No
// leaves the file as it was, byte for byte, and nothing is merged; Yes merges over it.
TEST_F(ProgramDialogs, SaveDialogAsksBeforeReplacingAndNoKeepsTheFile) {
  const std::wstring target = work->File(L"joined.bin");
  const Bytes existing = Pattern(777, 3), whole = Pattern(2000, 4);
  ASSERT_TRUE(WriteWholeFile(target, existing));
  std::wstring entries;
  ShowPage(1);
  EmptyList();
  for (int k = 1; k <= 2; ++k) {
    const std::wstring piece = target + L".sprt" + std::to_wstring(k);
    ASSERT_TRUE(WriteWholeFile(piece, Bytes(whole.begin() + (k - 1) * 1000, whole.begin() + k * 1000)));
    // The list box copies the text across processes itself.
    Send(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(piece.c_str()));
  }
  ASSERT_EQ(Send(list, LB_GETCOUNT), 2);

  auto mergeUntilQuestion = [&](HWND& dialog) -> HWND {
    dialog = OpenFileDialogWith(merge);
    if (!dialog) return nullptr;
    const std::wstring proposal = TextOf(FileNameEdit(dialog));
    EXPECT_TRUE(proposal == target || proposal == L"joined.bin") << "it proposes \"" << Narrow(proposal) << "\"";
    PressOk(dialog);
    return WaitForTopLevel(app->Id(), L"#32770", nullptr, kWaitMs,
                           [&](HWND w) { return w != dialog && GetDlgItem(w, IDYES) && GetDlgItem(w, IDNO); });
  };

  HWND dialog = nullptr;
  HWND question = mergeUntilQuestion(dialog);
  ASSERT_NE(question, nullptr) << "saving over an existing file asks first";
  std::wstring text;
  for (HWND w : ChildrenOf(question))
    if (ClassOf(w) == L"Static") text += TextOf(w);
  EXPECT_NE(text.find(L"already exists"), std::wstring::npos) << Narrow(text);
  EXPECT_NE(text.find(L"replace"), std::wstring::npos) << Narrow(text);
  Shot(UnionOf(ScreenRectOf(dialog), ScreenRectOf(question)), L"save-overwrite-question");
  ClickWindow(GetDlgItem(question, IDNO));
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(question); }));
  EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "No goes back to the save dialog";
  ShotOf(dialog, L"save-dialog");
  PressCancel(dialog);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  Sync(main);
  EXPECT_EQ(FindTopLevel(app->Id(), L"TMessageForm"), nullptr) << "a cancelled merge shows no message";
  EXPECT_EQ(ReadWholeFile(target), existing) << "the existing file keeps its bytes";

  question = mergeUntilQuestion(dialog);
  ASSERT_NE(question, nullptr);
  ClickWindow(GetDlgItem(question, IDYES));
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  EXPECT_TRUE(ConfirmDoneMessage()) << "the merge ends with its message";
  EXPECT_EQ(ReadWholeFile(target), whole) << "Yes merges the pieces over the file";
  EmptyList();
}

// ----- the error box of a held file

TEST_F(ProgramDialogs, SplittingAHeldFileShowsTheErrorBoxAndWritesNothing) {
  const std::wstring source = work->File(L"held.bin");
  ASSERT_TRUE(WriteWholeFile(source, Pattern(300, 5)));
  ChooseFileToCut(source);
  ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(split) != FALSE; }));
  // This driver is the other program: it holds the file open without sharing.
  HANDLE held = CreateFileW(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ClickWindow(split);
  HWND box = WaitForTopLevel(app->Id(), L"#32770", kTitle, kWaitMs);
  EXPECT_NE(box, nullptr) << "an error box titled \"Equidiv\" appears";
  if (box) {
    HWND textWindow = FindDescendant(box, [](HWND w) { return ClassOf(w) == L"Static" && !TextOf(w).empty(); });
    const std::wstring text = textWindow ? TextOf(textWindow) : L"";
    EXPECT_EQ(text.rfind(L"Cannot open file \"" + source + L"\". ", 0), 0u) << Narrow(text);
    Shot(UnionOf(ScreenRectOf(main), ScreenRectOf(box)), L"error-box");
    ClickWindow(GetDlgItem(box, IDOK));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); })) << "OK closes it";
  }
  CloseHandle(held);
  Sync(main);
  EXPECT_EQ(FindTopLevel(app->Id(), L"TMessageForm"), nullptr) << "no completion message follows";
  EXPECT_FALSE(PathExists(source + L".sprt1")) << "no piece was written";
}

// ----- the skinned look (run once the dialog skinning is in)

TEST_F(ProgramDialogs, OpenDialogForTheFileToCutIsSkinned) {
  ShowPage(0);
  HWND dialog = OpenFileDialogWith(open);
  ASSERT_NE(dialog, nullptr);
  ExpectSkinnedFileDialog(dialog, L"the open dialog");
  ShotOf(dialog, L"skinned-open-file-to-cut");
  PressCancel(dialog);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
}

TEST_F(ProgramDialogs, OpenDialogListStaysSkinnedAfterEnteringAFolder) {
  const std::wstring folder = work->File(L"skinned");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || PathExists(folder));
  ShowPage(0);
  HWND dialog = OpenFileDialogWith(open);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(GoToFolder(dialog, folder));
  EXPECT_TRUE(WaitFor([&] { return HasSkinHandler(FindDescendantByClass(dialog, L"SysListView32")); }, kShortWaitMs))
      << "the file list made for the new folder is skinned";
  ExpectSkinnedFrame(dialog, L"the open dialog in another folder");
  ShotOf(dialog, L"skinned-open-inner-folder");
  PressCancel(dialog);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
}

TEST_F(ProgramDialogs, OpenDialogForThePiecesIsSkinned) {
  ShowPage(1);
  HWND dialog = OpenFileDialogWith(add);
  ASSERT_NE(dialog, nullptr);
  ExpectSkinnedFileDialog(dialog, L"the open dialog for pieces");
  ShotOf(dialog, L"skinned-open-pieces");
  PressCancel(dialog);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
}

TEST_F(ProgramDialogs, SaveDialogIsSkinned) {
  ShowPage(1);
  EmptyList();
  const std::wstring piece = work->File(L"look.bin.sprt1");
  ASSERT_TRUE(WriteWholeFile(piece, Pattern(4, 9)));
  Send(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(piece.c_str()));
  HWND dialog = OpenFileDialogWith(merge);
  ASSERT_NE(dialog, nullptr);
  ExpectSkinnedFileDialog(dialog, L"the save dialog");
  ShotOf(dialog, L"skinned-save-dialog");
  PressCancel(dialog);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  EmptyList();
}

TEST_F(ProgramDialogs, ErrorBoxIsSkinned) {
  const std::wstring source = work->File(L"held-look.bin");
  ASSERT_TRUE(WriteWholeFile(source, Pattern(30, 6)));
  ChooseFileToCut(source);
  ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(split) != FALSE; }));
  HANDLE held = CreateFileW(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ClickWindow(split);
  HWND box = WaitForTopLevel(app->Id(), L"#32770", kTitle, kWaitMs);
  if (box) {
    ExpectSkinnedFrame(box, L"the error box");
    EXPECT_TRUE(HasSkinHandler(GetDlgItem(box, IDOK))) << "its OK button is skinned";
    // Its one button has the focus, and a focused button already shows the hot look: there
    // is nothing to light up; the file dialogs check the hover on a button without focus.
    Shot(UnionOf(ScreenRectOf(main), ScreenRectOf(box)), L"skinned-error-box");
    ClickWindow(GetDlgItem(box, IDOK));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
  }
  CloseHandle(held);
  EXPECT_NE(box, nullptr);
}

// The caption check itself, on a caption the platform draws (a window of this driver) and
// on the main window's skinned frame: it must tell them apart, or the dialogs' checks
// above prove nothing.
TEST_F(ProgramDialogs, CaptionCheckTellsASkinnedCaptionFromThePlatformsOwn) {
  HWND plain = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"driver", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                               40, 40, 300, 120, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(plain, nullptr);
  BringToFront(plain);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  const int platformShare = PlatformCaptionShare(plain);
  DestroyWindow(plain);
  EXPECT_GE(platformShare, 60) << platformShare << "% of a platform caption in platform colours";
  ASSERT_TRUE(BringToFront(main));
  MoveMouseTo({0, 0});
  const int share = PlatformCaptionShare(main);
  EXPECT_LT(share, 20) << share << "% of the main window's skinned caption in platform colours";
}

}  // namespace
}  // namespace e2e

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 3) {
    e2e::Print(L"usage: equidiv-e2e-dialogs [GTEST FLAGS] EQUIDIV.EXE SCREENSHOT-FOLDER");
    return 2;
  }
  e2e::programPath = e2e::WindowsPathOf(argv[1]);
  e2e::shotsFolder = e2e::WindowsPathOf(argv[2]);
  return RUN_ALL_TESTS();
}
