#include "framework/Shell.h"

#include <shellapi.h>
#include <shlwapi.h>

namespace {
int liveLists = 0;


TComRef<IShellFolder> Desktop() {
  TComRef<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.Put()))) desktop.Reset();
  return desktop;
}

bool IsDesktop(PCIDLIST_ABSOLUTE item) { return item && item->mkid.cb == 0; }

// The folder holding `item` and the item's list relative to it (borrowed from `item`).
bool BindToParentOf(PCIDLIST_ABSOLUTE item, TComRef<IShellFolder>& parent, PCUITEMID_CHILD& child) {
  if (!item) return false;
  if (IsDesktop(item)) {
    parent = Desktop();
    child = reinterpret_cast<PCUITEMID_CHILD>(item);
    return static_cast<bool>(parent);
  }
  return SUCCEEDED(SHBindToParent(item, IID_IShellFolder, reinterpret_cast<void**>(parent.Put()), &child));
}

TComRef<IShellFolder> BindToFolder(PCIDLIST_ABSOLUTE item) {
  TComRef<IShellFolder> desktop = Desktop();
  if (!desktop || IsDesktop(item)) return desktop;
  TComRef<IShellFolder> folder;
  if (FAILED(desktop->BindToObject(item, nullptr, IID_IShellFolder, reinterpret_cast<void**>(folder.Put()))))
    folder.Reset();
  return folder;
}

String StrRetText(STRRET& value, PCUITEMID_CHILD child) {
  wchar_t buffer[MAX_PATH * 2] = {};
  if (FAILED(StrRetToBufW(&value, child, buffer, static_cast<UINT>(std::size(buffer))))) return String();
  return buffer;
}
}  // namespace

TItemIdList::TItemIdList(PIDLIST_ABSOLUTE list) : list_(list) {
  if (list_) ++liveLists;
}

TItemIdList TItemIdList::CloneOf(PCIDLIST_ABSOLUTE list) { return TItemIdList(list ? ILClone(list) : nullptr); }

TItemIdList TItemIdList::Clone() const { return CloneOf(list_); }

void TItemIdList::Reset() {
  if (!list_) return;
  CoTaskMemFree(std::exchange(list_, nullptr));
  --liveLists;
}

int TItemIdList::LiveCount() { return liveLists; }

TItemIdList DesktopItem() {
  auto* list = static_cast<PIDLIST_ABSOLUTE>(CoTaskMemAlloc(sizeof(USHORT)));
  if (!list) return TItemIdList();
  list->mkid.cb = 0;
  return TItemIdList((list));
}

TItemIdList ParseShellPath(const String& path, HWND owner) {
  TComRef<IShellFolder> desktop = Desktop();
  if (!desktop || path.empty()) return TItemIdList();
  String name = path;
  PIDLIST_RELATIVE parsed = nullptr;
  if (FAILED(desktop->ParseDisplayName(owner, nullptr, name.data(), nullptr, &parsed, nullptr))) return TItemIdList();
  return TItemIdList((reinterpret_cast<PIDLIST_ABSOLUTE>(parsed)));
}

TItemIdList SpecialFolderItem(int csidl) {
  PIDLIST_ABSOLUTE list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list))) return TItemIdList();
  return TItemIdList((list));
}

String ShellDisplayName(PCIDLIST_ABSOLUTE item, SHGDNF flags) {
  TComRef<IShellFolder> parent;
  PCUITEMID_CHILD child = nullptr;
  if (!BindToParentOf(item, parent, child)) return String();
  STRRET value{};
  if (FAILED(parent->GetDisplayNameOf(child, flags, &value))) return String();
  return StrRetText(value, child);
}

ULONG ShellAttributes(PCIDLIST_ABSOLUTE item, ULONG query) {
  if (!item) return 0;
  SHFILEINFOW info{};
  info.dwAttributes = query;
  if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(item), 0, &info, sizeof(info),
                      SHGFI_PIDL | SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED))
    return 0;
  return info.dwAttributes & query;
}

std::vector<TItemIdList> ShellSubFolders(PCIDLIST_ABSOLUTE folder, HWND owner) {
  std::vector<TItemIdList> result;
  TComRef<IShellFolder> shellFolder = BindToFolder(folder);
  if (!shellFolder) return result;
  TComRef<IEnumIDList> items;
  // S_FALSE with no enumerator: a folder with nothing to list.
  if (shellFolder->EnumObjects(owner, SHCONTF_FOLDERS, items.Put()) != S_OK || !items) return result;
  PITEMID_CHILD child = nullptr;
  while (items->Next(1, &child, nullptr) == S_OK && child) {
    TItemIdList full((ILCombine(folder, child)));
    CoTaskMemFree(child);
    child = nullptr;
    if (full) result.push_back(std::move(full));
  }
  return result;
}

TItemIdList RenameShellItem(PCIDLIST_ABSOLUTE item, const String& name, HWND owner) {
  TComRef<IShellFolder> parent;
  PCUITEMID_CHILD child = nullptr;
  if (IsDesktop(item) || !BindToParentOf(item, parent, child)) return TItemIdList();
  PITEMID_CHILD renamed = nullptr;
  if (FAILED(parent->SetNameOf(owner, child, name.c_str(), SHGDN_INFOLDER, &renamed)) || !renamed)
    return TItemIdList();
  TItemIdList parentList((ILClone(item)));
  ILRemoveLastID(const_cast<PIDLIST_ABSOLUTE>(parentList.Get()));
  TItemIdList result((ILCombine(parentList.Get(), renamed)));
  CoTaskMemFree(renamed);
  return result;
}

int ShellIconIndex(PCIDLIST_ABSOLUTE item, bool open) {
  if (!item) return -1;
  SHFILEINFOW info{};
  const UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (open ? SHGFI_OPENICON : 0);
  if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(item), 0, &info, sizeof(info), flags)) return -1;
  return info.iIcon;
}

bool SameShellItem(PCIDLIST_ABSOLUTE a, PCIDLIST_ABSOLUTE b) { return a && b && ILIsEqual(a, b); }

bool ShellItemContains(PCIDLIST_ABSOLUTE ancestor, PCIDLIST_ABSOLUTE item) {
  return ancestor && item && (ILIsEqual(ancestor, item) || ILIsParent(ancestor, item, FALSE));
}
