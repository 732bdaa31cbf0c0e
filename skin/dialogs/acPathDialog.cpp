#include "skin/dialogs/acPathDialog.h"

#include <cwctype>

#include "skin/controls/sBitBtn.h"
#include "skin/controls/sEdit.h"
#include "skin/dialogs/acDials.h"
#include "skin/dialogs/acShellCtrls.h"
#include "skin/window/sSkinProvider.h"

namespace {
TsBitBtn* MakeButton(TPathDialogForm& form, const wchar_t* name, const wchar_t* caption, int left, int tabOrder) {
  auto* button = new TsBitBtn(&form);
  button->SetName(name);
  button->SetParent(&form);
  button->SetBounds(left, 328, 75, 25);
  button->SetCaption(caption);
  button->SetTabOrder(tabOrder);
  button->SkinData().SetSkinSection("BUTTON");
  button->SetShowFocus(false);
  return button;
}

bool SamePathIgnoringCase(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}
}  // namespace

TPathDialogForm::TPathDialogForm(TComponent* owner) : TForm(owner) {
  SetName(L"PathDialogForm");
  SetBorderStyle(bsSizeToolWin);
  SetBounds(415, 306, 319, 397);
  SetCaption(L"Select directory");
  SetColor(clBtnFace);
  Constraints().MinHeight = 250;
  Constraints().MinWidth = 275;
  SetPosition(TPosition::poScreenCenter);
  Font().SetName(L"MS Sans Serif");
  Font().SetHeight(-11);
  OnCreate = [this](TComponent* sender) { FormCreate(sender); };

  sSkinProvider1 = new TsSkinProvider(this);
  sSkinProvider1->SetName(L"sSkinProvider1");
  sSkinProvider1->SkinData().SetSkinSection("DIALOG");
  sSkinProvider1->SetCaptionAlignment(taCenter);
  sSkinProvider1->SetGripMode(gmRightBottom);
  sSkinProvider1->SetMakeSkinMenu(false);
  sSkinProvider1->SetShowAppIcon(false);

  sShellTreeView1 = new TsShellTreeView(this);
  sShellTreeView1->SetName(L"sShellTreeView1");
  sShellTreeView1->SetParent(this);
  sShellTreeView1->SetBounds(8, 20, 295, 299);
  sShellTreeView1->SetTabOrder(0);
  sShellTreeView1->BoundLabel().SetActive(true);
  sShellTreeView1->BoundLabel().SetCaption(L" ");
  sShellTreeView1->BoundLabel().SetIndent(4);
  sShellTreeView1->BoundLabel().SetLayout(sclTopLeft);
  sShellTreeView1->BoundLabel().SetUseSkinColor(true);
  sShellTreeView1->OnChange = [this](TComponent* sender, TTreeNode* node) { sShellTreeView1Change(sender, node); };

  sBitBtn1 = MakeButton(*this, L"sBitBtn1", L"OK", 137, 1);
  sBitBtn1->SetDefault(true);
  sBitBtn1->SetModalResult(mrOk);
  sBitBtn1->OnClick = [this](TComponent* sender) { sBitBtn1Click(sender); };
  sBitBtn2 = MakeButton(*this, L"sBitBtn2", L"Cancel", 214, 2);
  sBitBtn2->SetCancel(true);
  sBitBtn2->SetModalResult(mrCancel);
  sBitBtn2->OnClick = [this](TComponent* sender) { sBitBtn2Click(sender); };
  sBitBtn3 = MakeButton(*this, L"sBitBtn3", L"Create", 12, 3);
  sBitBtn3->SetEnabled(false);
  sBitBtn3->OnClick = [this](TComponent* sender) { sBitBtn3Click(sender); };

  sEdit1 = new TsEdit(this);
  sEdit1->SetName(L"sEdit1");
  sEdit1->SetParent(this);
  sEdit1->SetBounds(8, 288, 289, 21);
  sEdit1->SetVisible(false);
  sEdit1->SetTabOrder(4);
  sEdit1->SkinData().SetSkinSection("EDIT");
}

void TPathDialogForm::FormCreate(TComponent*) {
  sShellTreeView1->SetAnchors(sShellTreeView1->Anchors() | akRight | akBottom);
  sBitBtn1->SetAnchors(akRight | akBottom);
  sBitBtn2->SetAnchors(akRight | akBottom);
  sBitBtn3->SetAnchors(akLeft | akBottom);
  sShellTreeView1->AttachSkin();
}

void TPathDialogForm::sShellTreeView1Change(TComponent*, TTreeNode*) {
  // Only a folder of the file system can be chosen or get a new folder.
  const bool folder = TsShellTreeView::IsFileSystemFolder(sShellTreeView1->Selected()) &&
                      DirectoryExists(sShellTreeView1->SelectedPath());
  sBitBtn1->SetEnabled(folder);
  sBitBtn3->SetEnabled(folder);
}

void TPathDialogForm::sBitBtn1Click(TComponent*) {
  if (sShellTreeView1->IsEditing()) {
    SetModalResult(mrNone);
    sShellTreeView1->EndEditing(false);
    sShellTreeView1->SetFocus();
  } else {
    SetModalResult(mrOk);
  }
}

void TPathDialogForm::sBitBtn2Click(TComponent*) {
  SetModalResult(sShellTreeView1->IsEditing() ? mrNone : mrCancel);
}

String TPathDialogForm::NewFolderName(const String& parent) {
  const String base = IncludeTrailingPathDelimiter(parent) + L"New folder";
  for (int n = 1;; ++n) {
    String name = base + std::to_wstring(n);
    // A file of that name blocks the name as much as a folder does.
    if (!DirectoryExists(name) && !FileExists(name)) return name;
  }
}

void TPathDialogForm::sBitBtn3Click(TComponent*) {
  TTreeNode* parent = sShellTreeView1->Selected();
  if (!parent || !TsShellTreeView::IsFileSystemFolder(parent)) return;
  const String name = NewFolderName(sShellTreeView1->SelectedPath());
  if (!CreateDir(name) || !DirectoryExists(name)) {
    SkinError(L"Directory " + name + L" can`t be created!");
    return;
  }
  sShellTreeView1->RefreshNode(parent);
  sShellTreeView1->AttachSkin();
  TItemIdList item = ParseShellPath(name, Handle());
  TTreeNode* made = item ? sShellTreeView1->FindChild(parent, item.Get()) : nullptr;
  for (int i = 0; !made && i < parent->Count(); ++i)
    if (SamePathIgnoringCase(TsShellTreeView::PathOf(parent->Item(i)), name)) made = parent->Item(i);
  if (!made) return;
  parent->Expand();
  sShellTreeView1->SetSelected(made);
  sShellTreeView1->SetFocus();
  sShellTreeView1->EditText(made);
}
