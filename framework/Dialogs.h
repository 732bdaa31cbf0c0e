// Common dialogs (open, save, folder) and the framework's message form.
//
// The open and save dialogs are the platform's (GetOpenFileNameW / GetSaveFileNameW);
// the folder dialog is the platform's folder browser (SHBrowseForFolderW). A dialog that
// fails (rather than being cancelled) raises an error instead of looking cancelled.
//
// The open and save dialogs are always the Explorer-style dialog ("#32770" with its
// controls as child windows, so the skin engine can take them over): they pass a hook
// procedure that leaves every message to the dialog, which keeps Windows 7 and later from
// showing the newer item dialog instead. The platform adds a child dialog of its own for
// the hook inside the dialog.
//
// `ShowMessage` shows a framework form of class "TMessageForm": the text, one OK button,
// no icon, the application title as caption, centred on the screen, modal.
//
// Left out: colour, font, print and find dialogs; hooks of the caller's own and templates.
#pragma once

#include <vector>

#include "framework/Classes.h"
#include "framework/Forms.h"

enum TOpenOption : uint32_t {
  ofReadOnly = 1u << 0,
  ofOverwritePrompt = 1u << 1,
  ofHideReadOnly = 1u << 2,
  ofNoChangeDir = 1u << 3,
  ofShowHelp = 1u << 4,
  ofNoValidate = 1u << 5,
  ofAllowMultiSelect = 1u << 6,
  ofExtensionDifferent = 1u << 7,
  ofPathMustExist = 1u << 8,
  ofFileMustExist = 1u << 9,
  ofCreatePrompt = 1u << 10,
  ofShareAware = 1u << 11,
  ofNoReadOnlyReturn = 1u << 12,
  ofNoTestFileCreate = 1u << 13,
  ofNoNetworkButton = 1u << 14,
  ofNoLongNames = 1u << 15,
  ofOldStyleDialog = 1u << 16,
  ofNoDereferenceLinks = 1u << 17,
  ofEnableIncludeNotify = 1u << 18,
  ofEnableSizing = 1u << 19,
  ofDontAddToRecent = 1u << 20,
  ofForceShowHidden = 1u << 21,
};

class TOpenDialog : public TComponent {
public:
  explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
  const wchar_t* ClassName() const override { return L"TOpenDialog"; }

  // "text|mask|text|mask..."
  const String& Filter() const { return filter_; }
  void SetFilter(const String& filter) { filter_ = filter; }
  // 1 is the first entry; 0 counts as 1.
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int index) { filterIndex_ = index; }
  uint32_t Options() const { return options_; }
  void SetOptions(uint32_t options) { options_ = options; }
  // In: the name the dialog proposes. Out: the (first) chosen file, full path.
  const String& FileName() const { return fileName_; }
  void SetFileName(const String& name) { fileName_ = name; }
  // Every chosen file, full paths, in the order the dialog returned them.
  const std::vector<String>& Files() const { return files_; }
  const String& InitialDir() const { return initialDir_; }
  void SetInitialDir(const String& dir) { initialDir_ = dir; }
  const String& Title() const { return title_; }
  void SetTitle(const String& title) { title_ = title; }
  const String& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const String& ext) { defaultExt_ = ext; }

  // True when the user confirmed; raises when the dialog itself failed.
  virtual bool Execute();

  // The platform filter text: entries separated by NUL, ending with two NULs.
  static String PlatformFilter(const String& filter);
  // Splits the platform's result buffer into full paths: a folder followed by names for a
  // multiple selection (the name offset `fileOffset` then follows a NUL), else one file.
  // Only the one path counts then: the buffer may hold the rest of a longer name it was
  // given, after the NUL.
  static std::vector<String> SplitResult(const wchar_t* buffer, size_t capacity, size_t fileOffset);

protected:
  bool DoExecute(bool save);

private:
  String filter_;
  int filterIndex_ = 1;
  uint32_t options_ = ofHideReadOnly | ofEnableSizing;
  String fileName_;
  std::vector<String> files_;
  String initialDir_;
  String title_;
  String defaultExt_;
};

class TSaveDialog : public TOpenDialog {
public:
  explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
  const wchar_t* ClassName() const override { return L"TSaveDialog"; }
  bool Execute() override;
};

// The folder browser's callback that opens it at the folder whose path (wide text) is the
// BROWSEINFOW's lParam.
int CALLBACK BrowseAtFolder(HWND window, UINT msg, LPARAM, LPARAM path);

// The platform folder browser.
class TFolderDialog : public TComponent {
public:
  explicit TFolderDialog(TComponent* owner) : TComponent(owner) {}
  const wchar_t* ClassName() const override { return L"TFolderDialog"; }

  // In: the folder the dialog opens at. Out: the folder chosen, without a trailing
  // delimiter (a drive root keeps its own).
  const String& Path() const { return path_; }
  void SetPath(const String& path) { path_ = path; }
  // The root of the tree: a folder path; other texts (such as "rfDesktop") mean the desktop.
  const String& Root() const { return root_; }
  void SetRoot(const String& root) { root_ = root; }
  const String& Caption() const { return caption_; }
  void SetCaption(const String& caption) { caption_ = caption; }

  // True when the user chose an item. Path changes only when that item is a folder.
  bool Execute();

private:
  String path_;
  String root_ = L"rfDesktop";
  String caption_;
};

// The form ShowMessage uses.
class TMessageForm : public TForm {
public:
  explicit TMessageForm(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TMessageForm"; }
};

// Builds the message form for `text` (owned by the application; the caller frees it).
TMessageForm* CreateMessageForm(const String& text);
// Shows `text` in a modal message form and returns when it is closed.
void ShowMessage(const String& text);
