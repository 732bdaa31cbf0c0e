// The folder dialog's form: a tree of the shell's folders with OK, Cancel and Create
// buttons, framed by a designed frame provider of section "DIALOG". `TsPathDialog`
// (sDialogs.h) makes it, fills it, shows it modally and frees it.
#pragma once

#include "framework/Forms.h"

class TsShellTreeView;
class TsBitBtn;
class TsEdit;
class TsSkinProvider;
class TTreeNode;

class TPathDialogForm : public TForm {
public:
  explicit TPathDialogForm(TComponent* owner);
  const wchar_t* ClassName() const override { return L"TPathDialogForm"; }

  TsShellTreeView* sShellTreeView1 = nullptr;
  TsBitBtn* sBitBtn1 = nullptr;  // OK
  TsBitBtn* sBitBtn2 = nullptr;  // Cancel
  TsBitBtn* sBitBtn3 = nullptr;  // Create
  TsEdit* sEdit1 = nullptr;
  TsSkinProvider* sSkinProvider1 = nullptr;

  void FormCreate(TComponent* sender);
  void sShellTreeView1Change(TComponent* sender, TTreeNode* node);
  void sBitBtn1Click(TComponent* sender);
  void sBitBtn2Click(TComponent* sender);
  void sBitBtn3Click(TComponent* sender);

  // The first "New folder<n>" below `parent` (n = 1, 2, ...) that names nothing yet.
  static String NewFolderName(const String& parent);
};
