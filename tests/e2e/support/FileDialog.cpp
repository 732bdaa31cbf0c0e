#include "tests/e2e/support/FileDialog.h"

#include "tests/e2e/support/Input.h"
#include "tests/e2e/support/Wait.h"
#include "tests/e2e/support/WindowQuery.h"

namespace e2e {

// Control identifiers of the file dialog template: the file name combo box (and the edit
// inside it) and the folder combo box above the file list.
constexpr int kFileNameId = 1148;
constexpr int kFileNameEditId = 1152;
constexpr int kFolderBoxId = 1137;

HWND FileNameEdit(HWND dialog) {
  return FindDescendant(dialog, [](HWND w) {
    int id = GetDlgCtrlID(w);
    return ClassOf(w) == L"Edit" && (id == kFileNameId || id == kFileNameEditId) && IsWindowVisible(w);
  });
}

HWND FolderBox(HWND dialog) { return GetDlgItem(dialog, kFolderBoxId); }

bool IsFileDialog(HWND dialog) {
  return ClassOf(dialog) == L"#32770" && FileNameEdit(dialog) && GetDlgItem(dialog, IDOK);
}

HWND WaitForFileDialog(DWORD pid, DWORD ms) {
  return WaitForTopLevel(pid, L"#32770", nullptr, ms, IsFileDialog);
}

bool TypeFileName(HWND dialog, const std::wstring& text) {
  HWND edit = FileNameEdit(dialog);
  if (!edit || !BringToFront(dialog)) return false;
  ClickWindow(edit);
  if (!WaitFor([&] { return FocusOf(dialog) == edit; }, kShortWaitMs)) return false;
  // Select whatever the box holds, so that the typed text replaces it.
  PressKey(VK_END);
  PressKey(VK_HOME, VK_SHIFT);
  TypeText(text);
  return WaitFor([&] { return TextOf(edit) == text; }, kShortWaitMs);
}

void PressOk(HWND dialog) { ClickWindow(GetDlgItem(dialog, IDOK)); }
void PressCancel(HWND dialog) { ClickWindow(GetDlgItem(dialog, IDCANCEL)); }

bool GoToFolder(HWND dialog, const std::wstring& folder) {
  std::wstring name = folder.substr(folder.find_last_of(L"\\/") + 1);
  auto shown = [&] { return TextOf(FolderBox(dialog)) == name; };
  if (shown()) return true;
  if (!TypeFileName(dialog, folder)) return false;
  PressOk(dialog);
  return WaitFor(shown);
}

}  // namespace e2e
