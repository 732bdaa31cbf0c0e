// End-to-end test of how Equidiv finds its skin at start-up. The real program is started
// afresh for each case, with the skin folder C:\Skins absent, holding a skin package,
// holding a skin folder, or holding a skin folder whose options are malformed; the bottom
// panel sPanel1 it shows on the screen is compared pixel for pixel with the picture the
// painting core composes from the skin that should have won, the way TsPanel composes it
// over a form that has no cached picture: section "PANEL", the panel's size, the form's
// colour as parent colour, state 0.
//
//   equidiv-e2e-skins EQUIDIV.EXE SCREENSHOT-FOLDER
//
// Skins: the built-in package the build embeds in the program (EQUIDIV_BUILTIN_PACKAGE),
// the RedPanel fixture packed at build time by `equidiv-skin pack`
// (EQUIDIV_RED_PANEL_PACKAGE, from tests/fixtures/skins/RedPanel), and skin folders whose
// Options.dat this driver writes. The driver makes C:\Skins itself and removes it after
// every case, also when a check fails; a C:\Skins that exists before the run is not its
// own, so the run stops without touching it.
//
// Screenshots are BMP files named skin-startup-*.bmp (the CTest script turns them into PNG).

#include <windows.h>

#include <cstring>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Streams.h"
#include "skin/data/sSkinOptions.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "tests/e2e/support/Files.h"
#include "tests/e2e/support/Input.h"
#include "tests/e2e/support/Process.h"
#include "tests/e2e/support/Report.h"
#include "tests/e2e/support/Screenshot.h"
#include "tests/e2e/support/SkinPictures.h"
#include "tests/e2e/support/Tabs.h"
#include "tests/e2e/support/Wait.h"
#include "tests/e2e/support/WindowQuery.h"

namespace e2e {
namespace {

const wchar_t kSkinsFolder[] = L"C:\\Skins";
const wchar_t kSkinName[] = L"Frost (internal)";
const wchar_t kWarningCaption[] = L"Warning";

// The credit label sLabelFX1 has no window: its bounds in the panel come from the layout.
constexpr RECT kCreditLabel{24, 8, 24 + 193, 8 + 17};

// Options of the skin folders this driver writes. The folder skin's panel is a plain
// green-blue, unlike both the stored skin's and the RedPanel package's.
const char kFolderOptions[] =
    "; written by the end-to-end driver\r\n"
    "[GLOBALINFO]\r\nVERSION=1.0\r\n"
    "[PANEL]\r\nCOLOR=7905280\r\nGRADIENTPERCENT=0\r\nTRANSPARENCY=0\r\n";
// A gradient word that is not a number: loading must stop with the conversion error. (A
// malformed plain integer such as "COLOR=12x" does not: such keys fall back to their
// defaults.)
// Values a skin author could get wrong in every way at once: image counts of 0, mask rows
// beyond the picture, empty tab masks, a huge blur and offset, fade steps beyond reason.
const char kHostileOptions[] =
    "; written by the end-to-end driver\r\n"
    "[GLOBALINFO]\r\nVERSION=1.0\r\nMASTERBITMAP=MASTER.BMP\r\nSHADOW1BLUR=1000000\r\nSHADOW1OFFSET=-100000\r\n"
    "[BUTTON]\r\nBORDERSMASK=^0000^0000^0064^0064^0000^0000^0000^0000^0^0^0^0\r\n"
    "FADINGENABLED=TRUE\r\nFADINGITERATIONS=100000\r\n"
    "[EDIT]\r\nBORDERSMASK=^0000^0000^0064^0064^0000^0000^0000^0000^0^9^9^0\r\n"
    "[PANEL]\r\nBORDERSMASK=^0010^0010^0010^0010^0000^0000^0000^0000^3^1^1^2\r\n"
    "[PAGECONTROL]\r\nBORDERSMASK=^0000^0000^0000^0000^0000^0000^0000^0000^0^0^0^0\r\n"
    "[TABTOP]\r\nBORDERSMASK=^0000^0000^0000^0000^0000^0000^0000^0000^0^0^0^0\r\n"
    "HOTGRADIENTPERCENT=100\r\nHOTGRADIENTDATA=0;0;-100;0;0\r\n";

const char kMalformedOptions[] =
    "; written by the end-to-end driver\r\n"
    "[GLOBALINFO]\r\nVERSION=1.0\r\n"
    "[PANEL]\r\nCOLOR=255\r\nGRADIENTPERCENT=100\r\nGRADIENTDATA=16777215;12x;100;0;0\r\n";

// ---------------------------------------------------------------------------------------
// C:\Skins, made and removed by this driver.

class SkinsFolder {
public:
  SkinsFolder() = default;
  SkinsFolder(const SkinsFolder&) = delete;
  SkinsFolder& operator=(const SkinsFolder&) = delete;
  ~SkinsFolder() { Remove(); }

  static std::wstring Package() { return std::wstring(kSkinsFolder) + L"\\" + kSkinName + L".asz"; }
  static std::wstring SkinFolder() { return std::wstring(kSkinsFolder) + L"\\" + kSkinName; }

  // Makes C:\Skins if this object has not made it yet.
  bool Make() { return made_ || (made_ = CreateDirectoryW(kSkinsFolder, nullptr) != 0); }
  // Removes C:\Skins with all in it, if this object made it. True when it is gone.
  bool Remove() {
    if (made_) RemoveTree(kSkinsFolder);
    made_ = false;
    return !PathExists(kSkinsFolder);
  }

  bool WritePackage(const Bytes& bytes) { return Make() && WriteWholeFile(Package(), bytes); }
  bool WriteFolderOptions(const std::string& text) {
    return Make() && (CreateDirectoryW(SkinFolder().c_str(), nullptr) || PathExists(SkinFolder())) &&
           WriteWholeFile(SkinFolder() + L"\\Options.dat", Bytes(text.begin(), text.end()));
  }

private:
  bool made_ = false;
};

// ---------------------------------------------------------------------------------------
// Warning boxes of the program, counted as they appear: a box stays until it is answered,
// so polling sees every one.

class WarningBoxes {
public:
  explicit WarningBoxes(DWORD pid) : pid_(pid) {}
  // Looks once; returns the box on show (null when none).
  HWND Poll() {
    HWND box = FindTopLevel(pid_, L"#32770", kWarningCaption);
    if (box && box != current_) ++count_;
    current_ = box;
    return box;
  }
  int Count() const { return count_; }

private:
  DWORD pid_;
  HWND current_ = nullptr;
  int count_ = 0;
};

// ---------------------------------------------------------------------------------------

class Scenario {
public:
  Scenario(std::wstring program, std::wstring shots) : program_(std::move(program)), shots_(std::move(shots)) {}

  int Run() {
    try {
      Prepare();
      // Which skin the panel must show, for each content of C:\Skins.
      struct Case {
        const wchar_t* title;
        const wchar_t* shot;
        std::function<void()> fill;  // writes the skins of the case
        std::function<const TsSkinTables*()> expected;
      };
      const Case cases[] = {
          {L"no C:\\Skins: the stored skin", L"skin-startup-a-stored", [] {}, [&] { return builtin_.get(); }},
          {L"a package (and a skin folder) in C:\\Skins: the package", L"skin-startup-b-package",
           [&] {
             report_.Require(skins_.WritePackage(redPanelPackage_), L"the package is written: " + SkinsFolder::Package());
             report_.Require(skins_.WriteFolderOptions(kFolderOptions), L"a skin folder is written beside it");
           },
           [&] { return redPanel_.get(); }},
          {L"a skin folder in C:\\Skins: the folder's skin", L"skin-startup-c-folder",
           [&] {
             report_.Require(skins_.WriteFolderOptions(kFolderOptions),
                             L"the skin folder is written: " + SkinsFolder::SkinFolder());
           },
           [&] { return folderSkin_.get(); }},
      };
      for (const Case& c : cases) {
        report_.Step(c.title);
        c.fill();
        StartProgram();
        CheckPanelShows(*c.expected(), c.shot);
        ExitThroughButton();
        report_.Require(skins_.Remove(), L"C:\\Skins is removed");
      }
      MalformedSkinFolder();
      HostileSkinFolder();
    } catch (const StepFailed&) {
      report_.Note(L"the scenario stopped at the failed step above");
    }
    if (app_.Running()) {
      report_.Note(L"ending the program that is still running");
      app_.Terminate();
    }
    report_.Check(skins_.Remove(), L"C:\\Skins is gone at the end");
    report_.PrintSummary();
    return report_.Failed() == 0 ? 0 : 1;
  }

private:
  // ----- set-up

  void Prepare() {
    report_.Step(L"skins to compare with");
    CreateDirectoryW(shots_.c_str(), nullptr);
    report_.Require(!PathExists(kSkinsFolder), L"there is no C:\\Skins before the run",
                    L"it exists and is not this driver's: remove it from the Wine prefix first");
    builtin_ = LoadPackageTables(EQUIDIV_BUILTIN_PACKAGE);
    report_.Require(builtin_ != nullptr, std::wstring(L"the built-in package loads: ") + EQUIDIV_BUILTIN_PACKAGE);
    auto package = ReadWholeFile(EQUIDIV_RED_PANEL_PACKAGE);
    redPanel_ = LoadPackageTables(EQUIDIV_RED_PANEL_PACKAGE);
    report_.Require(package && redPanel_, std::wstring(L"the RedPanel package loads: ") + EQUIDIV_RED_PANEL_PACKAGE);
    redPanelPackage_ = *package;
    // The folder skin as the program will read it: the same file.
    report_.Require(skins_.WriteFolderOptions(kFolderOptions), L"a skin folder is written");
    folderSkin_ = LoadFolderTables(SkinsFolder::SkinFolder());
    report_.Require(folderSkin_ != nullptr, L"the skin folder loads");
    report_.Require(skins_.Remove(), L"C:\\Skins is removed again");
    // Each case tells its skin from the others only if their panels differ.
    const RECT panel{0, 200, 508, 231};
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const Picture stored = ComposePanel(*builtin_, panel, face), red = ComposePanel(*redPanel_, panel, face),
                  folder = ComposePanel(*folderSkin_, panel, face);
    report_.Require(stored != red && stored != folder && red != folder, L"the three skins' panels differ");
  }

  // ----- the program

  void StartProgram() {
    app_.Terminate();
    std::wstring error;
    report_.Require(app_.Start(program_, L"", error), L"equidiv.exe starts", error);
    main_ = WaitForTopLevel(app_.Id(), L"Tfrmmain", nullptr, kLongWaitMs);
    report_.Require(main_ != nullptr, L"its main window (Tfrmmain) appears");
    FindPanel();
  }

  void FindPanel() {
    panel_ = nullptr;
    for (HWND w : ChildrenOf(main_))
      if (ClassOf(w) == L"TsPanel") panel_ = w;
    report_.Require(panel_ != nullptr, L"sPanel1 is a TsPanel");
    exit_ = FindDescendant(panel_, [](HWND w) { return TextOf(w) == L"退出"; });
    report_.Require(exit_ != nullptr, L"sbtn4 (退出) sits on the panel");
  }

  // Waits until the panel on the screen equals the "PANEL" section of `skin` composed at
  // its size, outside the credit label and sbtn4 (each with a 1-pixel margin).
  void CheckPanelShows(const TsSkinTables& skin, const std::wstring& shot) {
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    MoveMouseTo({0, 0});  // nothing of the window is hot
    const RECT inForm = RectInParent(panel_, main_);
    // The main window has its skinned frame: the panel's corners show the frame
    // provider's background.
    const RECT window = ScreenRectOf(main_), client = ClientScreenRect(main_);
    const auto background = ComposeFormBackground(skin, window.right - window.left, window.bottom - window.top);
    const TSurfaceView backgroundView = background->View();
    const Picture expected = ComposePanel(skin, inForm, GetSysColor(COLOR_BTNFACE), &backgroundView,
                                          POINT{client.left - window.left + inForm.left,
                                                client.top - window.top + inForm.top});
    std::vector<RECT> leftOut = {kCreditLabel, RectInParent(exit_, panel_)};
    for (RECT& r : leftOut) InflateRect(&r, 1, 1);

    Sync(main_);
    Picture seen;
    Difference difference;
    const bool same = WaitFor([&] {
      seen = CaptureScreen(ClientScreenRect(panel_));
      difference = Compare(seen, expected, leftOut);
      return difference.pixels == 0;
    }, kWaitMs, 60);
    report_.Check(same, L"sPanel1 shows the skin's PANEL section composed at " + std::to_wstring(expected.width) +
                            L" x " + std::to_wstring(expected.height) + L", pixel for pixel",
                  DifferenceText(difference));
    if (!same) {
      SaveBmp(seen, shots_ + L"\\" + shot + L"-panel-seen.bmp");
      SaveBmp(expected, shots_ + L"\\" + shot + L"-panel-expected.bmp");
    }
    Screenshot(main_, ScreenRectOf(main_), shot);
  }

  void ExitThroughButton() {
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    ClickWindow(exit_);
    report_.Check(app_.WaitForExit(kWaitMs), L"pressing sbtn4 (退出) ends the program");
    report_.CheckEqual(static_cast<long long>(app_.ExitCode()), 0, L"with exit status 0");
    app_.Terminate();  // only if it did not end by itself
  }

  // ----- a skin that fails to load

  void MalformedSkinFolder() {
    report_.Step(L"a malformed skin folder in C:\\Skins: one warning, then the stored skin");
    report_.Require(skins_.WriteFolderOptions(kMalformedOptions), L"the skin folder with the gradient word \"12x\" is written");
    app_.Terminate();
    std::wstring error;
    report_.Require(app_.Start(program_, L"", error), L"equidiv.exe starts", error);
    WarningBoxes boxes(app_.Id());
    HWND box = nullptr;
    const bool warned = WaitFor([&] { return (box = boxes.Poll()) != nullptr; }, kLongWaitMs);
    report_.Require(warned, L"a warning box (#32770) titled \"Warning\" appears", L"the program has " + WindowsOfProgram());
    HWND textWindow = FindDescendant(box, [](HWND w) { return ClassOf(w) == L"Static" && !TextOf(w).empty(); });
    const std::wstring text = textWindow ? TextOf(textWindow) : L"";
    report_.Check(text.find(kSkinName) != std::wstring::npos && text.find(L"12x") != std::wstring::npos,
                  L"it names the skin and the malformed value", L"it reads \"" + text + L"\"");
    report_.Check(FindDescendant(box, [](HWND w) {
                    return ClassOf(w) == L"Static" && (GetWindowLongW(w, GWL_STYLE) & SS_ICON);
                  }) != nullptr,
                  L"it shows an icon");
    HWND ok = GetDlgItem(box, IDOK);
    report_.Require(ok != nullptr, L"it has an OK button");
    Screenshot(box, ScreenRectOf(box), L"skin-startup-d-warning");
    report_.Require(BringToFront(box), L"the warning box comes to the front");
    ClickWindow(ok);

    main_ = nullptr;
    WaitFor([&] {
      boxes.Poll();
      return boxes.Count() > 1 || (main_ = FindTopLevel(app_.Id(), L"Tfrmmain")) != nullptr;
    }, kLongWaitMs);
    report_.CheckEqual(boxes.Count(), 1, L"no second warning follows");
    report_.Require(main_ != nullptr, L"after OK the main window appears", L"the program has " + WindowsOfProgram());
    Sync(main_);
    boxes.Poll();
    FindPanel();
    CheckPanelShows(*builtin_, L"skin-startup-d-fallback");
    SwitchPages();
    boxes.Poll();
    report_.CheckEqual(boxes.Count(), 1, L"the warning was shown exactly once");
    ExitThroughButton();
  }

  void HostileSkinFolder() {
    report_.Step(L"a hostile skin folder in C:\\Skins: the window opens and works");
    report_.Require(skins_.Remove(), L"C:\\Skins is removed");
    report_.Require(skins_.WriteFolderOptions(kHostileOptions), L"the hostile skin folder is written");
    Picture master;
    master.width = master.height = 64;
    master.bgr.assign(static_cast<size_t>(64 * 64 * 3), 0x80);
    report_.Require(SaveBmp(master, SkinsFolder::SkinFolder() + L"\\MASTER.BMP"), L"its master bitmap is written");
    StartProgram();
    Sync(main_);
    report_.Require(BringToFront(main_), L"the main window comes to the front");
    // Hover every button once: hot looks and fades run on the hostile values.
    for (HWND button : DescendantsOf(main_))
      if (ClassOf(button) == L"TsButton" && IsWindowVisible(button)) {
        RECT r = ScreenRectOf(button);
        MoveMouseTo({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        Sync(main_);
      }
    Screenshot(main_, ScreenRectOf(main_), L"skin-startup-e-hostile");
    SwitchPages();
    ExitThroughButton();
    report_.Require(skins_.Remove(), L"C:\\Skins is removed");
  }

  // The program's top-level windows, visible or not, for failure messages.
  std::wstring WindowsOfProgram() {
    std::wstring seen;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
      if (ProcessOf(w) == app_.Id())
        seen += L"\n          " + Describe(w) + (IsWindowVisible(w) ? L" visible" : L" hidden");
    return seen.empty() ? L"no window" : seen;
  }

  // Clicks the second tab, then the first: each click selects its tab and shows its page
  // alone.
  void SwitchPages() {
    HWND pages = FindDescendant(main_, [](HWND w) { return ClassOf(w).find(L"PageControl") != std::wstring::npos; });
    report_.Require(pages != nullptr, L"the window has its page control");
    const std::vector<HWND> sheets = ChildrenOf(pages);
    auto shownSheet = [&]() -> HWND {
      std::vector<HWND> shown;
      for (HWND sheet : sheets)
        if (IsWindowVisible(sheet)) shown.push_back(sheet);
      return shown.size() == 1 ? shown[0] : nullptr;
    };
    const HWND first = shownSheet();
    report_.Require(first != nullptr, L"one page shows at start");
    for (int index : {1, 0}) {
      const std::wstring name = L"tab " + std::to_wstring(index + 1);
      report_.Require(BringToFront(main_), L"the main window comes to the front");
      RECT tab = TabRect(app_.Handle(), pages, index);
      report_.Require(tab.right > tab.left, name + L" has a place on the screen", RectText(tab));
      ClickWindowAt(pages, {(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
      report_.Check(WaitFor([&] { return TabSelected(pages) == index; }, kShortWaitMs), L"a click on " + name + L" selects it");
      const bool shows = WaitFor([&] {
        const HWND now = shownSheet();
        return now != nullptr && (index == 1 ? now != first : now == first);
      }, kShortWaitMs);
      report_.Check(shows, index == 1 ? L"another page shows, alone" : L"the first page shows again, alone");
    }
  }

  // ----- screenshots

  // Saves the screen area `rect` once `window` is painted.
  void Screenshot(HWND window, const RECT& rect, const std::wstring& name) {
    report_.Check(WaitUntilPainted(window), L"the window is painted");
    Sync(window);
    const Picture picture = CaptureSettled(rect);
    if (SaveBmp(picture, shots_ + L"\\" + name + L".bmp"))
      report_.Note(L"screenshot " + name);
    else
      report_.Check(false, L"screenshot " + name + L" is saved");
  }

  std::wstring program_;
  std::wstring shots_;
  Report report_;
  SkinsFolder skins_;
  ChildProcess app_;
  std::unique_ptr<TsSkinTables> builtin_, redPanel_, folderSkin_;
  Bytes redPanelPackage_;
  HWND main_ = nullptr, panel_ = nullptr, exit_ = nullptr;
};

}  // namespace
}  // namespace e2e

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    e2e::Print(L"usage: equidiv-e2e-skins EQUIDIV.EXE SCREENSHOT-FOLDER");
    return 2;
  }
  e2e::Scenario scenario(e2e::WindowsPathOf(argv[1]), e2e::WindowsPathOf(argv[2]));
  return scenario.Run();
}
