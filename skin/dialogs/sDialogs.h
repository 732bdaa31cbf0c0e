// The skinned file dialogs: the framework's open and save dialogs under the skin engine's
// class names. They add nothing to the platform dialog but one stored property; their
// skinned look comes at run time from the thread hook, which takes the platform's file
// dialog ("#32770") over as it is activated, like any other platform dialog.
//
// Left out: the folder dialog.
#pragma once

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
