#include "skin/window/acListViewWnd.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "framework/Handles.h"
#include "framework/Messages.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinText.h"
#include "skin/paint/Borders.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/paint/gdi/sTextPainting.h"

// ---------------------------------------------------------------- TacListViewWnd

RECT HeaderTextRect(const RECT& surface, int state, int textWidth, int arrowWidth, int format) {
  RECT t{surface.left + 4, surface.top + 1, surface.right - 8, surface.bottom - 1};
  if (state == 2) OffsetRect(&t, 1, 1);
  const int tw = textWidth + 5;
  switch (format & 3) {
    case 1:
      t.left = t.right - arrowWidth - tw;
      t.right = t.right - arrowWidth;
      break;
    case 2:
      t.left += (t.right - t.left - tw - arrowWidth) / 2;
      t.right = t.left + tw;
      break;
    default: t.right = t.left + tw; break;
  }
  return t;
}

// The header's procedure stub: its messages go to the list view handler's HeaderProc.
class TacListViewWnd::HeaderHook : public TWindowSubclass {
public:
  explicit HeaderHook(TacListViewWnd& owner) : owner_(owner) {}

protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override { return owner_.HeaderProc(msg, wParam, lParam); }
  void WindowDestroyed() override { owner_.HeaderWnd = nullptr; }

private:
  TacListViewWnd& owner_;
};

TacListViewWnd::TacListViewWnd(HWND window, bool refreshFrame, const std::string& section, TsSkinManager* manager,
                               TsCommonData* binding)
    : TacEditWnd(window, refreshFrame, section, manager, binding) {
  if (HWND header = FindWindowExW(window, nullptr, L"SysHeader32", nullptr); header && !HeaderWnd) HookHeader(header);
}

TacListViewWnd::~TacListViewWnd() {
  Shutdown();
  UnhookHeader();
}

void TacListViewWnd::HookHeader(HWND header) {
  auto hook = std::make_unique<HeaderHook>(*this);
  if (!hook->Attach(header)) return;
  headerHook_ = std::move(hook);
  HeaderWnd = header;
}

void TacListViewWnd::UnhookHeader() {
  if (headerHook_) headerHook_->Detach();
  headerHook_.reset();
  HeaderWnd = nullptr;
}

bool TacListViewWnd::ReportView() const { return SendMessageW(Window(), LVM_GETVIEW, 0, 0) == LV_VIEW_DETAILS; }

void TacListViewWnd::SaveParams() {
  TacEditWnd::SaveParams();
  KeepSavedColors(static_cast<TColor>(SendMessageW(Window(), LVM_GETBKCOLOR, 0, 0)),
                  static_cast<TColor>(SendMessageW(Window(), LVM_GETTEXTCOLOR, 0, 0)));
}

void TacListViewWnd::RestoreParams() {
  if (IsWindow(Window())) {
    SendMessageW(Window(), LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToRGB(clWindowText)));
    SendMessageW(Window(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(clWindow)));
    SendMessageW(Window(), LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(clWindow)));
  }
  UnhookHeader();
  TacEditWnd::RestoreParams();
  if (HWND header = FindWindowExW(Window(), nullptr, L"SysHeader32", nullptr)) InvalidateRect(header, nullptr, TRUE);
}

void TacListViewWnd::ApplyParams() {
  TacEditWnd::ApplyParams();
  const TsGeneralData* section = Binding() ? Binding()->Section() : nullptr;
  TColor back = static_cast<TColor>(ColorToRGB(clWindow)), text = static_cast<TColor>(ColorToRGB(clWindowText));
  if (!DialogMode() && section) {
    back = SkinColorToRGB(section->Color);
    text = SkinColorToRGB(section->FontColor[0]);
  }
  // Only changes are sent: each one repaints the list view.
  if (static_cast<TColor>(SendMessageW(Window(), LVM_GETBKCOLOR, 0, 0)) != back)
    SendMessageW(Window(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
  if (static_cast<TColor>(SendMessageW(Window(), LVM_GETTEXTBKCOLOR, 0, 0)) != back)
    SendMessageW(Window(), LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(back));
  if (static_cast<TColor>(SendMessageW(Window(), LVM_GETTEXTCOLOR, 0, 0)) != text)
    SendMessageW(Window(), LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
}

void TacListViewWnd::WndProc(TMessage& message) {
  if (Destroyed() || !Binding() || !Skinned()) {
    TacEditWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case SM_SKINCMD:
      if (IsSkinCommand(message, CMD_REPAINT) && reinterpret_cast<TsSkinManager*>(message.LParam) == Manager()) {
        TacEditWnd::WndProc(message);
        if (HeaderWnd) RedrawWindow(HeaderWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return;
      }
      break;
    case WM_PAINT: ApplyParams(); break;
    case WM_HSCROLL:
      if (LOWORD(message.WParam) != SB_THUMBTRACK) break;
      SendMessageW(Window(), LVM_SCROLL, static_cast<WPARAM>(HIWORD(message.WParam) - ScrollTracking().LastTrackPos), 0);
      message.Result = 0;
      return;
    case WM_VSCROLL: {
      if (LOWORD(message.WParam) != SB_THUMBTRACK) {
        message.Result = CallOld(message);
        return;
      }
      const int position = HIWORD(message.WParam), last = ScrollTracking().LastTrackPos;
      if (position != last) {
        RECT item{};
        item.left = LVIR_BOUNDS;
        int h = 0;
        if (ReportView() && SendMessageW(Window(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)))
          h = item.bottom - item.top;
        SendMessageW(Window(), LVM_SCROLL, 0, static_cast<LPARAM>(std::max(1, h) * (position - last)));
      }
      message.Result = 0;
      return;
    }
    default: break;
  }
  TacEditWnd::WndProc(message);
  if (Destroyed()) return;
  switch (message.Msg) {
    case WM_STYLECHANGED:
    case LVM_ARRANGE:
    case LVM_INSERTITEMA:
    case LVM_INSERTITEMW: RefreshBars(true); break;
    case WM_LBUTTONUP: ReleaseCapture(); break;
    case WM_PARENTNOTIFY: {
      const UINT event = LOWORD(message.WParam);
      wchar_t name[32]{};
      const auto child = reinterpret_cast<HWND>(message.LParam);
      if ((event != WM_CREATE && event != WM_DESTROY) || !GetClassNameW(child, name, 32) ||
          lstrcmpiW(name, L"SysHeader32") != 0)
        break;
      UnhookHeader();
      if (event == WM_CREATE) HookHeader(child);
      break;
    }
    case WM_PRINT:
      if (ReportView() && message.WParam) {
        const auto dc = reinterpret_cast<HDC>(message.WParam);
        const TSavedDC state(dc);
        POINT origin{};
        GetWindowOrgEx(dc, &origin);
        SetWindowOrgEx(dc, origin.x - LeftEdge, origin.y - LeftEdge, nullptr);
        HeaderPaint(dc);
      }
      break;
    default: break;
  }
}

LRESULT TacListViewWnd::HeaderProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindowSubclass& hook = *headerHook_;
  if (Destroyed() || !Skinned() || !ReportView()) return hook.CallOld(msg, wParam, lParam);
  const bool hotTrack = (GetWindowLongW(HeaderWnd, GWL_STYLE) & HDS_HOTTRACK) != 0;
  switch (msg) {
    case WM_PAINT: HeaderPaint(nullptr); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_WINDOWPOSCHANGED:
      if (IsWindowVisible(Window())) SendMessageW(Window(), WM_NCPAINT, 1, 0);
      break;
    case WM_LBUTTONUP:
      if (hotTrack) PressedColumn = -1;
      break;
    case WM_LBUTTONDOWN: {
      const LRESULT result = hook.CallOld(msg, wParam, lParam);
      if (hotTrack && HeaderWnd) {
        HDHITTESTINFO hit{};
        hit.pt = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const int item = static_cast<int>(SendMessageW(HeaderWnd, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        PressedColumn = (hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) ? -1 : item;
        RedrawWindow(HeaderWnd, nullptr, nullptr, RDW_INVALIDATE);
      }
      return result;
    }
    default: break;
  }
  return hook.CallOld(msg, wParam, lParam);
}

void TacListViewWnd::HeaderPaint(HDC dc) {
  if (!HeaderWnd || !ReportView()) return;
  TPaintDC paint;
  if (!dc) {
    paint = TPaintDC::Begin(HeaderWnd);
    dc = paint.Get();
  }
  if (!dc) return;
  RECT client{};
  GetClientRect(HeaderWnd, &client);
  const int count = static_cast<int>(SendMessageW(HeaderWnd, HDM_GETITEMCOUNT, 0, 0));
  std::vector<int> order(static_cast<size_t>(std::max(count, 0)));
  const bool fullDrag = (GetWindowLongW(HeaderWnd, GWL_STYLE) & HDS_FULLDRAG) != 0;
  if (fullDrag && count > 0)
    SendMessageW(HeaderWnd, HDM_GETORDERARRAY, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(order.data()));
  int right = 0;
  try {
    for (int i = 0; i < count; ++i) {
      const int k = fullDrag ? order[static_cast<size_t>(i)] : i;
      RECT r{};
      SendMessageW(HeaderWnd, HDM_GETITEMRECT, static_cast<WPARAM>(k), reinterpret_cast<LPARAM>(&r));
      if (IsRectEmpty(&r)) continue;
      DrawColumn(dc, r, k);
      right = std::max(right, static_cast<int>(r.right));
    }
    if (right < client.right) DrawColumn(dc, RECT{right, 0, client.right, client.bottom}, -1);
  } catch (...) {
    // Columns drawn so far stay.
  }
}

void TacListViewWnd::DrawColumn(HDC dc, const RECT& r, int column) {
  TsSkinManager* manager = Binding() ? Binding()->SkinManager() : nullptr;
  if (!manager) return;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  TBitmap& surface = columnPicture_;
  surface.SetPixelFormat(TPixelFormat::pf24bit);
  if (surface.Width() < w || surface.Height() < h)
    surface.SetSize(std::max(surface.Width(), w), std::max(surface.Height(), h));
  const int state = PressedColumn >= 0 && PressedColumn == column ? 2 : 0;
  std::string name = "COLHEADER";
  int index = manager->SectionIndex(name);
  if (!manager->IsSectionIndexValid(index)) {
    name = "BUTTON";
    index = manager->SectionIndex(name);
  }
  // The column's part of the picture (its top left corner).
  TSurfaceView view = surface.View();
  view.width = w;
  view.height = h;
  if (manager->IsSectionIndexValid(index))
    PaintSection(index, name, BgInfo{}, -1, -1, &manager->Tables(), view, TPoint{0, 0}, TsRect{0, 0, w, h}, state, true);
  GdiFlush();
  if (column >= 0) {
    TCanvas& canvas = surface.Canvas();
    SelectWindowFont(canvas);
    wchar_t text[129]{};
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_FORMAT;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(HeaderWnd, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    const TsStandardIndexes& s = manager->StandardIndexes();
    int glyphIndex = -1;
    if (item.fmt & HDF_SORTDOWN) glyphIndex = s.ScrollButtonGlyphs[1];
    if (item.fmt & HDF_SORTUP) glyphIndex = s.ScrollButtonGlyphs[0];
    const TMaskRef arrow = MaskRef(manager->Tables(), glyphIndex);
    const int aw = arrow.Valid() ? arrow.FrameWidth() + 6 : 0;
    const int ah = arrow.Valid() ? (arrow.Data->R.Bottom - arrow.Data->R.Top) / (arrow.Data->MaskType + 1) : 0;
    const RECT t = HeaderTextRect(RECT{0, 0, w, h}, state, canvas.TextWidth(text), aw, item.fmt);
    if (arrow.Valid()) PaintGlyphMask(view, TPoint{t.right + 6, (t.bottom - t.top - ah) / 2}, state, arrow, true);
    DrawSectionText(canvas, text, true, manager, state != 0, index,
                    DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS | DT_END_ELLIPSIS, t);
    GdiFlush();
  }
  BitBlt(dc, r.left, r.top, w, h, surface.Canvas().Handle(), 0, 0, SRCCOPY);
}

