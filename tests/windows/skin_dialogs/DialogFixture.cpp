#include "DialogFixture.h"

#include "framework/Forms.h"
#include "framework/Handles.h"
#include "skin/dialogs/acDials.h"

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

HWND MakeDialog(DWORD style, DWORD exStyle, const wchar_t* caption, int width, int height, DLGPROC proc,
                HWND owner) {
  // DLGTEMPLATE, then the menu, class and title strings (empty menu and class).
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD));
  auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
  header->style = style & ~WS_VISIBLE;
  header->dwExtendedStyle = exStyle;
  header->cx = 100;
  header->cy = 50;
  words.push_back(0);
  words.push_back(0);
  for (const wchar_t* c = caption; *c; ++c) words.push_back(static_cast<WORD>(*c));
  words.push_back(0);
  words.push_back(0);  // padding: the template must stay DWORD aligned in memory
  HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(words.data()),
                                           owner, proc ? proc : PlainDialogProc, 0);
  if (dialog) SetWindowPos(dialog, nullptr, 100, 100, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  return dialog;
}

HWND AddChild(HWND dialog, const wchar_t* className, const wchar_t* text, DWORD style, RECT bounds, DWORD exStyle,
              int id) {
  return CreateWindowExW(exStyle, className, text, style | WS_CHILD | WS_VISIBLE, bounds.left, bounds.top,
                         bounds.right - bounds.left, bounds.bottom - bounds.top, dialog,
                         reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), GetModuleHandleW(nullptr), nullptr);
}

void DialogTest::SetUp() {
  EnsureApplication();
  ASSERT_EQ(DefaultManager(), nullptr) << "a manager of another test is still alive";
  hooksBefore = LiveHandles(THandleKind::Hook);
  UseDialogHook();
}

void DialogTest::TearDown() {
  manager.reset();
  EXPECT_FALSE(DialogHookInstalled());
  EXPECT_EQ(LiveHandles(THandleKind::Hook), hooksBefore);
  DialogHookSeam() = {};
}

void DialogTest::StartSkin(uint32_t rules) {
  manager = std::make_unique<TsSkinManager>(nullptr);
  manager->SetSkinningRules(rules);
  manager->SetSkinDirectory(skins.Resolved());
  TsStoredSkins stored;
  stored.Add(PackagedSkin(L"Frost"));
  manager->SetInternalSkins(stored);
  manager->SetSkinName(L"Frost");
  ASSERT_TRUE(manager->SkinActive());
}

void DialogTest::ShowActive(HWND dialog) {
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  EXPECT_TRUE(WaitUntil([&] { return GetActiveWindow() == dialog; }));
  Application->ProcessMessages();
  UpdateWindow(dialog);
}
