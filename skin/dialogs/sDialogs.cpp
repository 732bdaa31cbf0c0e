#include "skin/dialogs/sDialogs.h"

#include <shlobj.h>

#include <functional>
#include <memory>
#include <utility>

#include "framework/Shell.h"
#include "skin/core/sSkinManager.h"
#include "skin/controls/sBitBtn.h"
#include "skin/dialogs/acPathDialog.h"
#include "skin/dialogs/acShellCtrls.h"

namespace {
class TExecutingScope {
public:
  explicit TExecutingScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~TExecutingScope() { flag_ = false; }
  TExecutingScope(const TExecutingScope&) = delete;
  TExecutingScope& operator=(const TExecutingScope&) = delete;

private:
  bool& flag_;
};

// The application's other windows stay disabled and critical-error boxes stay away while
// the platform's browser is open.
class TBrowserScope {
public:
  explicit TBrowserScope(HWND owner)
      : disabled_(DisableTaskWindows(owner)), errorMode_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~TBrowserScope() {
    SetErrorMode(errorMode_);
    EnableTaskWindows(disabled_);
  }
  TBrowserScope(const TBrowserScope&) = delete;
  TBrowserScope& operator=(const TBrowserScope&) = delete;

private:
  TTaskWindowList disabled_;
  UINT errorMode_;
};
}  // namespace

bool TsPathDialog::Execute() {
  if (executing_) return false;
  const TExecutingScope scope(executing_);
  String start = ExcludeTrailingPathDelimiter(path_);
  if (start == L"." || !DirectoryExists(start)) start.clear();
  if (!noChangeDir_ && !start.empty()) ChDir(start);
  TsSkinManager* manager = DefaultManager();
  if (manager && manager->SkinActive()) return ExecuteSkinned(start);
  return ExecuteBrowser(start);
}

bool TsPathDialog::ExecuteSkinned(const String& start) {
  // Freed on every way out, an error while it is being filled included.
  std::unique_ptr<TPathDialogForm> form(new TPathDialogForm(Application));
  form->AfterConstruction();
  form->SetCaption(L"Select directory");
  form->sBitBtn1->SetCaption(L"OK");
  form->sBitBtn2->SetCaption(L"Cancel");
  form->sBitBtn3->SetCaption(L"Create");
  form->sBitBtn3->SetVisible((options_ & sdAllowCreate) != 0);
  form->sShellTreeView1->BoundLabel().SetCaption(caption_);
  form->sShellTreeView1->SetRoot(root_);
  TsShellTreeView& tree = *form->sShellTreeView1;
  if (!start.empty())
    tree.SelectPath(start);
  else if (tree.RootCount() > 0)
    tree.SetSelected(tree.Root(0));
  if (form->ShowModal() != mrOk) return false;
  // Only a folder of the file system counts as chosen: a virtual item's display name
  // could name some folder below the current directory.
  if (!TsShellTreeView::IsFileSystemFolder(tree.Selected())) return false;
  const String chosen = ExcludeTrailingPathDelimiter(tree.SelectedPath());
  if (chosen.empty() || !DirectoryExists(chosen)) return false;
  path_ = chosen;
  return true;
}

bool TsPathDialog::ExecuteBrowser(const String& start) {
  HWND owner = Application ? Application->DialogOwner() : nullptr;
  TComRef<IMalloc> allocator;
  if (FAILED(SHGetMalloc(allocator.Put())) || !allocator) return false;
  auto* buffer = static_cast<wchar_t*>(allocator->Alloc(MAX_PATH * sizeof(wchar_t)));
  if (!buffer) return false;
  std::unique_ptr<wchar_t, std::function<void(wchar_t*)>> bufferOwner(buffer, [&](wchar_t* b) { allocator->Free(b); });
  buffer[0] = L'\0';
  TItemIdList root = root_.empty() ? TItemIdList() : ParseShellPath(root_, owner);

  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = root.Get();
  info.pszDisplayName = buffer;
  info.lpszTitle = caption_.empty() ? nullptr : caption_.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  if (!start.empty()) {
    info.lpfn = BrowseAtFolder;
    info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  }
  TItemIdList chosen;
  {
    const TBrowserScope browsing(owner);
    chosen = TItemIdList(SHBrowseForFolderW(&info));
  }
  if (!chosen || !SHGetPathFromIDListW(chosen.Get(), buffer)) return false;
  const String path = ExcludeTrailingPathDelimiter(buffer);
  if (path.empty() || !DirectoryExists(path)) return false;
  path_ = path;
  return true;
}
