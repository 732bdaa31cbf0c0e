// The shell's namespace as the folder tree needs it: item identifier lists owned by
// `TItemIdList`, interface pointers owned by `TComRef`, and the operations on items named
// by their full (desktop-relative) identifier lists: parsing a path, display names,
// attributes, the sub-folders of a folder, renaming, special folder locations and icons.
//
// Each operation releases every list and interface it takes; the lists it hands out belong
// to the caller's `TItemIdList`. Failures give an empty list, an empty name or false, never
// an error. COM must be initialised on the calling thread (the application does it).
//
// GUI thread only.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <utility>
#include <vector>

#include "framework/SysUtils.h"

// One reference to a COM interface, released with the owner.
template <class T>
class TComRef {
public:
  TComRef() = default;
  ~TComRef() { Reset(); }
  TComRef(const TComRef&) = delete;
  TComRef& operator=(const TComRef&) = delete;
  TComRef(TComRef&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  TComRef& operator=(TComRef&& other) noexcept {
    if (this != &other) {
      Reset();
      ptr_ = std::exchange(other.ptr_, nullptr);
    }
    return *this;
  }

  T* Get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  // The slot a call fills with a new reference (the old one is released first).
  T** Put() {
    Reset();
    return &ptr_;
  }
  void Reset() {
    if (ptr_) std::exchange(ptr_, nullptr)->Release();
  }

private:
  T* ptr_ = nullptr;
};

// A full item identifier list owned (freed with the shell's allocator). An empty owner
// holds no list; the desktop's list is a list of no items, which is not empty.
class TItemIdList {
public:
  TItemIdList() = default;
  // Takes `list` over.
  explicit TItemIdList(PIDLIST_ABSOLUTE list);
  // A copy of `list` (empty for null).
  static TItemIdList CloneOf(PCIDLIST_ABSOLUTE list);
  ~TItemIdList() { Reset(); }
  TItemIdList(const TItemIdList&) = delete;
  TItemIdList& operator=(const TItemIdList&) = delete;
  TItemIdList(TItemIdList&& other) noexcept : list_(std::exchange(other.list_, nullptr)) {}
  TItemIdList& operator=(TItemIdList&& other) noexcept {
    if (this != &other) {
      Reset();
      list_ = std::exchange(other.list_, nullptr);
    }
    return *this;
  }

  PCIDLIST_ABSOLUTE Get() const { return list_; }
  explicit operator bool() const { return list_ != nullptr; }
  TItemIdList Clone() const;
  void Reset();
  // Live lists made by this unit and not freed yet (for leak checks).
  static int LiveCount();

private:
  PIDLIST_ABSOLUTE list_ = nullptr;
};

// The desktop's own list (no items).
TItemIdList DesktopItem();
// The item of a path (or any parsing name the desktop understands); empty when the shell
// cannot parse it.
TItemIdList ParseShellPath(const String& path, HWND owner = nullptr);
// The item of a special folder (CSIDL_*); empty when there is none.
TItemIdList SpecialFolderItem(int csidl);
// `SHGDN_*` names: SHGDN_FORPARSING gives a file-system item's path, a virtual item's
// "::{...}" name; SHGDN_INFOLDER the name shown in its folder.
String ShellDisplayName(PCIDLIST_ABSOLUTE item, SHGDNF flags);
// Those of the `query` attributes (SFGAO_*) the item has.
ULONG ShellAttributes(PCIDLIST_ABSOLUTE item, ULONG query);
// The folders directly below `folder`, as full lists, in the shell's order.
std::vector<TItemIdList> ShellSubFolders(PCIDLIST_ABSOLUTE folder, HWND owner = nullptr);
// Gives `item` the name `name` in its folder; the item's new list, or empty on failure.
TItemIdList RenameShellItem(PCIDLIST_ABSOLUTE item, const String& name, HWND owner = nullptr);
// The item's picture in the system's small image list (open: its selected picture); -1
// when the shell has none.
int ShellIconIndex(PCIDLIST_ABSOLUTE item, bool open);
// The two lists name the same item.
bool SameShellItem(PCIDLIST_ABSOLUTE a, PCIDLIST_ABSOLUTE b);
// `ancestor` is `item` or one of the folders above it.
bool ShellItemContains(PCIDLIST_ABSOLUTE ancestor, PCIDLIST_ABSOLUTE item);
