#include "app/umain.h"

#include <shellapi.h>

#include "app/AppIcon.h"
#include "app/BuiltinSkin.h"
#include "app/MergeList.h"
#include "engine/JoinOrder.h"
#include "engine/SplitMerge.h"
#include "framework/Convert.h"

const wchar_t kCreditMailLink[] = L"mailto:team@equidiv.example;authors@equidiv.example";

namespace {
constexpr TColor kLabelTextColor = 5059883;  // red 43, green 53, blue 77

void SetLayoutFont(TFont& font, TColor color, uint32_t style = 0) {
  font.SetName(L"MS Sans Serif");
  font.SetHeight(-11);
  font.SetColor(color);
  font.SetCharset(DEFAULT_CHARSET);
  font.SetStyle(style);
}

struct Bounds {
  int left, top, width, height;
};

// The skin stored in the program: the package embedded as a resource, as "Data".
TsStoredSkins StoredSkins() {
  TsStoredSkins skins;
  TsStoredSkin& frost = skins.Add();
  frost.Name = kBuiltinSkinName;
  frost.Shadow1Color = clBlack;
  frost.Shadow1Offset = 0;
  frost.Shadow1Transparency = 0;
  if (std::unique_ptr<TMemoryStream> package = LoadBuiltinSkinPackage()) {
    const auto* bytes = static_cast<const uint8_t*>(package->Memory());
    frost.Data.assign(bytes, bytes + package->Size());
  }
  return skins;
}

template <class T>
T* Place(T* control, TWinControl* parent, Bounds b) {
  control->SetParent(parent);
  control->SetBounds(b.left, b.top, b.width, b.height);
  return control;
}
}  // namespace

Tfrmmain::Tfrmmain(TComponent* owner, bool skinned) : TForm(owner) { CreateLayout(skinned); }

void Tfrmmain::CreateLayout(bool skinned) {
  TLoadingPhase phase(this);
  SetName(L"frmmain");
  SetCaption(L"Equidiv");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetPosition(poScreenCenter);
  SetScreenSnap(true);
  SetColor(clBtnFace);
  SetLayoutFont(Font(), clWindowText);
  SetClientSize(508, 231);
  FillApplicationIcon(Icon());
  OnCreate = [this](TComponent* s) { FormCreate(s); };
  using Handler = void (Tfrmmain::*)(TComponent*);
  const auto addButton = [&](TWinControl* parent, const wchar_t* name, Bounds bounds, const wchar_t* caption,
                             int tabOrder, Handler handler) {
    TsButton* button = phase.Add(new TsButton(this));
    button->SkinData().SetSkinSection("BUTTON");
    button->SetName(name);
    Place(button, parent, bounds);
    button->SetCaption(caption);
    button->SetTabOrder(tabOrder);
    button->OnClick = [this, handler](TComponent* s) { (this->*handler)(s); };
    return button;
  };
  const auto addEdit = [&](const wchar_t* name, Bounds bounds, int tabOrder) {
    TsEdit* edit = phase.Add(new TsEdit(this));
    edit->SkinData().SetSkinSection("EDIT");
    edit->SetName(name);
    TsBoundLabel& label = edit->BoundLabel();
    label.SetIndent(0);
    label.SetLayout(sclLeft);
    label.SetMaxWidth(0);
    label.SetUseSkinColor(true);
    SetLayoutFont(label.Font(), clWindowText);
    edit->SetColor(clWhite);
    edit->SetParentFont(false);
    SetLayoutFont(edit->Font(), clBlack);
    Place(edit, sTabSheet1, bounds);
    edit->SetTabOrder(tabOrder);
    return edit;
  };
  const auto addFolderPageLabel = [&](const wchar_t* name, Bounds bounds) {
    TsLabel* label = phase.Add(new TsLabel(this));
    label->SetName(name);
    label->SetAutoSize(false);
    label->SetParentFont(false);
    SetLayoutFont(label->Font(), kLabelTextColor);
    Place(label, sTabSheet1, bounds);
    return label;
  };

  sPageControl1 = phase.Add(new TsPageControl(this));
  sPageControl1->SetName(L"sPageControl1");
  sPageControl1->SkinData().SetSkinSection("PAGECONTROL");
  Place(sPageControl1, this, {0, 0, 508, 200});
  sPageControl1->SetAlign(alClient);
  sPageControl1->SetTabOrder(0);

  sTabSheet1 = phase.Add(new TsTabSheet(this));
  sTabSheet1->SetName(L"sTabSheet1");
  sTabSheet1->SkinData().CustomColor = false;
  sTabSheet1->SkinData().CustomFont = false;
  sTabSheet1->SetPageControl(sPageControl1);
  sTabSheet1->SetCaption(L"文件分割");

  slbl2 = addFolderPageLabel(L"slbl2", {8, 112, 129, 13});
  slbl2->SetCaption(L"输入平均划分成的数目");

  slbl1 = addFolderPageLabel(L"slbl1", {104, 76, 417, 13});

  sbtn2 = addButton(sTabSheet1, L"sbtn2", {8, 8, 113, 25}, L"打开要均分的文件", 0, &Tfrmmain::sbtn2Click);

  sedt1 = addEdit(L"sedt1", {8, 40, 481, 21}, 1);
  sedt1->SetReadOnly(true);

  sedt2 = addEdit(L"sedt2", {144, 106, 41, 21}, 2);
  sedt2->SetText(L"3");

  sbtn1 = addButton(sTabSheet1, L"sbtn1", {8, 72, 89, 25}, L"指定保存目录", 3, &Tfrmmain::sbtn1Click);

  sbtn3 = addButton(sTabSheet1, L"sbtn3", {9, 144, 88, 25}, L"开始分割", 4, &Tfrmmain::sbtn3Click);

  sTabSheet2 = phase.Add(new TsTabSheet(this));
  sTabSheet2->SetName(L"sTabSheet2");
  sTabSheet2->SkinData().CustomColor = false;
  sTabSheet2->SkinData().CustomFont = false;
  sTabSheet2->SetPageControl(sPageControl1);
  sTabSheet2->SetCaption(L"文件合并");

  sbtn6 = addButton(sTabSheet2, L"sbtn6", {8, 144, 145, 25}, L"按顺序添加要合并的文件", 0, &Tfrmmain::sbtn6Click);

  slst1 = phase.Add(new TsListBox(this));
  slst1->SkinData().SetSkinSection("EDIT");
  slst1->SetName(L"slst1");
  slst1->SetAutoCompleteDelay(500);
  {
    TsBoundLabel& label = slst1->BoundLabel();
    label.SetIndent(0);
    label.SetLayout(sclLeft);
    label.SetMaxWidth(0);
    label.SetUseSkinColor(true);
    SetLayoutFont(label.Font(), clWindowText);
  }
  slst1->SetMultiSelect(true);
  slst1->SetItemHeight(13);
  slst1->SetColor(clWhite);
  slst1->Font().SetColor(clBlack);
  slst1->SetShowHint(true);
  slst1->SetParentShowHint(false);
  Place(slst1, sTabSheet2, {0, 0, 500, 138});
  slst1->SetAlign(alTop);
  slst1->SetTabOrder(1);
  slst1->OnKeyDown = [this](TComponent* s, WORD& key, TShiftState shift) { slst1KeyDown(s, key, shift); };

  sbtn7 = addButton(sTabSheet2, L"sbtn7", {169, 144, 88, 25}, L"开始合并", 2, &Tfrmmain::sbtn7Click);

  sPanel1 = phase.Add(new TsPanel(this));
  sPanel1->SetName(L"sPanel1");
  sPanel1->SkinData().SetSkinSection("PANEL");
  Place(sPanel1, this, {0, 200, 508, 31});
  sPanel1->SetAlign(alBottom);
  sPanel1->SetTabOrder(1);

  sLabelFX1 = phase.Add(new TsLabelFX(this));
  sLabelFX1->SetName(L"sLabelFX1");
  sLabelFX1->SetAutoSize(false);
  sLabelFX1->SetColor(clRed);
  sLabelFX1->SetParentColor(false);
  sLabelFX1->SetParentFont(false);
  SetLayoutFont(sLabelFX1->Font(), kLabelTextColor, fsUnderline);
  Place(sLabelFX1, sPanel1, {24, 8, 193, 17});
  sLabelFX1->SetCaption(L"联系作者: team@equidiv.example");
  sLabelFX1->Kind().SetKindType(ktStandard);
  sLabelFX1->OnClick = [this](TComponent* s) { sLabelFX1Click(s); };

  sbtn4 = addButton(sPanel1, L"sbtn4", {404, 3, 97, 23}, L"退出", 0, &Tfrmmain::sbtn4Click);

  sSkinManager1 = phase.Add(new TsSkinManager(this));
  sSkinManager1->SetName(L"sSkinManager1");
  sSkinManager1->SetInternalSkins(StoredSkins());
  sSkinManager1->SetSkinDirectory(L"c:\\Skins");
  sSkinManager1->MenuSupport().IcoLineSkin = L"ICOLINE";
  SetLayoutFont(sSkinManager1->MenuSupport().ExtraLineFont, clWindowText, 0);
  if (!skinned) sSkinManager1->SetActive(false);
  sSkinManager1->SetSkinName(kBuiltinSkinName);

  sod1 = phase.Add(new TsOpenDialog(this));
  sod1->SetName(L"sod1");

  spdlg1 = phase.Add(new TsPathDialog(this));
  spdlg1->SetName(L"spdlg1");
  spdlg1->SetRoot(L"rfDesktop");

  tmr1 = phase.Add(new TTimer(this));
  tmr1->SetName(L"tmr1");
  tmr1->SetInterval(200);
  tmr1->SetEnabled(true);
  tmr1->SetOnTimer([this](TComponent* s) { tmr1Timer(s); });

  ssdlg1 = phase.Add(new TsSaveDialog(this));
  ssdlg1->SetName(L"ssdlg1");
  ssdlg1->SetOptions(ofOverwritePrompt | ofHideReadOnly | ofEnableSizing);

  pm1 = phase.Add(new TPopupMenu(this));
  pm1->SetName(L"pm1");
  struct MenuEntry {
    TMenuItem** item;
    const wchar_t* name;
    const wchar_t* caption;
    const wchar_t* shortCut;
    void (Tfrmmain::*handler)(TComponent*);
  };
  const MenuEntry items[] = {
      {&N1, L"N1", L"全选", L"Ctrl+A", &Tfrmmain::N1Click},
      {&N2, L"N2", L"-", L"", nullptr},
      {&N3, L"N3", L"删除选中", L"Del", &Tfrmmain::N3Click},
      {&N4, L"N4", L"全部删除", L"", &Tfrmmain::N4Click},
      {&N5, L"N5", L"-", L"", nullptr},
      {&N6, L"N6", L"上移", L"Alt+Up", &Tfrmmain::N6Click},
      {&N7, L"N7", L"下移", L"Alt+Down", &Tfrmmain::N7Click},
      {&N8, L"N8", L"按编号排序", L"", &Tfrmmain::N8Click},
  };
  for (const MenuEntry& entry : items) {
    TMenuItem* item = phase.Add(new TMenuItem(this));
    item->SetName(entry.name);
    item->SetCaption(entry.caption);
    item->SetShortCutText(entry.shortCut);
    if (entry.handler) item->OnClick = [this, h = entry.handler](TComponent* s) { (this->*h)(s); };
    pm1->Items().Add(item);
    *entry.item = item;
  }

  // References to components created later are resolved once everything exists.
  slst1->SetPopupMenu(pm1);
  sPageControl1->SetActivePage(sTabSheet1);
  phase.Finish();
}

void Tfrmmain::FormCreate(TComponent*) {
  sedt1->SetText(L"");
  sedt2->SetText(L"3");
  slbl1->SetCaption(L"");
  slst1->Clear();
}

void Tfrmmain::sbtn2Click(TComponent*) {
  sod1->SetFilter(L"所有文件|*.*");
  sod1->SetFilterIndex(0);
  sod1->SetOptions(ofHideReadOnly | ofEnableSizing);
  if (!sod1->Execute()) return;
  sedt1->SetText(sod1->FileName());
  slbl1->SetCaption(ExtractFilePath(sedt1->Text()));
}

void Tfrmmain::sbtn1Click(TComponent*) {
  spdlg1->SetPath(ExtractFilePath(sedt1->Text()));
  if (spdlg1->Execute()) slbl1->SetCaption(spdlg1->Path());
}

void Tfrmmain::tmr1Timer(TComponent*) {
  sbtn1->SetEnabled(FileExists(sedt1->Text()));
  sbtn3->SetEnabled(sbtn1->Enabled());
}

void Tfrmmain::sbtn3Click(TComponent*) {
  {
    TFileStream source(sedt1->Text(), fmOpenRead | fmShareExclusive);
    source.SetPosition(0);
    const String folder = slbl1->Caption();
    const int32_t count = StrToIntDef(sedt2->Text(), 3);
    SplitIntoParts(source, count, folder, sedt1->Text());
  }  // the source is closed here, also when the split raised
  ShowMessage(L"文件分割完毕");
}

void Tfrmmain::sbtn6Click(TComponent*) {
  sod1->SetFilter(L"局部文件|*.*");
  sod1->SetFilterIndex(0);
  sod1->SetOptions(ofHideReadOnly | ofAllowMultiSelect | ofEnableSizing);
  if (!sod1->Execute()) return;
  // The dialog returns files chosen together in its own text order (".sprt10" before
  // ".sprt2"); they enter in natural order, after the entries already listed.
  slst1->Items().AddStrings(NaturallySorted(sod1->Files()));
}

void Tfrmmain::sbtn7Click(TComponent*) {
  if (slst1->Count() == 0) return;
  const auto proposal = MergeTargetName(slst1->Items()[0]);
  if (!proposal) return;
  if (!ConfirmJoinOrder()) return;
  ssdlg1->SetFileName(*proposal);
  if (!ssdlg1->Execute()) return;
  MergeParts(slst1->Items().ToVector(), ssdlg1->FileName());
  ShowMessage(L"文件合并完毕");
}

void Tfrmmain::sbtn4Click(TComponent*) { Close(); }

void Tfrmmain::sLabelFX1Click(TComponent*) {
  ShellExecuteW(Handle(), nullptr, kCreditMailLink, nullptr, nullptr, SW_SHOWNORMAL);
}

void Tfrmmain::N1Click(TComponent*) { slst1->SelectAll(); }

void Tfrmmain::N3Click(TComponent*) { slst1->DeleteSelected(); }

void Tfrmmain::N4Click(TComponent*) { slst1->Clear(); }

void Tfrmmain::N6Click(TComponent*) { MoveSelectedEntries(-1); }

void Tfrmmain::N7Click(TComponent*) { MoveSelectedEntries(+1); }

void Tfrmmain::N8Click(TComponent*) {
  const std::vector<String> sorted = NaturallySorted(slst1->Items().ToVector());
  slst1->Items().Assign(sorted);
}

void Tfrmmain::slst1KeyDown(TComponent*, WORD& key, TShiftState shift) {
  const TShiftState modifiers = shift & (ssShift | ssAlt | ssCtrl);
  if (key == VK_DELETE && modifiers == 0) {
    slst1->DeleteSelected();
  } else if (key == 'A' && modifiers == ssCtrl) {
    slst1->SelectAll();
  } else if ((key == VK_UP || key == VK_DOWN) && modifiers == ssAlt) {
    // The key goes on to the default handling: the platform then knows that Alt was used
    // with another key, and its release does not enter the window's menu mode.
    MoveSelectedEntries(key == VK_UP ? -1 : +1);
    return;
  } else {
    return;
  }
  key = 0;
}

void Tfrmmain::MoveSelectedEntries(int delta) {
  TListSelection list{slst1->Items().ToVector(), {}};
  for (int i = 0; i < slst1->Count(); ++i) list.selected.push_back(slst1->Selected(i));
  const TListSelection moved = MovedSelection(list, delta);
  if (moved == list) return;
  const int focused = slst1->ItemIndex();
  slst1->Items().BeginUpdate();
  slst1->Items().Assign(moved.items);
  for (size_t i = 0; i < moved.selected.size(); ++i) slst1->SetSelected(static_cast<int>(i), moved.selected[i]);
  slst1->Items().EndUpdate();
  if (focused >= 0 && list.selected[static_cast<size_t>(focused)])
    SendMessageW(slst1->Handle(), LB_SETCARETINDEX, static_cast<WPARAM>(focused + delta), FALSE);
}

bool Tfrmmain::ConfirmJoinOrder() {
  const TJoinOrderVerdict verdict = CheckJoinOrder(slst1->Items().ToVector());
  const std::optional<TJoinOrderQuestion> question = JoinOrderQuestion(verdict);
  if (!question) return true;
  switch (Application->MessageBox(question->text, Application->Title(), question->flags)) {
    case IDYES:
      if (verdict.kind == TJoinOrderVerdict::Kind::OutOfOrder)
        slst1->Items().Assign(SortedByPieceNumber(slst1->Items().ToVector()));
      return true;
    case IDNO: return verdict.kind == TJoinOrderVerdict::Kind::OutOfOrder;
    default: return false;
  }
}
