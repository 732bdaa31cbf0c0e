// End-to-end test of the Equidiv main window: starts the real program and uses it the way
// a person would, with real mouse and keyboard input and the real open and save dialogs,
// then checks what it shows and what it wrote to disk.
//
//   equidiv-e2e EQUIDIV.EXE SCREENSHOT-FOLDER
//
// Screenshots are written as BMP files named e2e-*.bmp into the folder (the CTest script
// turns them into PNG). Every wait has a deadline; the program started here is ended by
// its own handle whatever happens. Exit status 0 when every check passed.

#include <windows.h>

#include <map>
#include <memory>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "skin/paint/Pixels.h"
#include "tests/e2e/support/FileDialog.h"
#include "tests/e2e/support/Files.h"
#include "tests/e2e/support/Input.h"
#include "tests/e2e/support/Process.h"
#include "tests/e2e/support/RemoteMemory.h"
#include "tests/e2e/support/Report.h"
#include "tests/e2e/support/Screenshot.h"
#include "tests/e2e/support/SkinPictures.h"
#include "tests/e2e/support/Tabs.h"
#include "tests/e2e/support/TextOnScreen.h"
#include "tests/e2e/support/Wait.h"
#include "tests/e2e/support/WindowQuery.h"

namespace e2e {
namespace {

const wchar_t kSkinsFolder[] = L"C:\\Skins";
const wchar_t kBuiltinSkin[] = L"Frost (internal)";
const wchar_t kTestSkin[] = L"Ember";

// ---------------------------------------------------------------------------------------
// What the main window must look like.

// A control kind, and the window classes that stand for it: the framework's control or
// its skinned counterpart, which keeps the same behaviour.
struct Kind {
  const wchar_t* description;
  std::vector<std::wstring> classes;
};
const Kind kPageControl{L"a page control", {L"TsPageControl"}};
const Kind kTabSheet{L"a tab sheet", {L"TsTabSheet"}};
const Kind kPushButton{L"a push button", {L"TButton", L"TsButton"}};
const Kind kEditBox{L"an edit box", {L"TEdit", L"TsEdit"}};
const Kind kListBox{L"a list box", {L"TListBox", L"TsListBox"}};
const Kind kPanel{L"a panel", {L"TPanel", L"TsPanel"}};

bool IsKind(HWND window, const Kind& kind) {
  std::wstring name = ClassOf(window);
  return std::find(kind.classes.begin(), kind.classes.end(), name) != kind.classes.end();
}

const wchar_t kTitle[] = L"Equidiv";
const wchar_t kSplitDone[] = L"文件分割完毕";
const wchar_t kMergeDone[] = L"文件合并完毕";

// Label text colour of the layout: red 43, green 53, blue 77.
constexpr COLORREF kLabelColour = RGB(43, 53, 77);

// Bounds as (left, top, width, height) in the parent's client area.
struct Bounds {
  int left, top, width, height;
  bool operator==(const Bounds&) const = default;
};

Bounds BoundsOf(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }
RECT RectOf(const Bounds& b) { return {b.left, b.top, b.left + b.width, b.top + b.height}; }
std::wstring BoundsText(const Bounds& b) {
  return std::to_wstring(b.left) + L", " + std::to_wstring(b.top) + L", " + std::to_wstring(b.width) + L", " +
         std::to_wstring(b.height);
}

// ---------------------------------------------------------------------------------------
// Tab and tree item texts: the queries' arguments are pointers, so they go through memory
// reserved inside the program.

// The text of a tab or tree item: `item` (a TCITEMW or TVITEMW with its mask and item
// set) goes into the program with room for the text behind it, `msg` fills it there.
template <class Item>
std::wstring RemoteItemText(HANDLE process, HWND window, UINT msg, WPARAM wParam, Item item) {
  constexpr size_t kChars = 512;
  RemoteBuffer remote(process, sizeof(Item) + kChars * sizeof(wchar_t));
  if (!remote.Valid()) return L"(no remote memory)";
  item.pszText = static_cast<wchar_t*>(remote.At(sizeof(Item)));
  item.cchTextMax = static_cast<int>(kChars - 1);
  wchar_t text[kChars] = {};
  if (!remote.Write(&item, sizeof item) || !remote.Write(text, sizeof text, sizeof(Item)) ||
      !Send(window, msg, wParam, reinterpret_cast<LPARAM>(remote.At())) ||
      !remote.Read(text, sizeof text, sizeof(Item)))
    return L"(unreadable)";
  text[kChars - 1] = 0;
  return text;
}

std::wstring TabText(HANDLE process, HWND tabs, int index) {
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  return RemoteItemText(process, tabs, TCM_GETITEMW, static_cast<WPARAM>(index), item);
}

// The text of a tree view item, read through memory inside the program.
std::wstring TreeItemText(HANDLE process, HWND tree, HTREEITEM item) {
  if (!item) return L"(no item)";
  TVITEMW query{};
  query.mask = TVIF_TEXT | TVIF_HANDLE;
  query.hItem = item;
  return RemoteItemText(process, tree, TVM_GETITEMW, 0, query);
}

// The rectangle of an item's text, in the tree's client coordinates.
RECT TreeItemRect(HANDLE process, HWND tree, HTREEITEM item) {
  RemoteBuffer remote(process, sizeof(RECT));
  RECT rect{};
  // The message takes the item in the rectangle's first bytes.
  if (!remote.Valid() || !remote.Write(&item, sizeof item) ||
      !Send(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remote.At())) || !remote.Read(&rect, sizeof rect))
    return {};
  return rect;
}

HTREEITEM TreeSelection(HWND tree) {
  return reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_CARET));
}

// ---------------------------------------------------------------------------------------
// List box queries (the system carries these across processes itself).

std::vector<std::wstring> ListItems(HWND list) {
  std::vector<std::wstring> items;
  LRESULT count = Send(list, LB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i));
    std::wstring text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    LRESULT copied = Send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(copied, 0)));
    items.push_back(text);
  }
  return items;
}

int SelectedCount(HWND list) { return static_cast<int>(Send(list, LB_GETSELCOUNT)); }

std::wstring Joined(const std::vector<std::wstring>& items) {
  std::wstring out;
  for (const auto& item : items) out += (out.empty() ? L"" : L" | ") + item;
  return L"[" + out + L"]";
}

// ---------------------------------------------------------------------------------------

// A source of a size that does not divide by 4, with every byte value in it.
Bytes MakeSource() {
  Bytes bytes(10007);
  uint32_t state = 12345;
  for (auto& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<uint8_t>(state >> 16);
  }
  for (int i = 0; i < 256; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  return bytes;
}

// The text of the framework's standard error box: the message, with a full stop added
// when its last character comes after "." in character order.
std::wstring WithFullStop(std::wstring text) {
  if (!text.empty() && text.back() > L'.') text += L'.';
  return text;
}

// The system's text for an error code, as the platform gives it, without line breaks at
// the end.
std::wstring SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer ? buffer : L"", length);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  return text;
}

class Scenario {
public:
  Scenario(std::wstring program, std::wstring shots) : program_(std::move(program)), shots_(std::move(shots)) {}

  int Run() {
    try {
      Prepare();
      StartProgram();
      CheckLayout();
      CheckSkinnedFrame();
      CheckActivationHandles();
      CheckTimerRuleAtStart();
      CheckSkinnedButtons();
      CheckClientMatchesSkin(sheet1_, L"split page");
      ChooseFileToSplit();
      CheckTimerRuleFollowsFile();
      CheckTabOrder();
      SplitIntoFour();
      SplitIntoChosenFolder();
      GoToMergePage();
      CheckClientMatchesSkin(sheet2_, L"merge page");
      UseLongList();
      GuardJoinOrder();
      UsePopupMenu();
      MergeThroughSaveDialog();
      SplitFileHeldOpenElsewhere();
      UseSystemMenu();
      ExitThroughButton();
    } catch (const StepFailed&) {
      report_.Note(L"the scenario stopped at the failed step above");
    }
    if (app_.Running()) {
      report_.Note(L"ending the program that is still running");
      app_.Terminate();
    }
    if (madeSkins_) RemoveTree(kSkinsFolder);
    if (report_.Failed() > 0 && work_.Valid()) {
      work_.Keep();
      report_.Note(L"work folder kept to be looked at: " + work_.Path());
    }
    report_.PrintSummary();
    return report_.Failed() == 0 ? 0 : 1;
  }

private:
  // ----- set-up

  void Prepare() {
    report_.Step(L"work folder and source file");
    report_.Require(work_.Valid(), L"a private work folder is created");
    source_ = MakeSource();
    sourcePath_ = work_.File(L"source.bin");
    report_.Require(WriteWholeFile(sourcePath_, source_), L"the source file is written: " + sourcePath_);
    CreateDirectoryW(shots_.c_str(), nullptr);
    builtin_ = LoadPackageTables(EQUIDIV_BUILTIN_PACKAGE);
    report_.Require(builtin_ != nullptr, L"the built-in skin loads: " + std::wstring(EQUIDIV_BUILTIN_PACKAGE));
    testSkin_ = LoadFolderTables(EQUIDIV_EMBER_FOLDER);
    report_.Require(testSkin_ != nullptr, L"the test skin loads: " + std::wstring(EQUIDIV_EMBER_FOLDER));
  }

  void StartProgram() {
    report_.Step(L"start the program");
    std::wstring error;
    report_.Require(app_.Start(program_, work_.Path(), error), L"equidiv.exe starts: " + program_, error);
    main_ = WaitForTopLevel(app_.Id(), L"Tfrmmain", nullptr, kLongWaitMs);
    report_.Require(main_ != nullptr, L"a visible window of class Tfrmmain appears");
    bool hiddenApplication = false;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
      if (ProcessOf(w) == app_.Id() && ClassOf(w) == L"TApplication" && !IsWindowVisible(w)) hiddenApplication = true;
    report_.Check(hiddenApplication, L"the program has a hidden application window of class TApplication");
  }

  // ----- the window as the layout describes it

  HWND FindChild(HWND parent, const Kind& kind, const std::function<bool(HWND)>& accept = {}) {
    for (HWND w : ChildrenOf(parent))
      if (IsKind(w, kind) && (!accept || accept(w))) return w;
    return nullptr;
  }

  HWND RequireChild(HWND parent, const Kind& kind, const std::wstring& name,
                    const std::function<bool(HWND)>& accept = {}) {
    HWND w = FindChild(parent, kind, accept);
    std::wstring classes;
    for (const auto& c : kind.classes) classes += (classes.empty() ? L"" : L" or ") + c;
    std::wstring seen;
    for (HWND child : ChildrenOf(parent)) seen += L"\n          " + Describe(child);
    report_.Require(w != nullptr, name + L" is " + kind.description + L" (" + classes + L")",
                    L"children of " + Describe(parent) + L":" + seen);
    return w;
  }

  HWND ButtonWithText(HWND parent, const std::wstring& text, const std::wstring& name) {
    return RequireChild(parent, kPushButton, name + L" \"" + text + L"\"",
                        [&](HWND w) { return TextOf(w) == text; });
  }

  void CheckBounds(HWND control, HWND parent, const Bounds& expected, const std::wstring& name) {
    Bounds actual = BoundsOf(RectInParent(control, parent));
    report_.Check(actual == expected, name + L" lies at " + BoundsText(expected),
                  L"it lies at " + BoundsText(actual));
  }

  void CheckLayout() {
    report_.Step(L"main window and its controls");
    report_.CheckEqual(TextOf(main_), kTitle, L"the window's caption");
    SIZE client = ClientSizeOf(main_);
    report_.Check(client.cx == 508 && client.cy == 231, L"the client area is 508 x 231",
                  L"it is " + std::to_wstring(client.cx) + L" x " + std::to_wstring(client.cy));
    LONG style = GetWindowLongW(main_, GWL_STYLE);
    // The skinned frame draws the caption buttons itself, so the platform's system menu
    // style is off while the skin is on.
    report_.Check(!(style & WS_SYSMENU) && (style & WS_MINIMIZEBOX) && !(style & WS_MAXIMIZEBOX) &&
                      !(style & WS_THICKFRAME),
                  L"fixed single border with a minimise box, no maximise box, the system menu style taken "
                  L"over by the skinned frame");
    RECT frame = ScreenRectOf(main_);
    int dx = (frame.left + frame.right) - GetSystemMetrics(SM_CXSCREEN);
    int dy = (frame.top + frame.bottom) - GetSystemMetrics(SM_CYSCREEN);
    report_.Check(std::abs(dx) <= 2 && std::abs(dy) <= 2, L"the window is centred on the screen",
                  L"its frame is at " + RectText(frame));

    pages_ = RequireChild(main_, kPageControl, L"sPageControl1");
    CheckBounds(pages_, main_, {0, 0, 508, 200}, L"sPageControl1");
    panel_ = RequireChild(main_, kPanel, L"sPanel1");
    CheckBounds(panel_, main_, {0, 200, 508, 31}, L"sPanel1");
    report_.CheckEqual(TextOf(panel_), L"", L"sPanel1 has no caption");

    report_.CheckEqual(TabCount(pages_), 2, L"the page control has two tabs");
    report_.CheckEqual(TabText(app_.Handle(), pages_, 0), L"文件分割", L"first tab's caption");
    report_.CheckEqual(TabText(app_.Handle(), pages_, 1), L"文件合并", L"second tab's caption");
    report_.CheckEqual(TabSelected(pages_), 0, L"the first tab is the active page");

    sheet1_ = RequireChild(pages_, kTabSheet, L"sTabSheet1", [](HWND w) { return TextOf(w) == L"文件分割"; });
    sheet2_ = RequireChild(pages_, kTabSheet, L"sTabSheet2", [](HWND w) { return TextOf(w) == L"文件合并"; });
    report_.Check(IsWindowVisible(sheet1_) && !IsWindowVisible(sheet2_), L"sTabSheet1 shows, sTabSheet2 is hidden");
    RECT inPages = RectInParent(sheet1_, pages_);
    SIZE pagesClient = ClientSizeOf(pages_);
    report_.Check(inPages.left >= 0 && inPages.top > 0 && inPages.right <= pagesClient.cx &&
                      inPages.bottom <= pagesClient.cy,
                  L"sTabSheet1 fills the page area below the tabs", L"it lies at " + RectText(inPages));

    // sTabSheet1
    open_ = ButtonWithText(sheet1_, L"打开要均分的文件", L"sbtn2");
    CheckBounds(open_, sheet1_, {8, 8, 113, 25}, L"sbtn2");
    fileBox_ = RequireChild(sheet1_, kEditBox, L"sedt1", [](HWND w) { return BoundsOf(RectInParent(w, GetParent(w))).top < 80; });
    CheckBounds(fileBox_, sheet1_, {8, 40, 481, 21}, L"sedt1");
    report_.CheckEqual(TextOf(fileBox_), L"", L"sedt1 (file box) is empty at start");
    report_.Check((GetWindowLongW(fileBox_, GWL_STYLE) & ES_READONLY) != 0, L"sedt1 is read-only");
    countBox_ = RequireChild(sheet1_, kEditBox, L"sedt2", [&](HWND w) { return w != fileBox_; });
    CheckBounds(countBox_, sheet1_, {144, 106, 41, 21}, L"sedt2");
    report_.CheckEqual(TextOf(countBox_), L"3", L"sedt2 (count box) reads 3 at start");
    folderButton_ = ButtonWithText(sheet1_, L"指定保存目录", L"sbtn1");
    CheckBounds(folderButton_, sheet1_, {8, 72, 89, 25}, L"sbtn1");
    split_ = ButtonWithText(sheet1_, L"开始分割", L"sbtn3");
    CheckBounds(split_, sheet1_, {9, 144, 88, 25}, L"sbtn3");

    // sTabSheet2
    add_ = ButtonWithText(sheet2_, L"按顺序添加要合并的文件", L"sbtn6");
    CheckBounds(add_, sheet2_, {8, 144, 145, 25}, L"sbtn6");
    list_ = RequireChild(sheet2_, kListBox, L"slst1");
    report_.CheckEqual(static_cast<long long>(ListItems(list_).size()), 0, L"slst1 is empty at start");
    LONG listStyle = GetWindowLongW(list_, GWL_STYLE);
    report_.Check((listStyle & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0, L"slst1 allows multiple selection");
    merge_ = ButtonWithText(sheet2_, L"开始合并", L"sbtn7");
    CheckBounds(merge_, sheet2_, {169, 144, 88, 25}, L"sbtn7");

    // sPanel1
    exit_ = ButtonWithText(panel_, L"退出", L"sbtn4");
    CheckBounds(exit_, panel_, {404, 3, 97, 23}, L"sbtn4");

    CheckLabelsAtStart();
  }

  // Labels are painted by their parents and have no windows: they are checked on the
  // screen, in the rectangles the layout gives them.
  Picture CaptureClient(HWND window) {
    Sync(main_);
    return CaptureSettled(ClientScreenRect(window));
  }

  static bool IsLabelInk(COLORREF c) {
    // The label colour, or text anti-aliased towards it: clearly darker than the face.
    return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 150 && GetBValue(c) >= GetRValue(c);
  }

  // Checks that `text` is painted in the layout's label font and colour inside `bounds`
  // (client coordinates of the picture's window).
  void CheckLabelText(const Picture& picture, const Bounds& bounds, const std::wstring& text, const std::wstring& name,
                      bool underline = false) {
    TextMatch match = FindText(picture, RectOf(bounds), text, {L"MS Sans Serif", -11, underline}, kLabelColour);
    report_.Check(match.found, name + L" shows \"" + text + L"\" in its font and colour at " + BoundsText(bounds),
                  L"best match differs in " + std::to_wstring(static_cast<int>(match.mismatch * 100)) +
                      L"% of the text's ink pixels");
  }

  // The same for a label whose text has just changed: its window is captured again until
  // the text shows or the wait ends (the repaint follows the change, not the capture).
  void CheckLabelTextOn(HWND window, const Bounds& bounds, const std::wstring& text, const std::wstring& name) {
    TextMatch match;
    WaitFor([&] {
      match = FindText(CaptureClient(window), RectOf(bounds), text, {L"MS Sans Serif", -11, false}, kLabelColour);
      return match.found;
    }, kWaitMs);
    report_.Check(match.found, name + L" shows \"" + text + L"\" in its font and colour at " + BoundsText(bounds),
                  L"best match differs in " + std::to_wstring(static_cast<int>(match.mismatch * 100)) +
                      L"% of the text's ink pixels");
  }

  void CheckLabelsAtStart() {
    Picture sheet = CaptureClient(sheet1_);
    CheckLabelText(sheet, {8, 112, 129, 13}, L"输入平均划分成的数目", L"slbl2");
    int folderInk = CountPixels(sheet, RectOf({104, 76, 400, 13}), IsLabelInk);
    report_.CheckEqual(folderInk, 0, L"slbl1 (folder label) is empty at start");

    // The credit line's text is ours to choose: it must be there, red (the effect label's
    // own colour), underlined, over the skin's soft shadow.
    Picture panel = CaptureClient(panel_);
    RECT credit = RectOf({24, 8, 193, 17});
    int red = CountPixels(panel, credit, IsCreditInk);
    report_.Check(red > 100, L"sLabelFX1 shows a red credit line at 24, 8, 193, 17", L"red pixels " + std::to_wstring(red));
    int underline = LongestRow(panel, credit, IsCreditInk);
    report_.Check(underline > 120, L"the credit line is underlined", L"longest red row " + std::to_wstring(underline));
    int shadow = CountPixels(panel, credit, IsCreditShadow);
    report_.Check(shadow > 100, L"the credit line has the skin's blurred shadow", L"shadow pixels " + std::to_wstring(shadow));
  }

  static bool IsCreditInk(COLORREF c) {
    // Red, or red anti-aliased over the panel and the shadow.
    return GetRValue(c) > 150 && GetRValue(c) > GetGValue(c) + 80 && GetRValue(c) > GetBValue(c) + 80;
  }

  static bool IsCreditShadow(COLORREF c) {
    // The skin's shadow colour (red 89, green 99, blue 114) blended over the panel's light
    // face keeps blue at least as strong as red and is clearly darker than the face.
    return GetBValue(c) >= GetRValue(c) && GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 225;
  }

  // The longest run of matching pixels in one row of `rect`.
  template <typename Match>
  static int LongestRow(const Picture& picture, const RECT& rect, Match match) {
    int longest = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
      for (int x = rect.left, run = 0; x < rect.right; ++x) {
        run = match(picture.Pixel(x, y)) ? run + 1 : 0;
        longest = std::max(longest, run);
      }
    return longest;
  }

  // ----- the 200 ms rule

  bool SplitButtonsEnabled(bool enabled) {
    return WaitFor([&] { return (IsWindowEnabled(folderButton_) != 0) == enabled && (IsWindowEnabled(split_) != 0) == enabled; },
                   kShortWaitMs);
  }

  // The main window's skinned frame as a person meets it: the caption buttons found by
  // hit-testing the caption's middle row from the right, hover and leaving across the
  // top edge, a press on close dragged off, the minimise button, dragging by the caption.
  void CheckSkinnedFrame() {
    report_.Step(L"the skinned frame");
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    const RECT window = ScreenRectOf(main_), client = ClientScreenRect(main_);
    const int band = client.top - window.top, border = client.left - window.left;
    const int y = window.top + band / 2;
    auto hit = [&](int x) { return SendMessageW(main_, WM_NCHITTEST, 0, MAKELPARAM(x, y)); };
    // Spans [first, last] of each code along the row.
    std::map<LRESULT, std::pair<int, int>> spans;
    for (int x = window.right - 1; x >= window.left; --x) {
      const LRESULT code = hit(x);
      auto [it, fresh] = spans.try_emplace(code, x, x);
      if (!fresh) it->second.first = x;
    }
    MoveMouseTo({window.left + (window.right - window.left) / 2, window.bottom + 20});
    const bool found = spans.count(HTCLOSE) && spans.count(HTMINBUTTON);
    report_.Require(found, L"the caption's middle row has a close and a minimise button");
    const auto close = spans[HTCLOSE], min = spans[HTMINBUTTON];
    report_.Check(close.first > min.second && close.second < window.right - border + 1,
                  L"close is the rightmost button, inside the right border, minimise left of it");
    report_.Check(!spans.count(HTMAXBUTTON), L"no maximise button");
    report_.Check(hit(window.left + border + 2) == HTSYSMENU, L"the icon answers HTSYSMENU");
    report_.Check(hit((window.left + window.right) / 2) == HTCAPTION, L"the caption's middle answers HTCAPTION");
    const POINT closeCentre{(close.first + close.second) / 2, y}, minCentre{(min.first + min.second) / 2, y};
    const RECT closeRect{close.first, window.top + 2, close.second + 1, window.top + band - 2};

    const Picture normal = CaptureSettled(closeRect);
    MoveMouseTo(closeCentre);
    report_.Check(WaitFor([&] { return !(CaptureScreen(closeRect) == normal); }, kShortWaitMs),
                  L"the close button shows its hot look under the pointer");
    MoveMouseTo({closeCentre.x, window.top - 30});
    report_.Check(WaitFor([&] { return CaptureScreen(closeRect) == normal; }, kShortWaitMs),
                  L"leaving across the top edge restores it");

    const POINT caption{(window.left + window.right) / 2, y};
    LeftButtonDownAt(closeCentre);
    MoveMouseTo(caption);
    LeftButtonUpAt(caption);
    report_.Check(!WaitFor([&] { return !IsWindow(main_) || !IsWindowVisible(main_); }, kShortWaitMs),
                  L"close pressed, dragged off and released: the window stays");

    LeftButtonDownAt(caption);
    MoveMouseTo({caption.x + 20, caption.y + 10});
    MoveMouseTo({caption.x + 40, caption.y + 30});
    LeftButtonUpAt({caption.x + 40, caption.y + 30});
    report_.Check(WaitFor([&] {
                    const RECT now = ScreenRectOf(main_);
                    return now.left == window.left + 40 && now.top == window.top + 30;
                  }, kShortWaitMs),
                  L"dragging by the caption moves the window");
    SetWindowPos(main_, nullptr, window.left, window.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    report_.Require(WaitFor([&] { return ScreenRectOf(main_).left == window.left; }, kShortWaitMs),
                    L"the window goes back");

    report_.Require(BringToFront(main_), L"the main window comes to the front");
    Screenshot(ScreenRectOf(main_), L"e2e-frame-active");
    report_.Require(FramesDiffer(main_, *builtin_), L"the skin's active and inactive frames differ where they are compared");
    CheckFrame(main_, *builtin_, 1, {}, L"the main window's frame is the skin's active frame");
    ClickAt(minCentre);
    report_.Check(WaitFor([&] { return IsIconic(main_) != FALSE; }, kShortWaitMs), L"the minimise button minimises");
    ShowWindow(main_, SW_RESTORE);
    report_.Require(WaitFor([&] { return !IsIconic(main_); }, kShortWaitMs), L"the window is restored");
    report_.Require(BringToFront(main_), L"the main window comes to the front");
  }

  void CheckTimerRuleAtStart() {
    report_.Step(L"button rule with no file chosen");
    report_.Check(SplitButtonsEnabled(false), L"sbtn1 and sbtn3 become disabled while the file box is empty");
  }

  // The skin's key colour (fuchsia) marks "no pixel": it must never reach the screen.
  void CheckNoKeyColour(const Picture& picture, const std::wstring& what) {
    const int keyed = CountPixels(picture, RECT{0, 0, picture.width, picture.height},
                                  [](COLORREF c) { return c == RGB(255, 0, 255); });
    report_.CheckEqual(static_cast<long long>(keyed), 0, what + L" shows no pixel of the key colour");
  }

  // ----- the skinned buttons: looks and a press dragged off

  POINT CentreOf(HWND window) {
    RECT r = ScreenRectOf(window);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  void CheckSkinnedButtons() {
    report_.Step(L"skinned buttons: normal, disabled, hot, pressed, a press dragged off");
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    const RECT area = UnionOf(ScreenRectOf(open_), ScreenRectOf(split_));
    MoveMouseTo(CentreOf(fileBox_));
    const Picture normal = Screenshot(area, L"e2e-0-buttons-normal-and-disabled");
    // Each change of look waits until the screen shows something other than the look before.
    const auto changedFrom = [&](const Picture& before, const wchar_t* name) {
      Picture now;
      const bool changed = WaitFor([&] { now = CaptureSettled(area); return !(now == before); }, kWaitMs);
      Screenshot(area, name);
      return changed;
    };
    // A pointer enters in more than one step, as a hand moves it.
    const POINT centre = CentreOf(open_);
    MoveMouseTo(POINT{centre.x - 4, centre.y});
    MoveMouseTo(centre);
    report_.Check(changedFrom(normal, L"e2e-0-button-hot"), L"sbtn2 changes its look under the pointer");
    const Picture hot = CaptureSettled(area);
    LeftButtonDownAt(CentreOf(open_));
    report_.Check(changedFrom(hot, L"e2e-0-button-pressed"), L"sbtn2 looks pressed while the left button is held on it");
    const Picture pressed = CaptureSettled(area);
    // Dragged off and released outside: no click, so no open dialog.
    RECT tabs = ScreenRectOf(pages_);
    const POINT outside{tabs.right - 20, tabs.top + 8};
    MoveMouseTo(outside);
    report_.Check(changedFrom(pressed, L"e2e-0-button-dragged-off"), L"dragged off, sbtn2 no longer looks pressed");
    LeftButtonUpAt(outside);
    report_.Check(WaitForFileDialog(app_.Id(), kShortWaitMs) == nullptr, L"released outside, sbtn2 opens nothing");
    MoveMouseTo(CentreOf(fileBox_));
  }

  // ----- the client area against the skin

  // Saves both pictures of a failed comparison for a person to look at.
  void CompareShown(const Picture& seen, const Picture& expected, const std::vector<RECT>& leftOut,
                    const std::wstring& what, const std::wstring& shot, Difference difference = {-2}) {
    if (difference.pixels == -2) difference = Compare(seen, expected, leftOut);
    report_.Check(difference.pixels == 0, what, DifferenceText(difference));
    if (difference.pixels != 0) {
      SaveBmp(seen, shots_ + L"\\" + shot + L"-seen.bmp");
      SaveBmp(expected, shots_ + L"\\" + shot + L"-expected.bmp");
    }
  }

  // Ink of a caption: the skin's text colour, or text anti-aliased towards it.
  static bool IsCaptionInk(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 170; }

  static RECT Inset(RECT r, int dx, int dy) {
    InflateRect(&r, -dx, -dy);
    return r;
  }

  // Every control of the client area on the screen against the picture the painting core
  // composes from the built-in skin, each over its parent's picture as the program builds
  // it: the page control (tab band over the window's background, the tabs, the page
  // around the sheet's children), each button and edit of the page showing (their outer
  // rings; the captions as ink), the panel and its button. Captions and labels are text,
  // anti-aliased: they are checked as ink where the text is, and left out of the pixel
  // comparisons.
  void CheckClientMatchesSkin(HWND sheet, const std::wstring& page) {
    report_.Step(L"the " + page + L" against the built-in skin's pictures");
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    MoveMouseTo({0, 0});  // nothing of the window is hot
    const std::wstring shot = L"e2e-skin-" + std::wstring(sheet == sheet1_ ? L"split" : L"merge");
    const RECT window = ScreenRectOf(main_), client = ClientScreenRect(main_);
    const auto form = ComposeFormBackground(*builtin_, window.right - window.left, window.bottom - window.top);
    const POINT clientInWindow{client.left - window.left, client.top - window.top};
    const COLORREF formColour = GetSysColor(COLOR_BTNFACE);

    // The page control.
    const RECT pagesInForm = RectInParent(pages_, main_);
    const ParentPicture underPages{form->View(), clientInWindow.x + pagesInForm.left, clientInWindow.y + pagesInForm.top};
    const RECT display = TabDisplayRect(app_.Handle(), pages_);
    report_.Require(display.bottom > display.top, L"the page control's display area is known", RectText(display));
    std::vector<RECT> tabs;
    for (int i = 0; i < TabCount(pages_); ++i) tabs.push_back(TabRect(app_.Handle(), pages_, i));
    const int active = TabSelected(pages_);
    report_.Require(active >= 0 && active < static_cast<int>(tabs.size()), L"a tab is selected");
    const auto pagesPicture = ComposePageControl(*builtin_, ClientSizeOf(pages_), display, tabs, underPages, formColour);
    Picture expected = PictureOf(pagesPicture->View());
    const RECT activeRect = ActiveTabRect(tabs[static_cast<size_t>(active)]);
    const Picture activeTab = ComposeActiveTab(*builtin_, tabs[static_cast<size_t>(active)], underPages);
    for (int y = 0; y < activeTab.height; ++y)
      for (int x = 0; x < activeTab.width; ++x) {
        const int px = activeRect.left + x, py = activeRect.top + y;
        if (px < 0 || py < 0 || px >= expected.width || py >= expected.height) continue;
        const COLORREF c = activeTab.Pixel(x, y);
        uint8_t* p = &expected.bgr[(static_cast<size_t>(py) * static_cast<size_t>(expected.width) + static_cast<size_t>(px)) * 3];
        p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
      }
    // Left out: the captions inside the tabs, the sheet's children and its labels.
    std::vector<RECT> leftOut, captions;
    for (size_t i = 0; i < tabs.size(); ++i) {
      // The active tab's caption may have the dotted focus frame around it, two pixels
      // inside the tab's edges; a normal tab's lower end is under the page.
      const RECT normal = NormalTabRect(tabs[i]);
      captions.push_back(static_cast<int>(i) == active
                             ? Inset(activeRect, 2, 2)
                             : RECT{normal.left + 3, normal.top + 3, normal.right - 3, std::min(normal.bottom, display.top - 4)});
    }
    leftOut = captions;
    const RECT sheetInPages = RectInParent(sheet, pages_);
    for (HWND child : ChildrenOf(sheet)) {
      RECT r = RectInParent(child, pages_);
      InflateRect(&r, 1, 1);
      leftOut.push_back(r);
    }
    if (sheet == sheet1_)
      for (const Bounds& label : {Bounds{8, 112, 129, 13}, Bounds{104, 76, 400, 13}}) {
        RECT r = RectOf(label);
        OffsetRect(&r, sheetInPages.left, sheetInPages.top);
        InflateRect(&r, 1, 1);
        leftOut.push_back(r);
      }
    Sync(main_);
    const Picture seen = CaptureSettled(ClientScreenRect(pages_));
    CompareShown(seen, expected, leftOut,
                 L"sPageControl1 shows the band over the window's background, \"TABTOP\" tabs (the active one in "
                 L"state 2) and \"PAGECONTROL\" around the page's controls, pixel for pixel",
                 shot + L"-pages");
    for (size_t i = 0; i < captions.size(); ++i)
      report_.Check(CountPixels(seen, captions[i], IsCaptionInk) > 20,
                    L"tab " + std::to_wstring(i + 1) + L" shows its caption");

    // The buttons and edits of the page, over the page control's picture at the sheet.
    const ParentPicture underSheet{pagesPicture->View(), sheetInPages.left, sheetInPages.top};
    const HWND focus = FocusOf(main_);
    for (HWND child : ChildrenOf(sheet)) {
      const RECT bounds = RectInParent(child, sheet);
      const std::wstring name = Describe(child);
      if (IsKind(child, kPushButton)) {
        // A focused button shows its hot look.
        const bool enabled = IsWindowEnabled(child) != FALSE;
        const int state = child == focus ? 1 : 0;
        const Picture shown = CaptureSettled(ScreenRectOf(child));
        const Picture composed = ComposeControl(*builtin_, "BUTTON", state, underSheet, bounds, !enabled);
        CompareShown(shown, composed, {}, name + L" shows \"BUTTON\" in state " + std::to_wstring(state) +
                                              (enabled ? L"" : L", disabled") + L" along its edges",
                     shot + L"-button", CompareRing(shown, composed, 2, 4));
        const RECT middle = Inset(RECT{0, 0, shown.width, shown.height}, 4, 4);
        report_.Check(CountPixels(shown, middle, enabled ? IsCaptionInk : IsFadedInk) > 20,
                      name + L" shows its caption" + (enabled ? L"" : L" faded"));
      } else if (IsKind(child, kEditBox)) {
        // The ring is the non-client area: the window's whole rectangle.
        const int state = child == focus ? 1 : 0;
        const Picture shown = CaptureSettled(ScreenRectOf(child));
        const Picture composed = ComposeControl(*builtin_, "EDIT", state, underSheet, bounds);
        CompareShown(shown, composed, {}, name + L" shows the ring of \"EDIT\" in state " + std::to_wstring(state),
                     shot + L"-edit", CompareRing(shown, composed, 2, 2));
      }
    }

    // The panel, and its button over the panel's picture.
    const RECT panelInForm = RectInParent(panel_, main_);
    const TSurfaceView formView = form->View();
    const Picture panel = ComposePanel(*builtin_, panelInForm, formColour, &formView,
                                       POINT{clientInWindow.x + panelInForm.left, clientInWindow.y + panelInForm.top});
    std::vector<RECT> panelOut = {RectOf({24, 8, 193, 17}), RectInParent(exit_, panel_)};
    for (RECT& r : panelOut) InflateRect(&r, 1, 1);
    CompareShown(CaptureSettled(ClientScreenRect(panel_)), panel, panelOut,
                 L"sPanel1 shows \"PANEL\", pixel for pixel", shot + L"-panel");
    auto panelSurface = NewSurface24(panel.width, panel.height);
    for (int y = 0; y < panel.height; ++y)
      for (int x = 0; x < panel.width; ++x) {
        const COLORREF c = panel.Pixel(x, y);
        uint8_t* p = panelSurface->View().Pixel(x, y);
        p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
      }
    const Picture exitShown = CaptureSettled(ScreenRectOf(exit_));
    const Picture exitComposed =
        ComposeControl(*builtin_, "BUTTON", 0, ParentPicture{panelSurface->View(), 0, 0}, RectInParent(exit_, panel_));
    CompareShown(exitShown, exitComposed, {}, L"sbtn4 shows \"BUTTON\" in state 0 along its edges", shot + L"-exit",
                 CompareRing(exitShown, exitComposed, 2, 4));
    Screenshot(ScreenRectOf(main_), shot);
  }

  // A disabled caption: blended towards the face, lighter than enabled ink but not the face.
  static bool IsFadedInk(COLORREF c) {
    const int sum = GetRValue(c) + GetGValue(c) + GetBValue(c);
    return sum < 3 * 205 && sum >= 3 * 90;
  }

  // ----- choosing the file to cut

  void ChooseFileToSplit() {
    report_.Step(L"choose the file to cut through the open dialog");
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    ClickWindow(open_);
    HWND dialog = WaitForFileDialog(app_.Id(), kWaitMs);
    report_.Require(dialog != nullptr, L"pressing sbtn2 opens an open dialog (#32770)");
    report_.Require(TypeFileName(dialog, sourcePath_), L"the source path is typed into its file name box");
    PressOk(dialog);
    report_.Require(WaitFor([&] { return !IsWindow(dialog); }), L"pressing its OK button closes the dialog");
    report_.Check(WaitFor([&] { return TextOf(fileBox_) == sourcePath_; }), L"sedt1 shows the chosen file",
                  L"it reads \"" + TextOf(fileBox_) + L"\"");
    CheckLabelTextOn(sheet1_, {104, 76, 396, 13}, work_.Path() + L"\\", L"slbl1 (folder label)");
  }

  void CheckTimerRuleFollowsFile() {
    report_.Step(L"button rule follows the chosen file");
    report_.Check(SplitButtonsEnabled(true), L"sbtn1 and sbtn3 become enabled: the file exists");
    std::wstring moved = work_.File(L"moved.bin");
    report_.Require(MoveFileW(sourcePath_.c_str(), moved.c_str()) != 0, L"the source is renamed from outside");
    report_.Check(SplitButtonsEnabled(false), L"both become disabled when the file is gone");
    report_.Require(MoveFileW(moved.c_str(), sourcePath_.c_str()) != 0, L"the source is restored");
    report_.Check(SplitButtonsEnabled(true), L"both become enabled again");
  }

  void CheckTabOrder() {
    report_.Step(L"tab order on the first page");
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    ClickWindow(countBox_);
    report_.Require(WaitFor([&] { return FocusOf(main_) == countBox_; }, kShortWaitMs), L"a click focuses sedt2");
    struct Stop { HWND window; const wchar_t* name; };
    const Stop order[] = {{folderButton_, L"sbtn1"}, {split_, L"sbtn3"}, {exit_, L"sbtn4"},
                          {pages_, L"sPageControl1"}, {open_, L"sbtn2"}, {fileBox_, L"sedt1"},
                          {countBox_, L"sedt2"}};
    for (const Stop& stop : order) {
      PressKey(VK_TAB);
      bool reached = WaitFor([&] { return FocusOf(main_) == stop.window; }, kShortWaitMs);
      report_.Check(reached, std::wstring(L"Tab moves the focus to ") + stop.name,
                    L"the focus is on " + Describe(FocusOf(main_)));
      if (!reached) return;
    }
  }

  // ----- the split

  HWND WaitForMessageForm() { return WaitForTopLevel(app_.Id(), L"TMessageForm", nullptr, kWaitMs); }

  // Checks the framework's message form: the application title as caption, `text`, one OK
  // button; saves a screenshot if `shot` is given, and presses OK. The form is skinned: its
  // text in the skin's font colour straight on the frame's background (no box of the
  // platform's face behind it), its button painted from "BUTTON".
  void AnswerMessageForm(HWND form, const std::wstring& text, const wchar_t* shot) {
    report_.CheckEqual(TextOf(form), kTitle, L"the message's caption is the application title");
    std::vector<HWND> buttons;
    std::wstring seen;
    for (HWND w : DescendantsOf(form)) {
      seen += L"\n          " + Describe(w);
      if (IsKind(w, kPushButton)) buttons.push_back(w);
    }
    report_.Check(buttons.size() == 1 && TextOf(buttons[0]) == L"OK", L"it has one button, OK", L"its windows:" + seen);
    MoveMouseTo({0, 0});  // the button is not under the pointer
    // The text is painted by the form itself, in the system's message font; the form is
    // captured again until it shows (a skinned form may repaint its client once more after
    // its frame is taken over).
    Sync(form);
    const COLORREF ink = builtin_->GlobalFontColor();
    TextMatch match;
    WaitFor([&] {
      match = FindText(CaptureSettled(ClientScreenRect(form)), {0, 0, ClientSizeOf(form).cx, ClientSizeOf(form).cy}, text,
                       MessageFont(), ink);
      return match.found;
    }, kWaitMs);
    report_.Check(match.found, L"the message reads \"" + text + L"\" in the skin's font colour " + ColourText(ink),
                  L"best match differs in " + std::to_wstring(static_cast<int>(match.mismatch * 100)) +
                      L"% of the text's ink pixels");
    if (!buttons.empty()) CheckMessageFormSkinned(form, buttons[0], text, match, shot);
    RECT r = ScreenRectOf(form);
    int dx = (r.left + r.right) - GetSystemMetrics(SM_CXSCREEN);
    int dy = (r.top + r.bottom) - GetSystemMetrics(SM_CYSCREEN);
    report_.Check(std::abs(dx) <= 2 && std::abs(dy) <= 2, L"it is centred on the screen", L"it lies at " + RectText(r));
    if (shot) Screenshot(UnionOf(ScreenRectOf(main_), r), shot);
    if (buttons.empty()) return;
    ClickWindow(buttons[0]);
    report_.Require(WaitFor([&] { return !IsWindow(form) || !IsWindowVisible(form); }), L"pressing OK closes it");
  }

  // The message form's client area against the frame's background composed from the skin,
  // leaving out the button and the text's own rectangle; inside that rectangle no pixel
  // shows the platform's face where the background has another colour. The button against
  // "BUTTON" composed over that background, with the pointer away and over it: the focused
  // default button shows the section's hot look (state 1) either way.
  void CheckMessageFormSkinned(HWND form, HWND button, const std::wstring& text, const TextMatch& match,
                               const wchar_t* shot) {
    const std::wstring name = std::wstring(shot ? shot : L"e2e-message") + L"-skinned";
    const RECT window = ScreenRectOf(form), client = ClientScreenRect(form);
    const auto background = ComposeFormBackground(*builtin_, window.right - window.left, window.bottom - window.top);
    const POINT clientInWindow{client.left - window.left, client.top - window.top};
    const Picture expectedClient = Crop(PictureOf(background->View()),
                                        RECT{clientInWindow.x, clientInWindow.y, clientInWindow.x + ClientSizeOf(form).cx,
                                             clientInWindow.y + ClientSizeOf(form).cy});
    RECT textBox{};
    {
      const TextFont font = MessageFont();
      HDC dc = GetDC(nullptr);
      HFONT f = CreateFontW(font.height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, font.face.c_str());
      HGDIOBJ old = SelectObject(dc, f);
      RECT calc{0, 0, 4000, 0};
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &calc, DT_CALCRECT | DT_NOPREFIX);
      SelectObject(dc, old);
      DeleteObject(f);
      ReleaseDC(nullptr, dc);
      textBox = RECT{match.at.x, match.at.y, match.at.x + calc.right, match.at.y + calc.bottom};
      InflateRect(&textBox, 4, 4);
    }
    RECT buttonRect = RectInParent(button, form);
    InflateRect(&buttonRect, 1, 1);
    Sync(form);
    const Picture shown = CaptureSettled(ClientScreenRect(form));
    CompareShown(shown, expectedClient, {textBox, buttonRect},
                 L"the message form's client is the skin's frame background around its text and button", name);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int facePixels = 0;
    for (int y = std::max<int>(textBox.top, 0); y < std::min<int>(textBox.bottom, shown.height); ++y)
      for (int x = std::max<int>(textBox.left, 0); x < std::min<int>(textBox.right, shown.width); ++x)
        facePixels += shown.Pixel(x, y) == face && expectedClient.Pixel(x, y) != face;
    report_.Check(facePixels == 0, L"no box of the platform's face lies behind the message text",
                  std::to_wstring(facePixels) + L" pixels of " + ColourText(face) + L" around the text");

    const ParentPicture underButton{background->View(), clientInWindow.x, clientInWindow.y};
    const Picture composed = ComposeControl(*builtin_, "BUTTON", 1, underButton, RectInParent(button, form));
    const COLORREF buttonInk = SectionFontColour(*builtin_, "BUTTON", true);
    const SIZE size = ClientSizeOf(button);
    auto checkButton = [&](const std::wstring& when, const std::wstring& suffix) {
      Sync(form);
      const Picture seenButton = CaptureSettled(ScreenRectOf(button));
      CompareShown(seenButton, composed, {}, L"its OK button shows \"BUTTON\" in state 1 along its edges " + when,
                   name + suffix, CompareRing(seenButton, composed, 2, 4));
      const TextMatch caption = FindText(seenButton, {0, 0, size.cx, size.cy}, L"OK", MessageFont(), buttonInk, 0.2);
      report_.Check(caption.found, L"its caption is in the section's font colour " + ColourText(buttonInk) + L" " + when,
                    L"best match differs in " + std::to_wstring(static_cast<int>(caption.mismatch * 100)) + L"%");
      if (shot) Screenshot(ScreenRectOf(button), name + suffix);
    };
    checkButton(L"with the pointer away", L"-button");
    const RECT b = ScreenRectOf(button);
    MoveMouseTo({(b.left + b.right) / 2, (b.top + b.bottom) / 2});
    checkButton(L"with the pointer over it", L"-button-hot");
  }

  void SplitIntoFour() {
    report_.Step(L"split into 4 pieces");
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    ClickWindow(countBox_);
    report_.Require(WaitFor([&] { return FocusOf(main_) == countBox_; }, kShortWaitMs), L"a click focuses sedt2");
    PressKey(VK_END);
    PressKey(VK_HOME, VK_SHIFT);
    TypeText(L"4");
    report_.Check(WaitFor([&] { return TextOf(countBox_) == L"4"; }, kShortWaitMs), L"the count box now reads 4",
                  L"it reads \"" + TextOf(countBox_) + L"\"");
    CheckNoKeyColour(Screenshot(ScreenRectOf(main_), L"e2e-1-split-page"), L"the split page");

    ClickWindow(split_);
    HWND form = WaitForMessageForm();
    report_.Require(form != nullptr, L"pressing sbtn3 ends with a message form (TMessageForm)");
    report_.Check(WaitFor([&] { return GetForegroundWindow() == form; }, kShortWaitMs), L"the message form is active");
    CheckFrame(main_, *builtin_, 0, {ScreenRectOf(form)},
               L"meanwhile the main window's frame is the skin's inactive frame");
    CheckFrame(form, *builtin_, 1, {}, L"the message form's frame is the skin's active frame");
    Screenshot(ScreenRectOf(main_), L"e2e-frame-inactive");
    AnswerMessageForm(form, kSplitDone, L"e2e-2-split-done-message");
    CheckFrame(main_, *builtin_, 1, {}, L"afterwards the main window's frame is the active frame again");

    CheckPieces(work_.Path());
  }

  // The four pieces of the source in `folder`, and no fifth.
  void CheckPieces(const std::wstring& folder) {
    const size_t pieceSize = source_.size() / 4;
    for (size_t k = 1; k <= 4; ++k) {
      std::wstring name = folder + L"\\source.bin.sprt" + std::to_wstring(k);
      auto piece = ReadWholeFile(name);
      size_t start = (k - 1) * pieceSize;
      size_t size = k < 4 ? pieceSize : source_.size() - start;
      bool same = piece && piece->size() == size &&
                  std::equal(piece->begin(), piece->end(), source_.begin() + static_cast<std::ptrdiff_t>(start));
      report_.Check(same, name + L" holds bytes " + std::to_wstring(start) + L" to " + std::to_wstring(start + size - 1) +
                              L" of the source",
                    piece ? L"it has " + std::to_wstring(piece->size()) + L" bytes" : L"it is missing");
    }
    report_.Check(!PathExists(folder + L"\\source.bin.sprt5"), L"there is no fifth piece");
  }

  // The folder dialog opens at the file's folder; a sub-folder chosen in it becomes the
  // folder label and receives the pieces; choosing the file again resets the label.
  void SplitIntoChosenFolder() {
    report_.Step(L"split into a folder chosen in the folder dialog");
    const std::wstring target = work_.File(L"pieces");
    report_.Require(CreateDirectoryW(target.c_str(), nullptr) != 0, L"a sub-folder \"pieces\" is made");
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    ClickWindow(folderButton_);
    // With the skin active the folder dialog is the skin's own folder form.
    HWND dialog = WaitForTopLevel(app_.Id(), L"TPathDialogForm", nullptr, kWaitMs);
    report_.Require(dialog != nullptr, L"pressing sbtn1 opens the folder form (TPathDialogForm)");
    HWND tree = FindDescendantByClass(dialog, L"TsShellTreeView");
    report_.Require(tree != nullptr, L"the folder form has its folder tree");
    std::wstring folderName = work_.Path().substr(work_.Path().find_last_of(L'\\') + 1);
    report_.Check(WaitFor([&] { return TreeItemText(app_.Handle(), tree, TreeSelection(tree)) == folderName; }),
                  L"it opens at the chosen file's folder",
                  L"the selected folder is \"" + TreeItemText(app_.Handle(), tree, TreeSelection(tree)) + L"\"");
    report_.Require(BringToFront(dialog), L"the folder dialog is in front");
    // A click on the selected folder's name focuses the tree and keeps the selection.
    RECT item = TreeItemRect(app_.Handle(), tree, TreeSelection(tree));
    report_.Require(item.right > item.left, L"the selected folder shows in the tree", RectText(item));
    ClickWindowAt(tree, {(item.left + item.right) / 2, (item.top + item.bottom) / 2});
    report_.Require(WaitFor([&] { return FocusOf(dialog) == tree; }, kShortWaitMs), L"a click on it focuses the tree",
                    L"the focus is on " + Describe(FocusOf(dialog)));
    PressKey(VK_RIGHT);  // expand it
    PressKey(VK_DOWN);   // its first sub-folder
    report_.Require(WaitFor([&] { return TreeItemText(app_.Handle(), tree, TreeSelection(tree)) == L"pieces"; }),
                    L"the keys Right and Down select its sub-folder \"pieces\"",
                    L"the selected folder is \"" + TreeItemText(app_.Handle(), tree, TreeSelection(tree)) + L"\"");
    HWND ok = FindDescendant(dialog, [](HWND w) { return ClassOf(w) == L"TsBitBtn" && TextOf(w) == L"OK"; });
    report_.Require(ok != nullptr, L"the folder form has its OK button");
    PressKey(VK_RETURN);  // OK is the default button
    report_.Require(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }),
                    L"Enter (OK) closes the folder form");
    CheckLabelTextOn(sheet1_, {104, 76, 396, 13}, target, L"slbl1 (folder label)");

    ClickWindow(split_);
    HWND form = WaitForMessageForm();
    report_.Require(form != nullptr, L"pressing sbtn3 ends with a message form (TMessageForm)");
    AnswerMessageForm(form, kSplitDone, nullptr);
    CheckPieces(target);

    ChooseFileToSplit();  // the folder label goes back to the file's folder
  }

  // ----- the merge page

  void GoToMergePage() {
    report_.Step(L"second page");
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    RECT tab = TabRect(app_.Handle(), pages_, 1);
    report_.Require(tab.right > tab.left, L"the second tab has a place on the screen", RectText(tab));
    ClickWindowAt(pages_, {(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
    report_.Require(WaitFor([&] { return IsWindowVisible(sheet2_) && !IsWindowVisible(sheet1_); }),
                    L"a click on its tab shows sTabSheet2");
    report_.CheckEqual(TabSelected(pages_), 1, L"the second tab is selected");
    CheckBounds(list_, sheet2_, {0, 0, 500, 138}, L"slst1 (aligned to the top of the shown page)");
  }

  std::vector<std::wstring> PiecePaths() const {
    std::vector<std::wstring> paths;
    for (int k = 1; k <= 4; ++k) paths.push_back(work_.File(L"source.bin.sprt" + std::to_wstring(k)));
    return paths;
  }

  // Adds the four pieces in number order through the open dialog's multiple selection.
  void AddPieces() {
    std::vector<std::wstring> names;
    for (int k = 1; k <= 4; ++k) names.push_back(L"source.bin.sprt" + std::to_wstring(k));
    AddFiles(names);
  }

  // Adds files of the work folder, in this order, through the open dialog.
  void AddFiles(const std::vector<std::wstring>& files) {
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    ClickWindow(add_);
    HWND dialog = WaitForFileDialog(app_.Id(), kWaitMs);
    report_.Require(dialog != nullptr, L"pressing sbtn6 opens an open dialog (#32770)");
    report_.Require(GoToFolder(dialog, work_.Path()), L"the dialog goes to the work folder",
                    L"its file name box reads \"" + TextOf(FileNameEdit(dialog)) + L"\", its folder box \"" +
                        TextOf(FolderBox(dialog)) + L"\"");
    std::wstring names;
    for (const auto& file : files) names += L"\"" + file + L"\" ";
    report_.Require(TypeFileName(dialog, names),
                    std::to_wstring(files.size()) + L" file names are typed into its file name box");
    PressOk(dialog);
    report_.Require(WaitFor([&] { return !IsWindow(dialog); }), L"pressing OK closes the dialog");
  }

  // ----- the long list: skinned frame and bar, wheel, keys, type-ahead

  // Percentage of the pixels of the list's vertical bar strip (inside its two-pixel ring)
  // that have a colour the platform's own scroll bar is drawn with.
  int PlatformBarShare(const Picture& list) {
    const COLORREF platform[] = {GetSysColor(COLOR_SCROLLBAR), GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_3DHILIGHT),
                                 GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT)};
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    const RECT strip{list.width - 2 - bar, 2, list.width - 2, list.height - 2};
    const int all = (strip.right - strip.left) * (strip.bottom - strip.top);
    const int hits = CountPixels(list, strip, [&](COLORREF c) {
      for (COLORREF p : platform)
        if (c == p) return true;
      return false;
    });
    return all > 0 ? hits * 100 / all : 100;
  }

  // Percentage of the left and top sides of the list's two-pixel ring (corners left out) in
  // the colours of the platform's sunken edge there (shadow and dark shadow).
  int PlatformEdgeShare(const Picture& list) {
    const COLORREF shadow = GetSysColor(COLOR_3DSHADOW), dark = GetSysColor(COLOR_3DDKSHADOW);
    const auto platform = [&](COLORREF c) { return c == shadow || c == dark; };
    const RECT sides[] = {{0, 6, 2, list.height - 6}, {6, 0, list.width - 6, 2}};
    int hits = 0, all = 0;
    for (const RECT& r : sides) {
      hits += CountPixels(list, r, platform);
      all += (r.right - r.left) * (r.bottom - r.top);
    }
    return all > 0 ? hits * 100 / all : 100;
  }

  void CheckSkinnedList(const Picture& shot, const std::wstring& when) {
    const int bar = PlatformBarShare(shot), edge = PlatformEdgeShare(shot);
    report_.Note(L"slst1 " + when + L": " + std::to_wstring(bar) + L"% of the bar strip and " + std::to_wstring(edge) +
                 L"% of the ring in platform colours");
    report_.Check(bar < 10, L"slst1 " + when + L": the scroll bar is the skin's, not the platform's",
                  std::to_wstring(bar) + L"% platform colours");
    report_.Check(edge < 10, L"slst1 " + when + L": the frame is the skin's, not the platform's sunken edge",
                  std::to_wstring(edge) + L"% platform colours");
  }

  int TopIndex() { return static_cast<int>(Send(list_, LB_GETTOPINDEX)); }
  int Caret() { return static_cast<int>(Send(list_, LB_GETCARETINDEX)); }

  void UseLongList() {
    report_.Step(L"a long list: skinned frame and bar, wheel, keys, type-ahead");
    report_.Check(GetPropW(list_, L"ACSBSC") != nullptr, L"slst1 is taken over by its frame handler");
    Screenshot(ScreenRectOf(list_), L"e2e-5-list-empty");

    // 25 pieces of "long.bin": piece k holds k bytes of value k.
    std::vector<std::wstring> names;
    Bytes joined;
    bool written = true;
    for (int k = 1; k <= 25; ++k) {
      names.push_back(L"long.bin.sprt" + std::to_wstring(k));
      const Bytes piece(static_cast<size_t>(k), static_cast<uint8_t>(k));
      joined.insert(joined.end(), piece.begin(), piece.end());
      written = WriteWholeFile(work_.File(names.back()), piece) && written;
    }
    report_.Require(written, L"25 pieces of long.bin are written");
    AddFiles(names);
    std::vector<std::wstring> expected;
    for (const auto& name : names) expected.push_back(work_.File(name));
    report_.Require(ListIs(expected), L"slst1 lists the 25 files in order", L"it lists " + Joined(ListItems(list_)));
    CheckSkinnedList(Screenshot(ScreenRectOf(list_), L"e2e-5-list-full"), L"full");

    // The wheel scrolls down by whole lines.
    const RECT listRect = ScreenRectOf(list_);
    MoveMouseTo({(listRect.left + listRect.right) / 2, (listRect.top + listRect.bottom) / 2});
    INPUT wheel{};
    wheel.type = INPUT_MOUSE;
    wheel.mi.dwFlags = MOUSEEVENTF_WHEEL;
    wheel.mi.mouseData = static_cast<DWORD>(-WHEEL_DELTA);
    SendInput(1, &wheel, sizeof wheel);
    report_.Check(WaitFor([&] { return TopIndex() > 0; }, kShortWaitMs), L"the wheel scrolls slst1 down",
                  L"top index " + std::to_wstring(TopIndex()));
    const int wheelTop = TopIndex();
    CheckSkinnedList(Screenshot(ScreenRectOf(list_), L"e2e-5-list-scrolled"), L"scrolled by the wheel");
    wheel.mi.mouseData = static_cast<DWORD>(WHEEL_DELTA);
    SendInput(1, &wheel, sizeof wheel);
    report_.Check(WaitFor([&] { return TopIndex() < wheelTop; }, kShortWaitMs), L"the wheel scrolls slst1 back up");

    // The keyboard: End shows the last entry, Home the first.
    ClickAt({listRect.left + 40, listRect.top + 6});
    report_.Require(WaitFor([&] { return FocusOf(main_) == list_; }, kShortWaitMs), L"a click gives slst1 the focus");
    PressKey(VK_END);
    report_.Check(WaitFor([&] { return Caret() == 24 && TopIndex() > 0; }, kShortWaitMs),
                  L"End moves to the last entry and scrolls to it",
                  L"caret " + std::to_wstring(Caret()) + L", top " + std::to_wstring(TopIndex()));
    CheckSkinnedList(Screenshot(ScreenRectOf(list_), L"e2e-5-list-end"), L"at its end");
    PressKey(VK_HOME);
    report_.Check(WaitFor([&] { return Caret() == 0 && TopIndex() == 0; }, kShortWaitMs),
                  L"Home moves back to the first entry");

    // Type-ahead: the typed text selects the one entry it starts.
    TypeText(expected[16]);
    report_.Check(WaitFor([&] { return Caret() == 16 && SelectedCount(list_) == 1 && Send(list_, LB_GETSEL, 16) > 0; },
                          kShortWaitMs),
                  L"typing an entry's text selects that entry alone",
                  L"caret " + std::to_wstring(Caret()) + L", " + std::to_wstring(SelectedCount(list_)) + L" selected");
    CheckSkinnedList(Screenshot(ScreenRectOf(list_), L"e2e-5-list-selection"), L"with a selection");

    MergeLongList(work_.File(L"long.bin"), joined);

    // The popup menu empties it again.
    ClickMenuItem(OpenPopupMenu(), 2);  // 全部删除
    report_.Check(ListIs({}), L"\"全部删除\" empties the long list", L"it lists " + Joined(ListItems(list_)));
  }

  // Merges every entry of the list into `target` (the proposed name) and checks its bytes.
  void MergeLongList(const std::wstring& target, const Bytes& expected) {
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    ClickWindow(merge_);
    HWND dialog = WaitForFileDialog(app_.Id(), kWaitMs);
    report_.Require(dialog != nullptr, L"pressing sbtn7 opens a save dialog (#32770)");
    const std::wstring proposal = TextOf(FileNameEdit(dialog));
    report_.Check(proposal == target || proposal == L"long.bin", L"the dialog proposes the name from the first entry",
                  L"it proposes \"" + proposal + L"\"");
    PressOk(dialog);
    report_.Require(WaitFor([&] { return !IsWindow(dialog); }), L"the save dialog closes");
    HWND form = WaitForMessageForm();
    report_.Require(form != nullptr, L"the merge ends with a message form (TMessageForm)");
    AnswerMessageForm(form, kMergeDone, nullptr);
    auto merged = ReadWholeFile(target);
    report_.Check(merged && *merged == expected, L"the 25 entries are merged in the list's order, byte for byte",
                  merged ? L"it has " + std::to_wstring(merged->size()) + L" bytes" : L"it cannot be read");
  }

  bool ListIs(const std::vector<std::wstring>& expected) {
    return WaitFor([&] { return ListItems(list_) == expected; }, kShortWaitMs);
  }

  // Opens pm1 with a right click on the list and returns its menu window.
  HWND OpenPopupMenu() {
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    RECT listRect = ScreenRectOf(list_);
    ClickAt({listRect.left + 300, listRect.top + 110}, Button::Right);
    // Only a shown menu window: the one closed just before may still exist, hidden, and keys
    // pressed while the new menu is not up yet would reach the list instead.
    HWND menu = WaitForTopLevel(app_.Id(), L"#32768", nullptr, kWaitMs,
                                [](HWND w) { return IsWindowVisible(w) != FALSE; });
    report_.Require(menu != nullptr, L"a right click on slst1 opens a popup menu (#32768)");
    // The menu is painted from inside its tracking loop: once it is, keys reach the menu
    // and not the list (the window shows a moment before the loop starts).
    report_.Require(WaitUntilPainted(menu, kWaitMs), L"the popup menu has painted");
    return menu;
  }

  // Chooses an item of the open menu with the arrow keys and Enter: `downs` presses from
  // no highlighted item (the menu skips the separator itself).
  // Chooses an item of the open menu with the arrow keys and Enter: `downs` presses from
  // no highlighted item (the menu skips the separators itself).
  void ChooseMenuItemByKeys(HWND menu, int downs) {
    for (int i = 0; i < downs; ++i) PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    report_.Require(WaitFor([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }), L"the menu closes");
  }

  // Clicks item `index` (0 to 5, separators not counted) of the open pm1: six rows of one
  // height and two 2-pixel separators, after the first and the fourth item, in a 3-pixel frame.
  void ClickMenuItem(HWND menu, int index) {
    const RECT r = ScreenRectOf(menu);
    const int itemHeight = (r.bottom - r.top - 10) / 6;
    const int top = 3 + index * itemHeight + (index >= 1 ? 2 : 0) + (index >= 4 ? 2 : 0);
    ClickAt({(r.left + r.right) / 2, r.top + top + itemHeight / 2});
    report_.Require(WaitFor([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }), L"the menu closes");
  }

  // Clicks the first or the last item of the open menu: a point a few pixels inside its
  // top or bottom edge lies on that item, whatever the items' heights.
  void ClickMenuEdgeItem(HWND menu, bool first) {
    RECT r = ScreenRectOf(menu);
    ClickAt({(r.left + r.right) / 2, first ? r.top + 8 : r.bottom - 8});
    report_.Require(WaitFor([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }), L"the menu closes");
  }

  // The open menu against the skin: its region cuts the border's corners, the border and
  // the icon column are the skin's menu picture, and the hot item follows the pointer and
  // the arrow keys (its caption in MENUITEM's hot colour); Esc closes it.
  // Returns the menu opened again afterwards.
  HWND CheckSkinnedMenu(HWND menu) {
    const RECT r = ScreenRectOf(menu);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const bool hasRegion = GetWindowRgn(menu, region) != ERROR;
    report_.Check(hasRegion && !PtInRegion(region, 0, 0) && !PtInRegion(region, w - 1, 0) &&
                      !PtInRegion(region, 0, h - 1) && !PtInRegion(region, w - 1, h - 1) &&
                      PtInRegion(region, w / 2, 0) && PtInRegion(region, 0, h / 2),
                  L"the menu window's region cuts its four corners and keeps its edges");
    DeleteObject(region);

    // Left of the captions (border, icon column, item backgrounds over it) the menu shows
    // its picture; the captions and separator start further right.
    const auto model = ComposeMenuPicture(*builtin_, w, h);
    const Picture expected = PictureOf(model->View());
    const std::vector<RECT> leftOut = {RECT{30, 3, w - 3, h - 3}, RECT{0, 0, 4, 4}, RECT{w - 4, 0, w, 4},
                                       RECT{0, h - 4, 4, h}, RECT{w - 4, h - 4, w, h}};
    Difference d;
    const bool same = WaitFor([&] {
      d = Compare(CaptureScreen(r), expected, leftOut);
      return d.pixels == 0;
    }, kShortWaitMs);
    report_.Check(same, L"the menu's border and icon column are MAINMENU and ICOLINE", DifferenceText(d));

    // The item rows: six ordinary items of one height and two 2-pixel separators (after the
    // first and the fourth item) inside a 3-pixel frame. Left of the captions a hot item
    // shows MENUITEM's hot look over the icon column, every other row the menu picture.
    const int itemHeight = (h - 6 - 4) / 6;
    const int tops[] = {3,
                        5 + itemHeight,
                        5 + 2 * itemHeight,
                        5 + 3 * itemHeight,
                        7 + 4 * itemHeight,
                        7 + 5 * itemHeight};
    auto onlyHot = [&](int hotIndex) {
      const Picture seen = CaptureScreen(r);
      for (int i = 0; i < 6; ++i) {
        bool differs = false;
        for (int y = tops[i]; y < tops[i] + itemHeight; ++y)
          for (int x = 3; x < 30; ++x) differs = differs || seen.Pixel(x, y) != expected.Pixel(x, y);
        if (differs != (i == hotIndex)) return false;
      }
      return true;
    };
    const std::vector<std::wstring> order = {L"全选", L"删除选中", L"全部删除", L"上移", L"下移", L"按编号排序"};
    auto hotCaption = [&](const wchar_t* caption) {
      const int index = static_cast<int>(std::find(order.begin(), order.end(), caption) - order.begin());
      return WaitFor([&] { return onlyHot(index); }, kShortWaitMs);
    };
    // The pointer rests on the menu's corner, over no item: the keys go first, from the
    // last item up, across both separators.
    PressKey(VK_UP);
    report_.Check(hotCaption(L"按编号排序"), L"the up arrow from no hot item makes the last item hot (\"按编号排序\")");
    for (int i = static_cast<int>(order.size()) - 2; i >= 0; --i) {
      PressKey(VK_UP);
      report_.Check(hotCaption(order[static_cast<size_t>(i)].c_str()),
                    L"the up arrow makes \"" + order[static_cast<size_t>(i)] + L"\" hot");
    }
    MoveMouseTo({r.left + w / 2, r.bottom - 8});
    report_.Check(hotCaption(L"按编号排序"), L"the item under the pointer is hot (\"按编号排序\")");
    Screenshot(UnionOf(ScreenRectOf(main_), r), L"e2e-4-popup-menu-hot");
    PressKey(VK_ESCAPE);
    report_.Require(WaitFor([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }), L"Esc closes the menu");
    return OpenPopupMenu();
  }

  // Fifty times opened and closed with Esc: the list stays, no menu window is left and the
  // program's handle counts stay flat.
  void MenuCyclesLeaveNothing(const std::vector<std::wstring>& pieces) {
    auto menuWindows = [&] {
      int count = 0;
      for (HWND w : TopLevelWindows(app_.Id()))
        if (ClassOf(w) == L"#32768") ++count;
      return count;
    };
    auto cycle = [&] {
      HWND menu = OpenPopupMenu();
      PressKey(VK_ESCAPE);
      report_.Require(WaitFor([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }), L"Esc closes the menu");
    };
    cycle();
    WaitFor([&] { return menuWindows() == 0; }, kShortWaitMs);
    const std::vector<LRESULT> before = HandleCounts();
    report_.Require(before[0] >= 0, L"the program reports its handle counts");
    for (int i = 0; i < 50; ++i) cycle();
    report_.Check(WaitFor([&] { return menuWindows() == 0; }, kShortWaitMs), L"fifty menus leave no menu window",
                  std::to_wstring(menuWindows()) + L" left");
    const std::vector<LRESULT> after = HandleCounts();
    report_.Check(after == before, L"fifty menus leave the program's handle counts flat",
                  L"before " + CountsText(before) + L", after " + CountsText(after));
    report_.Check(ListIs(pieces), L"Esc chose nothing", L"it lists " + Joined(ListItems(list_)));
  }

  // ----- the join order and the list's keys

  // The question box the program shows (a "#32770" that is no file dialog) and its text.
  HWND WaitForQuestion(DWORD ms) {
    return WaitForTopLevel(app_.Id(), L"#32770", nullptr, ms, [](HWND w) { return !IsFileDialog(w); });
  }
  std::wstring QuestionText(HWND box) {
    HWND text = FindDescendant(box, [](HWND w) { return ClassOf(w) == L"Static" && !TextOf(w).empty(); });
    return text ? TextOf(text) : L"";
  }
  // True while the program's GUI thread is in a menu's modal loop (a menu bar, the system
  // menu entered with Alt alone, or a popup menu).
  bool InMenuMode() {
    Sync(main_);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(main_, nullptr), &info) &&
           (info.flags & (GUI_INMENUMODE | GUI_SYSTEMMENUMODE | GUI_POPUPMENUMODE)) != 0;
  }
  bool IsSelected(int index) { return Send(list_, LB_GETSEL, static_cast<WPARAM>(index)) > 0; }

  void GuardJoinOrder() {
    report_.Step(L"the join order: pieces chosen together, the order question, list keys");
    // Twelve pieces of "twelve.bin": piece k holds k + 2 bytes of value 10 * k.
    std::vector<std::wstring> byNumber, byText;
    Bytes joined;
    bool written = true;
    for (int k = 1; k <= 12; ++k) {
      byNumber.push_back(L"twelve.bin.sprt" + std::to_wstring(k));
      const Bytes piece(static_cast<size_t>(k + 2), static_cast<uint8_t>(10 * k));
      joined.insert(joined.end(), piece.begin(), piece.end());
      written = WriteWholeFile(work_.File(byNumber.back()), piece) && written;
    }
    report_.Require(written, L"12 pieces of twelve.bin are written");
    byText = byNumber;
    std::sort(byText.begin(), byText.end());  // the dialog's own order: 1, 10, 11, 12, 2, ...
    AddFiles(byText);
    std::vector<std::wstring> expected;
    for (const auto& name : byNumber) expected.push_back(work_.File(name));
    report_.Check(ListIs(expected), L"twelve pieces chosen together enter in piece order",
                  L"it lists " + Joined(ListItems(list_)));

    // Alt+Down and Alt+Up move the selected entry one place.
    const RECT listRect = ScreenRectOf(list_);
    ClickAt({listRect.left + 40, listRect.top + 6});
    report_.Require(WaitFor([&] { return FocusOf(main_) == list_ && SelectedCount(list_) == 1; }, kShortWaitMs),
                    L"a click selects the first entry and gives slst1 the focus");
    std::vector<std::wstring> swapped = expected;
    std::swap(swapped[0], swapped[1]);
    PressKey(VK_DOWN, VK_MENU);
    report_.Check(ListIs(swapped) && IsSelected(1) && SelectedCount(list_) == 1,
                  L"Alt+Down moves the selected first entry below the second, still selected",
                  L"it lists " + Joined(ListItems(list_)));
    PressKey(VK_UP, VK_MENU);
    report_.Check(ListIs(expected) && IsSelected(0), L"Alt+Up moves it back", L"it lists " + Joined(ListItems(list_)));
    PressKey(VK_UP, VK_MENU);
    report_.Check(ListIs(expected), L"Alt+Up on the first entry changes nothing");
    report_.Check(FindTopLevel(app_.Id(), L"#32768") == nullptr && !InMenuMode(),
                  L"Alt with an arrow opens no menu and leaves no menu mode behind");

    // The popup menu's "下移" and "按编号排序".
    ClickMenuItem(OpenPopupMenu(), 4);  // 下移
    report_.Check(ListIs(swapped), L"\"下移\" moves the selected entry down", L"it lists " + Joined(ListItems(list_)));
    ClickMenuEdgeItem(OpenPopupMenu(), false);
    report_.Check(ListIs(expected), L"\"按编号排序\" puts the pieces back in number order",
                  L"it lists " + Joined(ListItems(list_)));

    // Out of order, answered with Enter: the list is sorted and the join is the source.
    ClickAt({listRect.left + 40, listRect.top + 6});
    PressKey(VK_DOWN, VK_MENU);
    report_.Require(ListIs(swapped), L"the list is out of order again (2, 1, 3, ...)");
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    ClickWindow(merge_);
    HWND box = WaitForQuestion(kWaitMs);
    report_.Require(box != nullptr, L"merging a list out of order asks first (#32770)");
    report_.Check(QuestionText(box) == L"列表中的分块没有按编号排列（当前顺序：2, 1, 3, 4, 5, …）。按编号排序后再合并吗？",
                  L"the question names the order", L"it reads \"" + QuestionText(box) + L"\"");
    report_.Check(GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && GetDlgItem(box, IDCANCEL),
                  L"the question offers Yes, No and Cancel");
    Screenshot(ScreenRectOf(box), L"e2e-6-order-question");
    PressKey(VK_RETURN);
    report_.Require(WaitFor([&] { return !IsWindow(box); }), L"Enter answers the question");
    report_.Check(ListIs(expected), L"Enter (Yes, the default) sorts the list",
                  L"it lists " + Joined(ListItems(list_)));
    HWND dialog = WaitForFileDialog(app_.Id(), kWaitMs);
    report_.Require(dialog != nullptr, L"then the save dialog opens");
    PressOk(dialog);
    report_.Require(WaitFor([&] { return !IsWindow(dialog); }), L"the save dialog closes");
    HWND form = WaitForMessageForm();
    report_.Require(form != nullptr, L"the merge ends with a message form (TMessageForm)");
    AnswerMessageForm(form, kMergeDone, nullptr);
    auto merged = ReadWholeFile(work_.File(L"twelve.bin"));
    report_.Check(merged && *merged == joined, L"the sorted list merges to the source byte for byte",
                  merged ? L"it has " + std::to_wstring(merged->size()) + L" bytes" : L"it cannot be read");

    // Ctrl+A selects all, Delete removes the selection.
    ClickAt({listRect.left + 40, listRect.top + 6});
    PressKey('A', VK_CONTROL);
    report_.Check(WaitFor([&] { return SelectedCount(list_) == 12; }, kShortWaitMs), L"Ctrl+A selects all twelve",
                  L"selected: " + std::to_wstring(SelectedCount(list_)));
    PressKey(VK_DELETE);
    report_.Check(ListIs({}), L"Delete removes the selected entries", L"it lists " + Joined(ListItems(list_)));

    // A gap: the warning's default is No, which merges nothing.
    AddFiles({byNumber[0], byNumber[1], byNumber[2], byNumber[4]});
    DeleteFileW(work_.File(L"twelve.bin").c_str());
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    ClickWindow(merge_);
    box = WaitForQuestion(kWaitMs);
    report_.Require(box != nullptr, L"merging a list with a gap asks first");
    report_.Check(QuestionText(box) == L"缺少第 4 块，合并出的文件将不完整。仍要合并吗？", L"the warning names the gap",
                  L"it reads \"" + QuestionText(box) + L"\"");
    PressKey(VK_RETURN);
    report_.Require(WaitFor([&] { return !IsWindow(box); }), L"Enter answers the warning");
    report_.Check(WaitForFileDialog(app_.Id(), 1000) == nullptr && !PathExists(work_.File(L"twelve.bin")),
                  L"Enter (No, the default) merges nothing: no save dialog, no file");
    ClickAt({listRect.left + 40, listRect.top + 6});
    PressKey('A', VK_CONTROL);
    PressKey(VK_DELETE);
    report_.Require(ListIs({}), L"the list is empty again");
  }

  void UsePopupMenu() {
    report_.Step(L"adding pieces and the popup menu");
    const std::vector<std::wstring> pieces = PiecePaths();
    AddPieces();
    report_.Check(ListIs(pieces), L"slst1 lists the four pieces, full paths in number order",
                  L"it lists " + Joined(ListItems(list_)));

    // One entry selected with the mouse, then "删除选中" (delete selected).
    RECT listRect = ScreenRectOf(list_);
    ClickAt({listRect.left + 40, listRect.top + 6});  // the first entry's row
    report_.Check(WaitFor([&] { return SelectedCount(list_) == 1; }, kShortWaitMs), L"a click selects one entry");
    HWND menu = OpenPopupMenu();
    RECT menuRect = ScreenRectOf(menu);
    RECT shot = UnionOf(ScreenRectOf(main_), menuRect);
    Picture picture = Screenshot(shot, L"e2e-4-popup-menu");
    RECT inShot = {menuRect.left - shot.left, menuRect.top - shot.top, menuRect.right - shot.left,
                   menuRect.bottom - shot.top};
    const wchar_t* captions[] = {L"全选",   L"Ctrl+A", L"删除选中", L"Del",      L"全部删除",
                                 L"上移",   L"Alt+Up", L"下移",     L"Alt+Down", L"按编号排序"};
    const COLORREF text = SectionFontColour(*builtin_, "MENUITEM", false);
    for (const wchar_t* caption : captions)
      report_.Check(FindText(picture, inShot, caption, MenuFont(), text).found,
                    std::wstring(L"the menu shows \"") + caption + L"\" in the colour of MENUITEM");
    menu = CheckSkinnedMenu(menu);
    ChooseMenuItemByKeys(menu, 2);
    report_.Check(ListIs({pieces.begin() + 1, pieces.end()}), L"\"删除选中\" removes only the selected first entry",
                  L"it lists " + Joined(ListItems(list_)));

    // "全选" (select all) then "删除选中" empties the list.
    ClickMenuEdgeItem(OpenPopupMenu(), true);
    report_.Check(WaitFor([&] { return SelectedCount(list_) == 3; }, kShortWaitMs), L"\"全选\" selects all three entries",
                  L"selected: " + std::to_wstring(SelectedCount(list_)));
    ClickMenuItem(OpenPopupMenu(), 1);  // 删除选中
    report_.Check(ListIs({}), L"\"删除选中\" after \"全选\" empties the list", L"it lists " + Joined(ListItems(list_)));

    // Adding twice appends twice; "全部删除" (delete all) empties the list.
    AddPieces();
    AddPieces();
    std::vector<std::wstring> twice = pieces;
    twice.insert(twice.end(), pieces.begin(), pieces.end());
    report_.Check(ListIs(twice), L"adding the pieces again appends them again",
                  L"it lists " + Joined(ListItems(list_)));
    ClickMenuItem(OpenPopupMenu(), 2);  // 全部删除
    report_.Check(ListIs({}), L"\"全部删除\" empties the list", L"it lists " + Joined(ListItems(list_)));

    AddPieces();
    report_.Require(ListIs(pieces), L"the pieces are listed again for the merge", L"it lists " + Joined(ListItems(list_)));
    MenuCyclesLeaveNothing(pieces);
    CheckNoKeyColour(Screenshot(ScreenRectOf(main_), L"e2e-3-merge-page"), L"the merge page");
  }

  void MergeThroughSaveDialog() {
    report_.Step(L"merge through the save dialog");
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    ClickWindow(merge_);
    HWND dialog = WaitForFileDialog(app_.Id(), kWaitMs);
    report_.Require(dialog != nullptr, L"pressing sbtn7 opens a save dialog (#32770)");
    std::wstring proposal = TextOf(FileNameEdit(dialog));
    report_.Check(proposal == sourcePath_ || proposal == L"source.bin",
                  L"the dialog proposes the source's name from the first piece", L"it proposes \"" + proposal + L"\"");

    // The proposal names the source, which exists: the dialog asks before replacing it.
    PressOk(dialog);
    HWND prompt = WaitForTopLevel(app_.Id(), L"#32770", nullptr, kWaitMs, [&](HWND w) { return w != dialog && !IsFileDialog(w); });
    if (report_.Check(prompt != nullptr, L"saving over the existing source asks first")) {
      HWND yes = GetDlgItem(prompt, IDYES);
      report_.Require(yes != nullptr, L"the question has a Yes button");
      ClickWindow(yes);
    }
    report_.Require(WaitFor([&] { return !IsWindow(dialog); }), L"the save dialog closes");
    HWND form = WaitForMessageForm();
    report_.Require(form != nullptr, L"the merge ends with a message form (TMessageForm)");
    AnswerMessageForm(form, kMergeDone, L"e2e-3-merge-done-message");
    auto merged = ReadWholeFile(sourcePath_);
    report_.Check(merged && *merged == source_, L"the merged file equals the source byte for byte",
                  merged ? L"it has " + std::to_wstring(merged->size()) + L" bytes" : L"it cannot be read");
  }

  // ----- failure handling

  void SplitFileHeldOpenElsewhere() {
    report_.Step(L"split a file that another program holds open");
    for (const auto& piece : PiecePaths()) DeleteFileW(piece.c_str());
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    RECT tab = TabRect(app_.Handle(), pages_, 0);
    ClickWindowAt(pages_, {(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
    report_.Require(WaitFor([&] { return IsWindowVisible(sheet1_); }), L"a click on the first tab shows sTabSheet1");
    report_.Require(SplitButtonsEnabled(true), L"sbtn3 is enabled: the file exists");

    // This driver is the other program: it opens the source without sharing.
    HANDLE held = CreateFileW(sourcePath_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    report_.Require(held != INVALID_HANDLE_VALUE, L"the driver holds the source open without sharing");
    ClickWindow(split_);
    CheckSharingErrorBox(L"e2e-5-error-box", false);

    // The same error from the keyboard: Enter on the focused start button shows the box
    // once, and the program goes on.
    ClickWindow(countBox_);
    report_.Require(WaitFor([&] { return FocusOf(main_) == countBox_; }, kShortWaitMs), L"a click focuses sedt2");
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    report_.Require(WaitFor([&] { return FocusOf(main_) == split_; }, kShortWaitMs), L"two Tabs focus sbtn3",
                    L"the focus is on " + Describe(FocusOf(main_)));
    PressKey(VK_RETURN);
    CheckSharingErrorBox(L"", true);
    report_.Check(!WaitFor([&] { return !app_.Running(); }, kShortWaitMs), L"the program is still running after the box");
    report_.Check(FindTopLevel(app_.Id(), L"#32770") == nullptr, L"the box was shown once");
    CloseHandle(held);
    Sync(main_);
    report_.Check(FindTopLevel(app_.Id(), L"TMessageForm") == nullptr, L"no completion message follows");
    bool nonePieces = true;
    for (const auto& piece : PiecePaths()) nonePieces = nonePieces && !PathExists(piece);
    report_.Check(nonePieces, L"no piece was written");
    report_.Check(IsWindowEnabled(main_) && TextOf(fileBox_) == sourcePath_, L"the window stays usable and keeps its state");
  }

  // Checks the error box of a split whose source is held open elsewhere and closes it with
  // its OK button (by a click, or by Enter on the focused button); saves `shot` if given.
  void CheckSharingErrorBox(const std::wstring& shot, bool byKeyboard) {
    HWND box = WaitForTopLevel(app_.Id(), L"#32770", kTitle, kWaitMs);
    if (report_.Check(box != nullptr, L"an error box (#32770) titled \"Equidiv\" appears")) {
      HWND textWindow = FindDescendant(box, [](HWND w) { return ClassOf(w) == L"Static" && !TextOf(w).empty(); });
      std::wstring text = textWindow ? TextOf(textWindow) : L"";
      std::wstring prefix = L"Cannot open file \"" + sourcePath_ + L"\". ";
      std::wstring reason = SystemErrorText(ERROR_SHARING_VIOLATION);
      report_.Check(text.rfind(prefix, 0) == 0, L"it reads Cannot open file \"…\". followed by the reason",
                    L"it reads \"" + text + L"\"");
      report_.CheckEqual(text, WithFullStop(prefix + reason),
                         L"the reason is the system's sharing violation text, with the full-stop rule");
      report_.Check(FindDescendant(box, [](HWND w) {
                      return ClassOf(w) == L"Static" && (GetWindowLongW(w, GWL_STYLE) & SS_ICON);
                    }) != nullptr,
                    L"it shows an icon");
      HWND ok = GetDlgItem(box, IDOK);
      report_.Check(ok && TextOf(ok) == L"OK", L"it has an OK button");
      if (!shot.empty()) Screenshot(UnionOf(ScreenRectOf(main_), ScreenRectOf(box)), shot);
      if (ok) {
        if (byKeyboard)
          PressKey(VK_RETURN);
        else
          ClickWindow(ok);
        report_.Check(WaitFor([&] { return !IsWindow(box); }), L"pressing OK closes it");
      }
    }
  }

  void ExitThroughButton() {
    report_.Step(L"exit");
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    ClickWindow(exit_);
    report_.Check(app_.WaitForExit(kWaitMs), L"pressing sbtn4 (退出) ends the program");
    report_.CheckEqual(static_cast<long long>(app_.ExitCode()), 0, L"with exit status 0");
  }


  // ----- the skinned frame against the skin

  // Whether window pixel (x, y) of `window` is compared with the composed frame: frame
  // pixels inside the window region, less the caption from the icon to past the end of its
  // text and the caption buttons (found by hit-testing the caption's middle row).
  std::function<bool(int, int)> FramePixels(HWND window) {
    const RECT w = ScreenRectOf(window), c = ClientScreenRect(window);
    const int band = c.top - w.top, border = c.left - w.left;
    const int textEnd = border + 4 + 16 + 14 * static_cast<int>(TextOf(window).size());
    int buttonsLeft = w.right - w.left, buttonsRight = 0;
    for (int x = 0; x < w.right - w.left; ++x) {
      const LRESULT code = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(w.left + x, w.top + band / 2));
      if (code == HTCLOSE || code == HTMINBUTTON || code == HTMAXBUTTON || code == HTHELP) {
        buttonsLeft = std::min(buttonsLeft, x);
        buttonsRight = std::max(buttonsRight, x);
      }
    }
    auto region = std::shared_ptr<std::remove_pointer_t<HRGN>>(CreateRectRgn(0, 0, 0, 0), DeleteObject);
    const bool hasRegion = GetWindowRgn(window, region.get()) != ERROR;
    const RECT client{c.left - w.left, c.top - w.top, c.right - w.left, c.bottom - w.top};
    return [=](int x, int y) {
      if (x >= client.left && x < client.right && y >= client.top && y < client.bottom) return false;
      if (y < band && (x < textEnd || (x >= buttonsLeft - 1 && x <= buttonsRight + 1))) return false;
      return !hasRegion || PtInRegion(region.get(), x, y) != 0;
    };
  }

  // Compared pixels that differ; the first one is described in `first`.
  static int Differences(const Picture& seen, const Picture& expected, const std::function<bool(int, int)>& compared,
                         const std::vector<RECT>& leftOut, std::wstring* first = nullptr) {
    if (seen.width != expected.width || seen.height != expected.height) return -1;
    int count = 0;
    for (int y = 0; y < seen.height; ++y)
      for (int x = 0; x < seen.width; ++x) {
        const POINT p{x, y};
        if (!compared(x, y) || std::any_of(leftOut.begin(), leftOut.end(), [&](const RECT& r) { return PtInRect(&r, p); }))
          continue;
        if (seen.Pixel(x, y) == expected.Pixel(x, y)) continue;
        if (count++ == 0 && first)
          *first = L"at " + std::to_wstring(x) + L", " + std::to_wstring(y) + L" the screen has " +
                   std::to_wstring(seen.Pixel(x, y)) + L", the skin " + std::to_wstring(expected.Pixel(x, y));
      }
    return count;
  }

  Picture ExpectedFrame(HWND window, const TsSkinTables& skin, int state) {
    const RECT w = ScreenRectOf(window), c = ClientScreenRect(window);
    return ComposeFrame(skin, w.right - w.left, w.bottom - w.top, c.top - w.top, state);
  }

  // The two looks of the skin differ in the compared pixels, or comparing proves nothing.
  bool FramesDiffer(HWND window, const TsSkinTables& skin) {
    return Differences(ExpectedFrame(window, skin, 1), ExpectedFrame(window, skin, 0), FramePixels(window), {}) > 0;
  }

  // `window`'s frame on the screen becomes the frame composed from `skin` in `state` within
  // the wait; `covered` are screen rectangles of windows in front of it.
  void CheckFrame(HWND window, const TsSkinTables& skin, int state, const std::vector<RECT>& covered,
                  const std::wstring& what) {
    const RECT w = ScreenRectOf(window);
    std::vector<RECT> leftOut;
    for (RECT r : covered) {
      OffsetRect(&r, -w.left, -w.top);
      leftOut.push_back(r);
    }
    const Picture expected = ExpectedFrame(window, skin, state);
    const auto compared = FramePixels(window);
    int count = -1;
    std::wstring first;
    WaitFor([&] {
      count = Differences(CaptureScreen(ScreenRectOf(window)), expected, compared, leftOut, &first);
      return count == 0;
    }, kShortWaitMs);
    report_.Check(count == 0, what, std::to_wstring(count) + L" pixels differ; " + first);
  }

  // Pixels of sPanel1 on the screen that differ from the skin's "PANEL" section as the
  // panel composes it over the frame's background, less its credit label and exit button;
  // `until` says when to stop waiting (the repaint follows the change, not the capture).
  int PanelDifferences(const TsSkinTables& skin, const std::function<bool(int)>& until, std::wstring* first) {
    MoveMouseTo({0, 0});  // nothing of the window is hot
    const RECT inForm = RectInParent(panel_, main_);
    const RECT window = ScreenRectOf(main_), client = ClientScreenRect(main_);
    const auto background = ComposeFormBackground(skin, window.right - window.left, window.bottom - window.top);
    const TSurfaceView backgroundView = background->View();
    const Picture expected = ComposePanel(skin, inForm, GetSysColor(COLOR_BTNFACE), &backgroundView,
                                          POINT{client.left - window.left + inForm.left, client.top - window.top + inForm.top});
    std::vector<RECT> leftOut = {RECT{24, 8, 24 + 193, 8 + 17}, RectInParent(exit_, panel_)};
    for (RECT& r : leftOut) InflateRect(&r, 1, 1);
    int count = -1;
    WaitFor([&] {
      count = Differences(CaptureScreen(ClientScreenRect(panel_)), expected, [](int, int) { return true; }, leftOut, first);
      return until(count);
    }, kShortWaitMs);
    return count;
  }

  // ----- handles of the real program

  // Live GDI and USER objects of the program, by kind, as its application window reports them.
  // Painting settles first: controls make some of their GDI objects when they paint.
  std::vector<LRESULT> HandleCounts() {
    WaitUntilPainted(main_);
    Sync(main_);
    static const UINT query = RegisterWindowMessageW(kLiveHandlesMessage);
    HWND application = nullptr;
    for (HWND w = GetTopWindow(nullptr); w && !application; w = GetWindow(w, GW_HWNDNEXT))
      if (ProcessOf(w) == app_.Id() && ClassOf(w) == L"TApplication") application = w;
    std::vector<LRESULT> counts;
    for (THandleKind kind : {THandleKind::Brush, THandleKind::Pen, THandleKind::Font, THandleKind::Region,
                             THandleKind::Bitmap, THandleKind::DC, THandleKind::Icon, THandleKind::Menu,
                             THandleKind::Window, THandleKind::Hook})
      counts.push_back(application ? SendMessageW(application, query, static_cast<WPARAM>(kind), 0) : -1);
    return counts;
  }

  static std::wstring CountsText(const std::vector<LRESULT>& counts) {
    std::wstring text;
    for (LRESULT n : counts) text += (text.empty() ? L"" : L" ") + std::to_wstring(n);
    return text + L" (brush pen font region bitmap DC icon menu window hook)";
  }

  // The main window loses and regains the activation 100 times (to a window of this
  // driver): the program's handle counts stay flat, and the frame ends in its active look.
  void CheckActivationHandles() {
    report_.Step(L"activation toggles");
    HWND other = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"driver", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 160, 60,
                                 nullptr, nullptr, nullptr, nullptr);
    report_.Require(other != nullptr, L"a window of the driver is made");
    auto toggle = [&] {
      bool ok = BringToFront(other) && BringToFront(main_);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      return ok;
    };
    toggle();
    Sync(main_);
    const std::vector<LRESULT> before = HandleCounts();
    report_.Require(before[0] >= 0, L"the program reports its handle counts");
    int done = 0;
    for (int i = 0; i < 100 && toggle(); ++i) ++done;
    Sync(main_);
    DestroyWindow(other);
    report_.CheckEqual(done, 100, L"the activation went to and fro 100 times");
    const std::vector<LRESULT> after = HandleCounts();
    report_.Check(after == before, L"the program's handle counts are flat over the toggles",
                  L"before " + CountsText(before) + L", after " + CountsText(after));
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    CheckFrame(main_, *builtin_, 1, {}, L"the frame is active again");
  }

  // ----- the system menu

  // The visible pop-up menu windows of the program.
  std::vector<HWND> OpenMenus() {
    std::vector<HWND> menus;
    for (HWND h : TopLevelWindows(app_.Id()))
      if (ClassOf(h) == L"#32768" && IsWindowVisible(h)) menus.push_back(h);
    return menus;
  }

  // Alt+Space on the main window once it is in front and painted; the menu that opens, or null.
  HWND OpenSystemMenu() {
    if (!BringToFront(main_) || !Sync(main_) || !WaitUntilPainted(main_) || !OpenMenus().empty()) return nullptr;
    PressKey(VK_SPACE, VK_MENU);
    HWND menu = nullptr;
    WaitFor([&] {
      const std::vector<HWND> menus = OpenMenus();
      menu = menus.size() == 1 ? menus[0] : nullptr;
      return menu != nullptr;
    }, kWaitMs);
    return menu;
  }

  // The first item of the open system menu `menu` is the skins submenu: selects it, opens
  // it and returns its window (its first skin selected), or null.
  HWND OpenSkinsSubmenu(HWND menu) {
    PressKey(VK_DOWN);
    PressKey(VK_RIGHT);
    HWND sub = nullptr;
    WaitFor([&] {
      for (HWND h : OpenMenus())
        if (h != menu) sub = h;
      return sub != nullptr;
    }, kShortWaitMs);
    return sub;
  }

  // Alt+Space opens the system menu below the caption icon; its skins submenu lists the
  // built-in skin and the skin folder in C:\Skins, and choosing one repaints the whole
  // window in it. Twenty skin changes leave the program's handle counts flat.
  void UseSystemMenu() {
    report_.Step(L"the system menu and its skins");
    if (!report_.Check(!PathExists(kSkinsFolder), L"there is no C:\\Skins before the step (it is not ours to change)"))
      return;
    madeSkins_ = CreateDirectoryW(kSkinsFolder, nullptr) != 0;
    const std::wstring target = std::wstring(kSkinsFolder) + L"\\" + kTestSkin;
    bool copied = madeSkins_ && CreateDirectoryW(target.c_str(), nullptr);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((std::wstring(EQUIDIV_EMBER_FOLDER) + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        copied = copied && CopyFileW((std::wstring(EQUIDIV_EMBER_FOLDER) + L"\\" + found.cFileName).c_str(),
                                     (target + L"\\" + found.cFileName).c_str(), FALSE);
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    report_.Require(copied, L"the test skin is copied to " + target);

    report_.Require(BringToFront(main_), L"the main window comes to the front");
    const RECT w = ScreenRectOf(main_), c = ClientScreenRect(main_);
    const int border = c.left - w.left;
    HWND menu = OpenSystemMenu();
    report_.Require(menu != nullptr, L"Alt+Space opens a menu (#32768)");
    const RECT m = ScreenRectOf(menu);
    report_.Check(m.left == w.left + border && m.top > w.top && m.top < c.top,
                  L"it opens below the caption icon", L"it lies at " + RectText(m));
    const RECT shot = UnionOf(w, m);
    Picture picture = Screenshot(shot, L"e2e-6-system-menu");
    // The system menu is drawn from the skin: its captions in MENUITEM's colour.
    const COLORREF menuText = SectionFontColour(*builtin_, "MENUITEM", false);
    const RECT inShot{m.left - shot.left, m.top - shot.top, m.right - shot.left, m.bottom - shot.top};
    for (const wchar_t* caption : {L"Available skins", L"Move", L"Minimize", L"Close"})
      report_.Check(FindText(picture, inShot, caption, MenuFont(), menuText).found,
                    std::wstring(L"the menu shows \"") + caption + L"\"");

    PressKey(VK_ESCAPE);
    report_.Require(WaitFor([&] { return OpenMenus().empty(); }), L"Escape closes it");

    // A right click on the caption opens it at the pointer, a click on the icon below the icon.
    const POINT onCaption{(w.left + w.right) / 2, w.top + (c.top - w.top) / 2};
    const POINT onIcon{w.left + border + 6, onCaption.y};
    for (const auto& [where, button] : {std::pair{onCaption, Button::Right}, std::pair{onIcon, Button::Left}}) {
      const bool right = button == Button::Right;
      ClickAt(where, button);
      HWND opened = nullptr;
      WaitFor([&] {
        const std::vector<HWND> menus = OpenMenus();
        opened = menus.empty() ? nullptr : menus[0];
        return opened != nullptr;
      }, kShortWaitMs);
      const RECT at = opened ? ScreenRectOf(opened) : RECT{};
      report_.Check(opened && (right ? at.left == where.x && at.top == where.y : at.left == m.left && at.top == m.top),
                    right ? L"a right click on the caption opens it at the pointer"
                          : L"a click on the caption icon opens it below the icon",
                    L"the menu lies at " + RectText(at));
      PressKey(VK_ESCAPE);
      report_.Require(WaitFor([&] { return OpenMenus().empty(); }), L"Escape closes it");
    }

    // The submenu: the first skin (Ember, in sorted order) comes selected.
    menu = OpenSystemMenu();
    report_.Require(menu != nullptr, L"Alt+Space opens it again");
    HWND sub = OpenSkinsSubmenu(menu);
    report_.Require(sub != nullptr, L"the skins submenu opens");
    const RECT sm = ScreenRectOf(sub);
    const RECT subShot = UnionOf(shot, sm);
    const RECT subIn{sm.left - subShot.left, sm.top - subShot.top, sm.right - subShot.left, sm.bottom - subShot.top};
    Screenshot(subShot, L"e2e-6-skins-submenu");
    report_.Check(FindText(CaptureSettled(subShot), subIn, kBuiltinSkin, MenuFont(), menuText).found,
                  L"it lists the built-in skin \"" + std::wstring(kBuiltinSkin) + L"\"");
    // The selection moved off the first item, which then shows in the menu's text colour.
    PressKey(VK_DOWN);
    report_.Check(WaitFor([&] {
                    return FindText(CaptureScreen(subShot), subIn, kTestSkin, MenuFont(), menuText).found;
                  }, kShortWaitMs),
                  L"it lists the skin folder \"" + std::wstring(kTestSkin) + L"\" of C:\\Skins first");
    PressKey(VK_UP);
    PressKey(VK_RETURN);
    report_.Require(WaitFor([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }), L"the menu closes");
    CheckFrame(main_, *testSkin_, 1, {}, L"the frame is repainted in the chosen skin");
    // The client follows: sPanel1 leaves the built-in skin's panel for a different picture.
    const int panelPixels = (ClientSizeOf(panel_).cx - 2) * (ClientSizeOf(panel_).cy - 2) / 2;
    const int changed = PanelDifferences(*builtin_, [&](int n) { return n > panelPixels; }, nullptr);
    report_.Check(changed > panelPixels, L"the client is repainted as well: sPanel1 no longer shows the built-in skin",
                  std::to_wstring(changed) + L" of its pixels differ from it");
    CheckNoKeyColour(Screenshot(ScreenRectOf(main_), L"e2e-6-chosen-skin"), L"the window in the chosen skin");

    // Back and forth between the two skins through the menu.
    auto choose = [&](bool builtin) {
      HWND opened = OpenSystemMenu();
      HWND skins = opened ? OpenSkinsSubmenu(opened) : nullptr;
      if (!skins) return false;
      if (builtin) PressKey(VK_DOWN);
      PressKey(VK_RETURN);
      return WaitFor([&] { return !IsWindow(opened) || !IsWindowVisible(opened); }) && Sync(main_) &&
             WaitUntilPainted(main_);
    };
    report_.Require(choose(true) && choose(false), L"the skins can be chosen again");
    const std::vector<LRESULT> before = HandleCounts();
    int changes = 0;
    for (int i = 0; i < 20 && choose(i % 2 == 0); ++i) ++changes;
    report_.CheckEqual(changes, 20, L"twenty skin changes through the menu");
    const std::vector<LRESULT> after = HandleCounts();
    report_.Check(after == before, L"the program's handle counts are flat over the skin changes",
                  L"before " + CountsText(before) + L", after " + CountsText(after));
    report_.Require(choose(true), L"the built-in skin is chosen again");
    CheckFrame(main_, *builtin_, 1, {}, L"the frame is the built-in skin's again");
    std::wstring first;
    const int panel = PanelDifferences(*builtin_, [](int n) { return n == 0; }, &first);
    report_.Check(panel == 0, L"sPanel1 shows the built-in skin's PANEL section again, pixel for pixel",
                  std::to_wstring(panel) + L" pixels differ; " + first);
    madeSkins_ = false;
    RemoveTree(kSkinsFolder);
    report_.Check(!PathExists(kSkinsFolder), L"C:\\Skins is removed");
  }

  // ----- screenshots

  // Saves what the screen shows in `rect` (once painting has settled) and returns it.
  Picture Screenshot(const RECT& rect, const std::wstring& name) {
    WaitUntilPainted(main_);
    Sync(main_);
    Picture picture = CaptureSettled(rect);
    std::wstring path = shots_ + L"\\" + name + L".bmp";
    if (SaveBmp(picture, path))
      report_.Note(L"screenshot " + name);
    else
      report_.Check(false, L"screenshot " + name + L" is saved", path);
    return picture;
  }

  std::wstring program_;
  std::wstring shots_;
  std::unique_ptr<TsSkinTables> builtin_, testSkin_;
  bool madeSkins_ = false;
  Report report_;
  WorkFolder work_;
  ChildProcess app_;
  Bytes source_;
  std::wstring sourcePath_;

  HWND main_ = nullptr, pages_ = nullptr, panel_ = nullptr, sheet1_ = nullptr, sheet2_ = nullptr;
  HWND open_ = nullptr, fileBox_ = nullptr, countBox_ = nullptr, folderButton_ = nullptr, split_ = nullptr;
  HWND add_ = nullptr, list_ = nullptr, merge_ = nullptr, exit_ = nullptr;
};

}  // namespace
}  // namespace e2e

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    e2e::Print(L"usage: equidiv-e2e EQUIDIV.EXE SCREENSHOT-FOLDER");
    return 2;
  }
  e2e::Scenario scenario(e2e::WindowsPathOf(argv[1]), e2e::WindowsPathOf(argv[2]));
  return scenario.Run();
}
