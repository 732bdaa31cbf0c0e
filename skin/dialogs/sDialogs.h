// The skinned file dialogs: the framework's open and save dialogs under the skin engine's
// class names. They add nothing to the platform dialog but one stored property; their
// skinned look comes at run time from the thread hook, which takes the platform's file
// dialog ("#32770") over as it is activated, like any other platform dialog.
//
// The folder dialog `TsPathDialog` is the engine's own: while a skin is active it shows the
// folder form of acPathDialog.h, otherwise the platform's folder browser. Either way it
// returns a folder of the file system as a plain path: without a trailing delimiter, except
// a drive's root ("C:\").
#pragma once

#include <cstdint>

#include "framework/Dialogs.h"

// How an open dialog is meant to show compressed folders. Stored with the form; nothing
// reads it.
enum class TsZipShowing { zsAsFolder, zsAsFile };

class TsOpenDialog : public TOpenDialog {
public:
  explicit TsOpenDialog(TComponent* owner) : TOpenDialog(owner) {}
  const wchar_t* ClassName() const override { return L"TsOpenDialog"; }

  TsZipShowing ZipShowing() const { return zipShowing_; }
  void SetZipShowing(TsZipShowing showing) { zipShowing_ = showing; }

private:
  TsZipShowing zipShowing_ = TsZipShowing::zsAsFolder;
};

class TsSaveDialog : public TSaveDialog {
public:
  explicit TsSaveDialog(TComponent* owner) : TSaveDialog(owner) {}
  const wchar_t* ClassName() const override { return L"TsSaveDialog"; }
};

enum TSelectDirOpt : uint32_t { sdAllowCreate = 1u << 0, sdPerformCreate = 1u << 1, sdPrompt = 1u << 2 };
using TSelectDirOpts = uint32_t;

class TsPathDialog : public TComponent {
public:
  explicit TsPathDialog(TComponent* owner) : TComponent(owner) {}
  const wchar_t* ClassName() const override { return L"TsPathDialog"; }

  // In: the folder the dialog opens at (a trailing delimiter is dropped). Out: the folder
  // chosen; set only when the user confirmed an existing folder of the file system.
  const String& Path() const { return path_; }
  void SetPath(const String& path) { path_ = path; }
  // The tree's root: a root folder name (rfDesktop, rfMyComputer, ...) or a folder path.
  const String& Root() const { return root_; }
  void SetRoot(const String& root) { root_ = root; }
  // The text above the tree (or the browser's title).
  const String& Caption() const { return caption_; }
  void SetCaption(const String& caption) { caption_ = caption; }
  // False: the current directory becomes the initial folder before the dialog opens.
  bool NoChangeDir() const { return noChangeDir_; }
  void SetNoChangeDir(bool on) { noChangeDir_ = on; }
  // sdAllowCreate shows the Create button; the others are kept only.
  TSelectDirOpts DialogOptions() const { return options_; }
  void SetDialogOptions(TSelectDirOpts options) { options_ = options; }

  // True when the user confirmed a folder and Path took it. Raises EInOutError when the
  // current directory cannot be changed. A call while the dialog is open returns false.
  bool Execute();
  // The dialog is open now.
  bool Executing() const { return executing_; }

private:
  bool ExecuteSkinned(const String& start);
  bool ExecuteBrowser(const String& start);

  String path_;
  String root_ = L"rfDesktop";
  String caption_;
  bool noChangeDir_ = false;
  TSelectDirOpts options_ = sdAllowCreate | sdPerformCreate | sdPrompt;
  bool executing_ = false;
};
