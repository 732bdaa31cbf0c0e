// The main window: a page to cut a file into equal pieces, a page to join pieces, and a
// bottom strip with the credit line and the exit button.
//
// The window's state lives in its controls only. The components are created in the
// order of the stored layout inside a loading phase, so every component sees `Loaded`
// afterwards exactly as a streamed window would.
#pragma once

#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "skin/controls/sButton.h"
#include "skin/controls/sEdit.h"
#include "skin/controls/sLabel.h"
#include "skin/controls/sPageControl.h"
#include "skin/controls/sPanel.h"
#include "skin/controls/sSkinListBox.h"
#include "skin/core/sSkinManager.h"
#include "skin/dialogs/sDialogs.h"

class Tfrmmain : public TForm {
public:
  // `owner` (the application) owns the window; the window owns every component below.
  // `skinned` false turns the skin manager off before the skin is named, so the window
  // starts with the framework's plain painting (a benchmark's baseline, not a setting).
  explicit Tfrmmain(TComponent* owner, bool skinned = true);
  const wchar_t* ClassName() const override { return L"Tfrmmain"; }

  // Borrowed pointers to the window's components, in creation order.
  TsPageControl* sPageControl1 = nullptr;
  TsTabSheet* sTabSheet1 = nullptr;
  TsLabel* slbl2 = nullptr;
  TsLabel* slbl1 = nullptr;
  TsButton* sbtn2 = nullptr;
  TsEdit* sedt1 = nullptr;
  TsEdit* sedt2 = nullptr;
  TsButton* sbtn1 = nullptr;
  TsButton* sbtn3 = nullptr;
  TsTabSheet* sTabSheet2 = nullptr;
  TsButton* sbtn6 = nullptr;
  TsListBox* slst1 = nullptr;
  TsButton* sbtn7 = nullptr;
  TsPanel* sPanel1 = nullptr;
  TsLabelFX* sLabelFX1 = nullptr;
  TsButton* sbtn4 = nullptr;
  TsSkinManager* sSkinManager1 = nullptr;
  TsOpenDialog* sod1 = nullptr;
  TsPathDialog* spdlg1 = nullptr;
  TTimer* tmr1 = nullptr;
  TsSaveDialog* ssdlg1 = nullptr;
  TPopupMenu* pm1 = nullptr;
  TMenuItem* N1 = nullptr;
  TMenuItem* N2 = nullptr;
  TMenuItem* N3 = nullptr;
  TMenuItem* N4 = nullptr;
  TMenuItem* N5 = nullptr;
  TMenuItem* N6 = nullptr;
  TMenuItem* N7 = nullptr;
  TMenuItem* N8 = nullptr;

  void FormCreate(TComponent* sender);
  void sbtn2Click(TComponent* sender);
  void sbtn1Click(TComponent* sender);
  void sbtn3Click(TComponent* sender);
  void sbtn6Click(TComponent* sender);
  void sbtn7Click(TComponent* sender);
  void sbtn4Click(TComponent* sender);
  void sLabelFX1Click(TComponent* sender);
  void N1Click(TComponent* sender);
  void N3Click(TComponent* sender);
  void N4Click(TComponent* sender);
  void N6Click(TComponent* sender);
  void N7Click(TComponent* sender);
  void N8Click(TComponent* sender);
  void slst1KeyDown(TComponent* sender, WORD& key, TShiftState shift);
  void tmr1Timer(TComponent* sender);

private:
  void CreateLayout(bool skinned);
  // Moves the selected entries of the merge list one place (-1 up, +1 down).
  void MoveSelectedEntries(int delta);
  // Asks about a list of pieces out of order or incomplete; false when nothing is to be
  // merged. May sort the list first.
  bool ConfirmJoinOrder();
};

// The mail link of the credit line.
extern const wchar_t kCreditMailLink[];
