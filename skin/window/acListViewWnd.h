// List view handler: colours from the section, and the column header of the report view
// painted from the skin ("COLHEADER", else "BUTTON"): captions in the section's font
// colours, sort arrows from the scroll-button glyphs, the pressed column. The header is
// subclassed while the list view is served; if something else subclassed it on top
// meanwhile, ours stays a pass-through until the header is destroyed.
//
// GUI thread only.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Graphics.h"
#include "framework/Handles.h"
#include "skin/window/acEditWnd.h"

// Where a header caption goes in its column picture (`surface` of the column's size):
// in by 4 at the left and 8 at the right and 1 at the top and bottom, one more when pressed
// (state 2), then `textWidth` + 5 wide aligned by the format's low two bits (0 left,
// 1 right, 2 centre) with `arrowWidth` kept free after it.
RECT HeaderTextRect(const RECT& surface, int state, int textWidth, int arrowWidth, int format);

class TacListViewWnd : public TacEditWnd {
public:
  TacListViewWnd(HWND window, bool refreshFrame, const std::string& section, TsSkinManager* manager,
                 TsCommonData* binding);
  ~TacListViewWnd() override;

  void SaveParams() override;
  void RestoreParams() override;
  void ApplyParams() override;
  void WndProc(TMessage& message) override;

  // The list view shows the report view (LVM_GETVIEW answers LV_VIEW_DETAILS).
  bool ReportView() const;
  // Paints the whole header on `dc`, or on its own window without one.
  void HeaderPaint(HDC dc);

  HWND HeaderWnd = nullptr;
  int PressedColumn = -1;

private:
  class HeaderHook;
  friend class HeaderHook;
  void HookHeader(HWND header);
  void UnhookHeader();
  LRESULT HeaderProc(UINT msg, WPARAM wParam, LPARAM lParam);
  void DrawColumn(HDC dc, const RECT& r, int column);

  std::unique_ptr<HeaderHook> headerHook_;
  TBitmap columnPicture_;  // one column at a time, grown to the largest; kept between paints
};
