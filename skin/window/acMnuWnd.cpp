#include "skin/window/acMnuWnd.h"

#include <algorithm>

#include "framework/Forms.h"
#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/paint/gdi/sTextPainting.h"
#include "skin/window/acHandlerPaint.h"

namespace {

std::vector<TacMnuWnd*>& Handlers() {
  static std::vector<TacMnuWnd*> list;
  return list;
}

}  // namespace

TacMenuPaintState& MenuPaintState() {
  static TacMenuPaintState state;
  return state;
}

TacMnuWnd::TacMnuWnd(HWND window, bool refreshFrame, const std::string& section, TsSkinManager* manager,
                     TsCommonData* binding)
    : TacScrollWnd(window, refreshFrame, section, manager, binding) {
  Handlers().push_back(this);
}

TacMnuWnd::~TacMnuWnd() {
  auto& list = Handlers();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

const std::vector<TacMnuWnd*>& TacMnuWnd::HandlerList() { return Handlers(); }

TacMnuWnd* TacMnuWnd::AttachTo(HWND window, TsSkinManager* manager) {
  if (!IsWindow(window) || HandlerOf(window)) return nullptr;
  auto handler = Create<TacMnuWnd>(window, false, std::string("MAINMENU"), manager, nullptr);
  if (!HandlerOf(window)) return nullptr;  // the window was not taken over: the handler goes
  return handler.release();
}

POINT TacMnuWnd::ClientOrigin() const {
  POINT origin{0, 0};
  ClientToScreen(Window(), &origin);
  RECT window{};
  GetWindowRect(Window(), &window);
  return POINT{origin.x - window.left, origin.y - window.top};
}

int TacMnuWnd::FrameRing() const {
  const POINT origin = ClientOrigin();
  int ring = std::min(origin.x, origin.y);
  const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(Window(), MN_GETHMENU, 0, 0));
  RECT item{}, window{};
  if (menu && GetMenuItemRect(nullptr, menu, 0, &item) && GetWindowRect(Window(), &window)) {
    const int inset = std::min(item.left - window.left, item.top - window.top);
    if (inset > ring && inset < (window.right - window.left) / 2) ring = inset;
  }
  return ring;
}

void TacMnuWnd::BuildCache() {
  UpdateGeometry();
  if (!Binding()->BackgroundChangedFlag) return;
  TBitmap* cache = Binding()->Cache();
  if (!cache || !Manager()) return;
  const int w = WindowSize().cx, h = WindowSize().cy;
  cache->SetPixelFormat(TPixelFormat::pf24bit);
  cache->SetSize(w, h);
  if (cache->Empty()) return;
  TPaintItemSource item = PaintSourceOf(*Binding(), *Manager());
  item.HasParent = false;
  PaintItem(item, BgInfo{}, true, false, cache->View(),
            TPoint{WindowRect().left - ParentRect().left, WindowRect().top - ParentRect().top}, TsRect{0, 0, w, h}, 0);
  RepairCorners(0);
  Binding()->BackgroundChangedFlag = false;
}

void TacMnuWnd::EraseBackground(HDC given) {
  GuardedPaint([&] {
    BuildCache();
    TBitmap* cache = Binding()->Cache();
    if (!cache || cache->Empty()) return;
    TClientDC own;
    HDC dc = given;
    if (!dc) {
      own = TClientDC::Of(Window());
      dc = own.Get();
    }
    if (!dc) return;
    // The client area lies inside the window's frame, where the platform has one.
    const POINT origin = ClientOrigin();
    BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), origin.x, origin.y, SRCCOPY);
  });
  BorderFlag = false;
}

void TacMnuWnd::PaintBorder() {
  GuardedPaint([&] {
    BuildCache();
    const int ring = FrameRing();
    if (ring <= 0) return;  // no frame to paint
    TWindowDC dc = TWindowDC::Of(Window());
    if (!dc.Get()) return;
    const TacMenuPaintState& state = MenuPaintState();
    const TBitmap* picture = state.Picture;
    // The menu's own picture when it was made for this window at its size, else the
    // section's border.
    if (picture && state.Window == Window() && !picture->Empty() && picture->Width() == WindowSize().cx &&
        picture->Height() == WindowSize().cy) {
      CopyBorderRing(dc.Get(), 0, 0, ring, 0, 0, const_cast<TBitmap*>(picture)->Canvas().Handle(), picture->Height(),
                     picture->Width());
      return;
    }
    TBitmap* cache = Binding()->Cache();
    if (cache && !cache->Empty())
      CopyBorderRing(dc.Get(), 0, 0, ring, 0, 0, cache->Canvas().Handle(), cache->Height(), cache->Width());
  });
}

void TacMnuWnd::WndProc(TMessage& message) {
  if (Destroyed()) {
    TacScrollWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_DESTROY:
      // Stays attached until WM_NCDESTROY: the window's procedure runs below ours.
      BorderFlag = false;
      CancelPress();
      message.Result = CallOld(message);
      return;
    case WM_NCDESTROY: {
      BorderFlag = false;
      message.Result = CallOld(message);
      TacMenuPaintState& state = MenuPaintState();
      if (state.Discard) state.Discard();
      state.ItemDrawn = false;
      // Freed once this message has returned.
      Detach(true);
      return;
    }
    case SM_SKINCMD:
      if (!Skinned()) break;
      switch (SkinCommandOf(message.WParam)) {
        case CMD_ISSKINNED: AnswerSkinnedQuery(message); return;
        case CMD_SETUPDATING: message.LParam = BorderFlag ? 1 : 0; return;
        case CMD_DRAWMENUBORDER:
          if (IsWindowVisible(Window())) BorderFlag = true;
          return;
        case CMD_GETAPPLICATION: AnswerSkinnedQuery(message); return;
        default: message.Result = 0; return;
      }
    case WM_ERASEBKGND:
      if (!Skinned() || !MenuPaintState().ItemDrawn) break;
      EraseBackground(reinterpret_cast<HDC>(message.WParam));
      message.Result = 1;
      return;
    case WM_NCPAINT:
      if (!Skinned() || !MenuPaintState().ItemDrawn) break;
      PaintBorder();
      message.Result = 0;
      return;
    case WM_PAINT:
      if (!Skinned()) break;
      // A platform that draws the menu's frame inside the client area has just drawn its
      // own, and the skinned items (drawn during this paint) have prepared the picture.
      TacScrollWnd::WndProc(message);
      if (MenuPaintState().ItemDrawn && ClientOrigin().x == 0) PaintBorder();
      return;
    default: break;
  }
  TacScrollWnd::WndProc(message);
}
