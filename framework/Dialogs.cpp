#include "framework/Dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>

#include "framework/Handles.h"
#include "framework/StdCtrls.h"

// ---------------------------------------------------------------- TOpenDialog

String TOpenDialog::PlatformFilter(const String& filter) {
  if (filter.empty()) return String();
  String out = filter;
  std::replace(out.begin(), out.end(), L'|', L'\0');
  out.push_back(L'\0');
  out.push_back(L'\0');
  return out;
}

std::vector<String> TOpenDialog::SplitResult(const wchar_t* buffer, size_t capacity, size_t fileOffset) {
  std::vector<String> parts;
  const bool multiple = fileOffset > 0 && fileOffset <= capacity && buffer[fileOffset - 1] == L'\0';
  if (!multiple) {
    const wchar_t* end = std::find(buffer, buffer + capacity, L'\0');
    if (end != buffer) parts.emplace_back(buffer, end);
    return parts;
  }
  size_t i = 0;
  while (i < capacity && buffer[i] != L'\0') {
    size_t start = i;
    while (i < capacity && buffer[i] != L'\0') ++i;
    parts.emplace_back(buffer + start, buffer + i);
    ++i;
  }
  if (parts.size() <= 1) return parts;
  // A folder followed by the names chosen in it.
  String folder = parts.front();
  if (!folder.empty() && !IsPathDelimiter(folder.back())) folder.push_back(L'\\');
  std::vector<String> files;
  for (size_t k = 1; k < parts.size(); ++k) files.push_back(folder + parts[k]);
  return files;
}

namespace {
DWORD PlatformFlags(uint32_t options) {
  struct Pair {
    uint32_t option;
    DWORD flag;
  };
  static const Pair pairs[] = {
      {ofReadOnly, OFN_READONLY}, {ofOverwritePrompt, OFN_OVERWRITEPROMPT}, {ofHideReadOnly, OFN_HIDEREADONLY},
      {ofNoChangeDir, OFN_NOCHANGEDIR}, {ofShowHelp, OFN_SHOWHELP}, {ofNoValidate, OFN_NOVALIDATE},
      {ofAllowMultiSelect, OFN_ALLOWMULTISELECT}, {ofExtensionDifferent, OFN_EXTENSIONDIFFERENT},
      {ofPathMustExist, OFN_PATHMUSTEXIST}, {ofFileMustExist, OFN_FILEMUSTEXIST}, {ofCreatePrompt, OFN_CREATEPROMPT},
      {ofShareAware, OFN_SHAREAWARE}, {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
      {ofNoTestFileCreate, OFN_NOTESTFILECREATE}, {ofNoNetworkButton, OFN_NONETWORKBUTTON},
      {ofNoLongNames, OFN_NOLONGNAMES}, {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS},
      {ofEnableIncludeNotify, OFN_ENABLEINCLUDENOTIFY}, {ofEnableSizing, OFN_ENABLESIZING},
      {ofDontAddToRecent, OFN_DONTADDTORECENT}, {ofForceShowHidden, OFN_FORCESHOWHIDDEN},
  };
  // A hook procedure makes every Windows show the Explorer-style dialog (without one,
  // Windows 7 and later show the item dialog, whose controls are no child windows).
  DWORD flags = (options & ofOldStyleDialog) ? 0 : OFN_EXPLORER | OFN_ENABLEHOOK;
  for (const Pair& p : pairs)
    if (options & p.option) flags |= p.flag;
  return flags;
}

// Leaves every message to the dialog's own handling.
UINT_PTR CALLBACK ExplorerHook(HWND, UINT, WPARAM, LPARAM) { return 0; }
}  // namespace

bool TOpenDialog::DoExecute(bool save) {
  constexpr size_t kCapacity = 1 << 16;
  std::vector<wchar_t> buffer(kCapacity, L'\0');
  std::copy_n(fileName_.begin(), std::min(fileName_.size(), kCapacity - 2), buffer.begin());
  const String filter = PlatformFilter(filter_);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = Application ? Application->DialogOwner() : nullptr;
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(std::max(filterIndex_, 0));
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(kCapacity);
  ofn.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
  ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
  ofn.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str();
  ofn.Flags = PlatformFlags(options_);
  if (ofn.Flags & OFN_ENABLEHOOK) ofn.lpfnHook = ExplorerHook;

  const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!ok) {
    // Zero means the user cancelled; anything else is a failure the caller must see.
    if (const DWORD error = CommDlgExtendedError())
      throw Exception(FormatMessageText(L"The file dialog failed (error %d)", {std::to_wstring(error)}));
    return false;
  }
  files_ = SplitResult(buffer.data(), kCapacity, ofn.nFileOffset);
  fileName_ = files_.empty() ? String() : files_.front();
  filterIndex_ = static_cast<int>(ofn.nFilterIndex);
  return true;
}

bool TOpenDialog::Execute() { return DoExecute(false); }

bool TSaveDialog::Execute() { return DoExecute(true); }

// ---------------------------------------------------------------- TFolderDialog

int CALLBACK BrowseAtFolder(HWND window, UINT msg, LPARAM, LPARAM path) {
  if (msg == BFFM_INITIALIZED && path) {
    SendMessageW(window, BFFM_SETSELECTIONW, TRUE, path);
    // Once more after the browser has finished its own start-up: Wine's browser
    // sometimes loses the first selection while it is still filling its tree.
    PostMessageW(window, BFFM_SETSELECTIONW, TRUE, path);
  }
  return 0;
}

namespace {
String WithoutTrailingDelimiter(String path) {
  // "C:\" keeps its delimiter; every other folder loses it.
  while (path.size() > 1 && IsPathDelimiter(path.back()) && !(path.size() == 3 && path[1] == L':'))
    path.pop_back();
  return path;
}
}  // namespace

bool TFolderDialog::Execute() {
  String start = path_;
  if (start == L"." || !DirectoryExists(start)) start.clear();
  HWND owner = Application ? Application->DialogOwner() : nullptr;

  PIDLIST_ABSOLUTE root = nullptr;
  IShellFolder* desktop = nullptr;
  if (!root_.empty() && SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop) {
    String name = root_;
    ULONG eaten = 0;
    PIDLIST_RELATIVE parsed = nullptr;
    if (SUCCEEDED(desktop->ParseDisplayName(owner, nullptr, name.data(), &eaten, &parsed, nullptr)))
      root = reinterpret_cast<PIDLIST_ABSOLUTE>(parsed);
    desktop->Release();
  }

  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = root;
  info.pszDisplayName = display;
  info.lpszTitle = caption_.empty() ? nullptr : caption_.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  if (!start.empty()) {
    info.lpfn = BrowseAtFolder;
    info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  }
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (root) CoTaskMemFree(root);
  if (!chosen) return false;
  wchar_t buffer[MAX_PATH * 2] = {};
  const bool hasPath = SHGetPathFromIDListW(chosen, buffer) != FALSE;
  CoTaskMemFree(chosen);
  if (hasPath) {
    String path = WithoutTrailingDelimiter(buffer);
    if (DirectoryExists(path)) path_ = path;
  }
  return true;
}

// ---------------------------------------------------------------- ShowMessage

TMessageForm::TMessageForm(TComponent* owner) : TForm(owner) {
  SetBorderStyle(bsDialog);
  SetBorderIcons(biSystemMenu);
  SetPosition(poScreenCenter);
}

TMessageForm* CreateMessageForm(const String& text) {
  auto form = std::make_unique<TMessageForm>(Application);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    form->Font().SetName(metrics.lfMessageFont.lfFaceName);
    form->Font().SetHeight(metrics.lfMessageFont.lfHeight);
    form->Font().SetCharset(metrics.lfMessageFont.lfCharSet);
  }
  form->SetCaption(Application->Title());

  // Dialog units of the form's font, as the platform's own dialogs measure them.
  const TClientDC screen = TClientDC::Screen();
  const HDC dc = screen.Get();
  const TSelectGuard font(dc, form->Font().Handle());
  SIZE alphabet{};
  static const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  GetTextExtentPoint32W(dc, kAlphabet, 52, &alphabet);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  const int unitX = std::max<int>((alphabet.cx / 26 + 1) / 2, 1), unitY = std::max<int>(tm.tmHeight, 1);
  const int horzMargin = MulDiv(8, unitX, 4), vertMargin = MulDiv(8, unitY, 8);
  const int vertSpacing = MulDiv(10, unitY, 8);
  const int buttonWidth = MulDiv(50, unitX, 4), buttonHeight = MulDiv(14, unitY, 8);
  RECT textRect{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
            DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);

  const int textWidth = textRect.right, textHeight = textRect.bottom;
  const int clientWidth = std::max(textWidth, buttonWidth) + 2 * horzMargin;
  const int clientHeight = vertMargin + textHeight + vertSpacing + buttonHeight + vertMargin;
  form->SetClientSize(clientWidth, clientHeight);

  auto* message = new TLabel(form.get());
  message->SetName(L"Message");
  message->SetParent(form.get());
  message->SetAutoSize(false);
  message->SetWordWrap(true);
  message->SetShowAccelChar(false);
  message->SetBounds(horzMargin, vertMargin, textWidth, textHeight);
  message->SetCaption(text);

  auto* ok = new TButton(form.get());
  ok->SetName(L"OK");
  ok->SetParent(form.get());
  ok->SetCaption(L"OK");
  ok->SetModalResult(mrOk);
  ok->SetDefault(true);
  ok->SetCancel(true);
  ok->SetBounds((clientWidth - buttonWidth) / 2, vertMargin + textHeight + vertSpacing, buttonWidth, buttonHeight);
  form->SetActiveControl(ok);
  return form.release();
}

void ShowMessage(const String& text) {
  std::unique_ptr<TMessageForm> form(CreateMessageForm(text));
  form->ShowModal();
}
