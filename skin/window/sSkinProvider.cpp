#include "skin/window/sSkinProvider.h"

#include <windowsx.h>

#include <algorithm>

#include "framework/Handles.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"

// Every message of the form passes here first; the provider decides whether the form's
// previous procedure runs.
class TsSkinProvider::Handler : public TControlHandler {
public:
  explicit Handler(TsSkinProvider& provider) : provider_(provider) {}
  void Previous(TMessage& message) { CallPrevious(message); }

protected:
  // Errors of the form's own procedure (an event handler run by a key the form passes
  // on) travel on to the framework as without a provider; the provider's painting never
  // raises (see Guarded).
  void HandleMessage(TMessage& message) override { provider_.WndProc(message); }
  void ControlDestroyed() override { provider_.FormWindowGone(); }

private:
  TsSkinProvider& provider_;
};

// What the caption buttons see of the frame.
class TsSkinProvider::CaptionFrame : public TacCaptionFrame {
public:
  explicit CaptionFrame(TsSkinProvider& provider) : p_(provider) {}
  HWND Window() const override { return p_.form_ && p_.form_->HandleAllocated() ? p_.form_->Handle() : nullptr; }
  TsSkinManager* Manager() const override { return p_.skinData_->SkinManager(); }
  std::string Section() const override { return p_.skinData_->SkinSection(); }
  TCaptionRules Rules() const override { return p_.Rules().Caption(); }
  bool LargeImages() const override {
    return p_.form_ && (p_.form_->BorderStyle() == bsSingle || p_.form_->BorderStyle() == bsSizeable);
  }
  int Spacing() const override {
    TsSkinManager* manager = Manager();
    return manager ? manager->GlobalInfo().BISpacing : 0;
  }
  bool Active() const override { return p_.formActive_; }
  TBitmap* ShownPicture() override {
    return p_.Skinned() && p_.form_->Visible() ? p_.skinData_->Cache() : nullptr;
  }
  bool PictureOutOfDate() const override { return p_.skinData_->BackgroundChangedFlag; }
  void RepaintFrame() override { p_.RepaintFrame(); }

private:
  TsSkinProvider& p_;
};

namespace {

TCustomForm* FormInOwnerChain(TComponent* component) {
  for (TComponent* c = component; c; c = c->Owner())
    if (auto* form = dynamic_cast<TCustomForm*>(c)) return form;
  return nullptr;
}

bool HasOtherProvider(TCustomForm* form, const TsSkinProvider* self) {
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* other = dynamic_cast<TsSkinProvider*>(form->Components(i));
    if (other && other != self && other->Form() == form) return true;
  }
  return false;
}

// Moving a window by the mouse from wherever it was pressed.
constexpr WPARAM kDragMove = 0xF012;


}  // namespace

TsSkinProvider::TsSkinProvider(TComponent* owner)
    : TComponent(owner),
      captionFrame_(std::make_unique<CaptionFrame>(*this)),
      buttons_(std::make_unique<TacCaptionButtons>(*captionFrame_, &titleButtons_)),
      skinData_(std::make_unique<TsCommonData>(this, true)) {
  skinData_->ControlKind = COC_TsSkinProvider;
  skinData_->SetSkinSection("FORM");
  TCustomForm* form = FormInOwnerChain(owner);
  if (!form || HasOtherProvider(form, this)) return;
  form_ = form;
  handler_ = std::make_unique<Handler>(*this);
  handler_->Install(*form_);
  RegisterProviderForm(form_);
  TsSkinManager* manager = skinData_->SkinManager();
  if (manager && manager->SkinActive()) InitializeFrame();
}

TsSkinProvider::~TsSkinProvider() {
  // First, while the provider is whole: giving the capture back sends the form a message.
  outline_.End(false);
  if (form_) {
    UnregisterProviderForm(form_);
    // The form may be half gone (its components are freed last): touch it only while it
    // is not being destroyed.
    const bool formAlive = !form_->IsDestroying() && !windowGone_;
    if (formAlive) UninitializeFrame();
    // Reverse order of hooking: nothing of ours is chained after the handler yet, so the
    // handler goes first (and only while it is first; otherwise it passes messages on).
    FreeAdapter();
    if (handler_) handler_->Remove();
    if (formAlive && form_->HandleAllocated())
      RedrawWindow(form_->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  handler_.reset();
  form_ = nullptr;
}

TsSkinProvider* FindProvider(TCustomForm* form) {
  if (!form || !form->HandleAllocated()) return nullptr;
  return reinterpret_cast<TsSkinProvider*>(SendSkinCommand(form->Handle(), CMD_FINDPROVIDER, 0));
}

// ---------------------------------------------------------------- settings

void TsSkinProvider::SetCaptionAlignment(TAlignment alignment) {
  captionAlignment_ = alignment;
  RepaintFrame();
}

void TsSkinProvider::SetShowAppIcon(bool on) {
  showAppIcon_ = on;
  RepaintFrame();
}

void TsSkinProvider::SetTitleSkin(const std::string& name) {
  titleSkin_ = name;
  RepaintFrame();
}

void TsSkinProvider::SetUseGlobalColor(bool on) {
  useGlobalColor_ = on;
  ApplyGlobalColor();
}

std::string TsSkinProvider::TitleSection() const { return titleSkin_.empty() ? "FORMTITLE" : titleSkin_; }

int TsSkinProvider::TitleIndex() const {
  TsSkinManager* manager = skinData_->SkinManager();
  return manager ? manager->SectionIndex(TitleSection()) : -1;
}

bool TsSkinProvider::Skinned() const {
  return form_ && !form_->IsDestroying() && !windowGone_ && skinData_->Skinned();
}

void TsSkinProvider::Invalidate() { skinData_->BackgroundChangedFlag = true; }

void TsSkinProvider::RepaintFrame() {
  Invalidate();
  if (Skinned() && form_->HandleAllocated() && form_->Visible()) GuardedPaint([&] { OnNcPaint(); });
}

// ---------------------------------------------------------------- set-up

void TsSkinProvider::InitializeFrame() {
  if (!form_) return;
  skinData_->Loaded();
  if (!skinData_->Skinned()) {
    // A skin without the form's section: the platform's frame, as without a skin.
    UninitializeFrame();
    if (form_->HandleAllocated() && form_->Visible())
      SetWindowPos(form_->Handle(), nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  if (!systemMenu_) systemMenu_ = new TsSystemMenu(this, form_);
  systemMenu_->UpdateItems();
  SetSysMenuStyle(false);
  ScanControls();
  CallHook(FrameHooks().ScrollBars, true);
  CallHook(FrameHooks().Menus, true);
  ApplyGlobalColor();
  Invalidate();
  regionChanged_ = true;
  if (form_->HandleAllocated() && form_->Visible()) {
    // The frame changed hands: the platform recomputes and repaints it through us.
    SetWindowPos(form_->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(form_->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
}

void TsSkinProvider::UninitializeFrame() {
  if (!form_ || !form_->HandleAllocated()) return;
  outline_.End(false);
  FreeAdapter();
  CallHook(FrameHooks().ScrollBars, false);
  CallHook(FrameHooks().Menus, false);
  SetSysMenuStyle(true);
  if (regionGiven_) {
    SetWindowRgn(form_->Handle(), nullptr, TRUE);
    regionGiven_ = false;
  }
  regionChanged_ = true;
  if (useGlobalColor_ && !skinData_->CustomColor()) form_->SetColor(clBtnFace);
}

void TsSkinProvider::SetSysMenuStyle(bool on) {
  if (!form_ || !form_->HandleAllocated()) return;
  HWND window = form_->Handle();
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  if (!on) {
    // The provider draws the caption buttons; with WS_SYSMENU the platform would draw its own.
    if (!(style & WS_SYSMENU) || form_->BorderIcons() == 0) return;
    SetWindowLongPtrW(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_SYSMENU));
    removedSysMenu_ = true;
  } else if (removedSysMenu_) {
    SetWindowLongPtrW(window, GWL_STYLE, style | WS_SYSMENU);
    removedSysMenu_ = false;
  }
}

void TsSkinProvider::ApplyGlobalColor() {
  if (!form_ || form_->IsDestroying() || !useGlobalColor_ || skinData_->CustomColor()) return;
  TsSkinManager* manager = skinData_->SkinManager();
  if (!manager) return;
  form_->SetColor(Skinned() ? manager->GlobalColor() : clBtnFace);
}

void TsSkinProvider::FormWindowGone() {
  windowGone_ = true;
  regionGiven_ = false;
  if (form_) UnregisterProviderForm(form_);
}

// ---------------------------------------------------------------- messages

void TsSkinProvider::CallOld(TMessage& message) { handler_->Previous(message); }

void TsSkinProvider::WndProc(TMessage& message) {
  // The outline's DC and capture never outlive the window.
  if (message.Msg == WM_DESTROY) outline_.End(false);
  if (message.Msg == SM_SKINCMD && CommonCommand(message)) return;
  if (!Skinned()) {
    if (IsSkinCommand(message, CMD_FINDPROVIDER)) {
      message.Result = reinterpret_cast<LRESULT>(this);
      return;
    }
    CallOld(message);
    return;
  }
  SkinnedMessage(message);
}

// The commands served whether or not the form is skinned now.
bool TsSkinProvider::CommonCommand(TMessage& message) {
  TsSkinManager* own = skinData_->SkinManager();
  const bool forThisManager = reinterpret_cast<TsSkinManager*>(message.LParam) == own;
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINLOADED:
      if (forThisManager && form_ && !form_->IsDestroying() && !windowGone_) {
        InitializeFrame();
        RepaintFrame();
      }
      return true;
    case CMD_SKINREMOVED:
      if (forThisManager) {
        skinData_->CommonWndProc(message);
        skinData_->SectionIndex = -1;
        UninitializeFrame();
        if (form_ && form_->HandleAllocated() && !windowGone_)
          SetWindowPos(form_->Handle(), nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return true;
    case CMD_ISSKINNED:
    case CMD_GETAPPLICATION:
      return AnswerSkinnedQuery(message);
    case CMD_GETCLIENTOFFSET: {
      const TFrameGeometry g = Geometry();
      message.Result = static_cast<LRESULT>(PackWords(static_cast<WORD>(g.OffsetX), static_cast<WORD>(g.OffsetY)));
      return true;
    }
    default:
      return false;
  }
}

void TsSkinProvider::SkinnedCommand(TMessage& message) {
  switch (SkinCommandOf(message.WParam)) {
    case CMD_REPAINT:
      if (reinterpret_cast<TsSkinManager*>(message.LParam) == skinData_->SkinManager()) {
        ScanControls();
        CallHook(FrameHooks().ScrollBars, true);
        CallHook(FrameHooks().Menus, true);
        Invalidate();
        skinData_->UpdatingFlag = false;
        regionChanged_ = true;
        if (form_->Visible()) {
          ApplyGlobalColor();
          GuardedPaint([&] { OnNcPaint(); });
          InvalidateRect(form_->Handle(), nullptr, FALSE);
        }
      }
      return;
    case CMD_FINDPROVIDER:
      message.Result = reinterpret_cast<LRESULT>(this);
      return;
    case CMD_CONTROLADDED:
      if (!form_->IsLoading() && message.LParam) {
        // The control itself, then whatever it holds.
        auto* control = dynamic_cast<TWinControl*>(reinterpret_cast<TControl*>(message.LParam));
        if (control) ScanControls(control);
        if (control && adapter_ && adapter_->IsControlSupported(control)) adapter_->AddNewItem(control);
      }
      return;
    case CMD_GETBGINFO:
      if (!IsLoading()) {
        if (skinData_->BackgroundChangedFlag) GuardedPaint([&] { PaintAll(); });
        const TFrameGeometry g = Geometry();
        TBitmap* cache = skinData_->Cache();
        AnswerBackground(message, BgInfo{cache ? cache->View() : TSurfaceView{}, g.OffsetX, g.OffsetY, cache && !cache->Empty()});
      }
      return;
    case CMD_SETUPDATING:
      skinData_->UpdatingFlag = SkinArgumentOf(message.WParam) == 1;
      if (skinData_->UpdatingFlag) Invalidate();
      return;
    case CMD_ISBGBUSY:
      message.LParam = message.Result = skinData_->BackgroundChangedFlag || skinData_->UpdatingFlag ? 1 : 0;
      return;
    case CMD_PAINTINGCHILD:
      skinData_->PaintingChild = reinterpret_cast<TControl*>(message.LParam);
      return;
    case CMD_ISBGVARIABLE: {
      const TsGeneralData* section = skinData_->Section();
      const bool variable = section && section->GradientPercent + section->ImagePercent > 0;
      message.LParam = message.Result = variable ? 1 : 0;
      return;
    }
    case CMD_GETCOLOR: {
      const TsGeneralData* section = skinData_->Section();
      AnswerColor(message, section && !skinData_->CustomColor() ? static_cast<TColor>(section->HotColor)
                                                                : static_cast<TColor>(ColorToRGB(form_->Color())));
      return;
    }
    default:
      return;
  }
}

void TsSkinProvider::SkinnedMessage(TMessage& message) {
  if (OutlineMessage(message) || OnNcMouse(message)) return;
  switch (message.Msg) {
    case SM_SKINCMD:
      SkinnedCommand(message);
      return;
    case WM_CREATE:
      CallOld(message);
      InitializeFrame();
      return;
    case WM_NCPAINT:
      GuardedPaint([&] { OnNcPaint(); });
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
      message.Result = 0;
      return;
    case WM_PAINT:
      // Before the form is visible (or while it is made) only an alpha-blended form's own
      // procedure paints; every other request is answered here.
      if (form_->AlphaBlend() && (!form_->Visible() || (form_->ControlState() & csCreating))) {
        CallOld(message);
        return;
      }
      GuardedPaint([&] { OnPaint(message); });
      message.Result = 0;
      return;
    case WM_PRINT:
      GuardedPaint([&] { OnPrint(message); });
      return;
    case WM_PRINTCLIENT:
      return;
    case WM_NCACTIVATE:
      OnNcActivate(message);
      return;
    case WM_SETTEXT:
      OnSetText(message);
      return;
    case WM_ACTIVATE:
      CallOld(message);
      if (!(form_->ControlState() & csCreating)) {
        const bool active = LOWORD(message.WParam) != WA_INACTIVE;
        if (active != formActive_) {
          formActive_ = active;
          RepaintFrame();
        }
        CallHook(FrameHooks().Menus, true);
        if (systemMenu_) systemMenu_->UpdateItems();
      }
      return;
    case WM_SIZE:
      Invalidate();
      regionChanged_ = true;
      CallOld(message);
      if (form_->Visible())
        RedrawWindow(form_->Handle(), nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_INVALIDATE);
      return;
    case WM_WINDOWPOSCHANGING:
      if (regionBusy_) return;
      if (screenSnap_ && message.LParam) SnapToWorkArea(*reinterpret_cast<WINDOWPOS*>(message.LParam));
      CallOld(message);
      return;
    case WM_WINDOWPOSCHANGED:
    case WM_EXITSIZEMOVE: {
      CallOld(message);
      if (regionBusy_ || !form_->Visible()) return;
      TsSkinManager* manager = skinData_->SkinManager();
      if (manager && manager->SkinChanging()) return;
      const TFrameGeometry g = Geometry();
      TBitmap* cache = skinData_->Cache();
      if (!cache || cache->Width() != g.Width || cache->Height() != g.Height) {
        regionChanged_ = true;
        RepaintFrame();
      }
      return;
    }
    case WM_SYSCOMMAND: {
      const WPARAM command = message.WParam & 0xFFF0;
      if (message.WParam == kDragMove) RepaintFrame();
      CallOld(message);
      if (command == SC_MAXIMIZE || command == SC_RESTORE || command == SC_MINIMIZE) {
        buttons_->Reset();
        RepaintFrame();
        if (systemMenu_) systemMenu_->UpdateItems();
      }
      // Alt+Space: the platform has no system menu of a skinned form to open.
      if (command == SC_KEYMENU && LOWORD(message.LParam) == VK_SPACE && (form_->BorderIcons() & biSystemMenu))
        PopupAtIcon();
      return;
    }
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(message);
      return;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
      if (!systemMenu_ || !systemMenu_->OwnerDrawMessage(message)) CallOld(message);
      return;
    case WM_PARENTNOTIFY:
      CallOld(message);
      if (LOWORD(message.WParam) == WM_CREATE && !IsLoading() && !form_->IsLoading()) ScanControls();
      return;
    case CM_CONTROLLISTCHANGE:
      CallOld(message);
      if (message.LParam && adapter_) {
        auto* control = dynamic_cast<TWinControl*>(reinterpret_cast<TControl*>(message.WParam));
        if (control && adapter_->IsControlSupported(control)) adapter_->AddNewItem(control);
      }
      return;
    case WM_SETTINGCHANGE:
      Invalidate();
      CallOld(message);
      return;
    case WM_ENTERIDLE:
      message.Result = 0;
      return;
    case CM_ENABLEDCHANGED:
      CallOld(message);
      RepaintFrame();
      return;
    case CM_COLORCHANGED:
      if (skinData_->CustomColor()) {
        Invalidate();
        CallOld(message);
      }
      return;
    default:
      CallOld(message);
      return;
  }
}

// The platform repaints its own caption on these two without WM_NCPAINT. Activation is
// passed on with LParam -1 (the documented "do not repaint the frame"); text changes are
// passed on while the style lacks one of the WS_CAPTION bits, which is what the platform
// tests before drawing the caption. Either way the skinned frame follows at once.
void TsSkinProvider::OnNcActivate(TMessage& message) {
  const bool active = message.WParam != 0;
  if (!form_->Visible()) {
    CallOld(message);
    return;
  }
  if (active != formActive_) Invalidate();
  TMessage quiet = message;
  quiet.LParam = -1;
  CallOld(quiet);
  message.Result = quiet.Result;
  if (!(form_->ControlState() & csCreating) && HasFrame(*form_)) formActive_ = active;
  GuardedPaint([&] { OnNcPaint(); });
}

void TsSkinProvider::OnSetText(TMessage& message) {
  if (!form_->Visible() || !HasFrame(*form_)) {
    CallOld(message);
    Invalidate();
    return;
  }
  HWND window = form_->Handle();
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  const bool caption = (style & WS_CAPTION) == WS_CAPTION;
  if (caption) SetWindowLongPtrW(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_DLGFRAME));
  try {
    CallOld(message);
  } catch (...) {
    if (caption) SetWindowLongPtrW(window, GWL_STYLE, style);
    throw;
  }
  if (caption) SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) | WS_DLGFRAME);
  RepaintFrame();
}

// ---------------------------------------------------------------- caption buttons and mouse

TsWindowRules TsSkinProvider::Rules() const { return form_ ? WindowRulesOf(*form_) : TsWindowRules{}; }

POINT TsSkinProvider::WindowPointFromScreen(LPARAM lParam) const {
  RECT w{};
  GetWindowRect(form_->Handle(), &w);
  return POINT{GET_X_LPARAM(lParam) - w.left, GET_Y_LPARAM(lParam) - w.top};
}

POINT TsSkinProvider::WindowPointFromClient(LPARAM lParam) const {
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ClientToScreen(form_->Handle(), &p);
  return WindowPointFromScreen(MAKELPARAM(p.x, p.y));
}

int TsSkinProvider::HitTest(POINT p) {
  const TFrameGeometry g = Geometry();
  const int answer = buttons_->HitTest(p, g, IconRect(g));
  if (answer != 0) return answer;
  POINT grip{};
  if (GripOrigin(g, grip) && p.x > grip.x && p.y > grip.y) return HTBOTTOMRIGHT;
  return 0;
}

// The release of a held button: it counts only over the pressed button itself.
void TsSkinProvider::Release(POINT p) {
  const int code = buttons_->Release(p);
  // Posted: the command may free the form, which must not happen inside its own procedure.
  if (const WPARAM command = TacCaptionButtons::CommandOf(code, Rules().Caption()))
    PostMessageW(form_->Handle(), WM_SYSCOMMAND, command, 0);
}

// Non-client mouse messages of the caption buttons; true when handled here.
bool TsSkinProvider::OnNcMouse(TMessage& message) {
  HWND window = form_->Handle();
  switch (message.Msg) {
    case WM_NCHITTEST: {
      if (Geometry().CaptionHeight == 0 || buttons_->PressedCode()) return false;
      const POINT p = WindowPointFromScreen(message.LParam);
      const int answer = HitTest(p);
      if (answer == 0 || answer == HTCAPTION) {
        CallOld(message);
        buttons_->SetHot(0);
      } else {
        message.Result = answer;
      }
      if (OnZoomedBorder(window, p, Geometry())) {
        buttons_->SetHot(0);
        message.Result = HTTRANSPARENT;
      }
      return true;
    }
    case WM_NCMOUSEMOVE:
      CallOld(message);
      buttons_->NonClientMoved();
      return true;
    case WM_NCMOUSELEAVE:
      buttons_->NonClientLeft();
      CallOld(message);
      return true;
    case WM_NCLBUTTONDOWN: {
      const int code = static_cast<int>(message.WParam);
      if (code == HTSYSMENU) {
        buttons_->SetHot(0);
        PopupAtIcon();
        return true;
      }
      if (buttons_->IsButton(code)) {
        buttons_->Press(code, POINT{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
        return true;
      }
      buttons_->SetHot(0);
      if (IsIconic(window)) {
        SendMessageW(window, WM_SYSCOMMAND, kDragMove, 0);
        return true;
      }
      if (IsZoomed(window) && WindowPointFromScreen(message.LParam).y < Geometry().HeaderHeight()) {
        // A maximised window does not move: a press on its caption only activates it.
        if (GetActiveWindow() != window) SetActiveWindow(window);
        return true;
      }
      if (resizeMode_ == rmBorder && code != HTMENU && (code == HTCAPTION || (code >= HTLEFT && code <= HTBOTTOMRIGHT))) {
        const TSizeConstraints& limits = form_->Constraints();
        outline_.Begin(window, code, POINT{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)},
                       SIZE{limits.MinWidth, limits.MinHeight});
        return true;
      }
      return false;
    }
    case WM_NCRBUTTONDOWN:
      return message.WParam == HTCAPTION || message.WParam == HTSYSMENU;
    case WM_NCRBUTTONUP:
      if (message.WParam == HTCAPTION || message.WParam == HTSYSMENU) {
        buttons_->SetHot(0);
        PopupSystemMenu(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
      }
      return true;
    case WM_NCLBUTTONUP:
      if (!buttons_->PressedCode()) return false;
      Release(WindowPointFromScreen(message.LParam));
      return true;
    case WM_MOUSEMOVE:
      if (!buttons_->PressedCode()) return false;
      // Captured: the pressed look only while the pointer is over the pressed button.
      buttons_->TrackPressed(WindowPointFromClient(message.LParam));
      return true;
    case WM_LBUTTONUP:
      if (!buttons_->PressedCode()) return false;
      // WParam holds key flags here, never a hit-test code: the point decides.
      Release(WindowPointFromClient(message.LParam));
      return true;
    case WM_CAPTURECHANGED:
      CallOld(message);
      buttons_->CaptureChanged(reinterpret_cast<HWND>(message.LParam));
      return true;
    case WM_NCLBUTTONDBLCLK: {
      const TsWindowRules r = Rules();
      if (message.WParam == HTCAPTION && r.CloseVisible && (r.MaximizeEnabled || r.RestoreEnabled)) {
        PostMessageW(window, WM_SYSCOMMAND, r.Zoomed || r.Iconic ? SC_RESTORE : SC_MAXIMIZE, 0);
      } else if (message.WParam == HTSYSMENU) {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      return true;
    }
    case WM_MOUSELEAVE:
    case CM_MOUSELEAVE:
      if (!buttons_->PressedCode()) buttons_->SetHot(0);
      return false;
    default:
      return false;
  }
}

// ---------------------------------------------------------------- system menu and hooks

TsFrameHooks& FrameHooks() {
  static TsFrameHooks hooks;
  return hooks;
}

void TsSkinProvider::ScanControls(TWinControl* parent) {
  if (!form_ || form_->IsDestroying() || windowGone_) return;
  if (!adapter_) adapter_ = std::make_unique<TacCtrlAdapter>(*this);
  adapter_->AddAllItems(parent);
}

void TsSkinProvider::FreeAdapter() {
  // Out of the member first: a handler given back may send the form messages meanwhile.
  std::unique_ptr<TacCtrlAdapter> adapter = std::move(adapter_);
  adapter.reset();
}

void TsSkinProvider::CallHook(const std::function<void(TsSkinProvider&, bool)>& hook, bool on) {
  if (hook) hook(*this, on);
}

void TsSkinProvider::PopupSystemMenu(int x, int y) {
  if (!form_ || !form_->HandleAllocated()) return;
  if (!systemMenu_) systemMenu_ = new TsSystemMenu(this, form_);
  buttons_->SetHot(0);
  systemMenu_->Popup(x, y);
}

// Below the caption icon, as the platform places its system menu.
void TsSkinProvider::PopupAtIcon() {
  RECT w{};
  GetWindowRect(form_->Handle(), &w);
  const TFrameGeometry g = Geometry();
  const RECT icon = IconRect(g);
  PopupSystemMenu(w.left + g.BorderWidth, w.top + g.BorderHeight + (icon.bottom - icon.top));
}

// ---------------------------------------------------------------- maximising, snapping, outline

void TsSkinProvider::SetGripMode(TsGripMode mode) {
  gripMode_ = mode;
  RepaintFrame();
  if (form_ && form_->HandleAllocated()) InvalidateRect(form_->Handle(), nullptr, FALSE);
}

// The maximised window covers the work area of its own monitor with its borders just
// outside it (so the taskbar stays visible).
void TsSkinProvider::OnGetMinMaxInfo(TMessage& message) {
  auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
  if (!info) {
    CallOld(message);
    return;
  }
  info->ptMaxPosition = info->ptMaxTrackSize = POINT{-1, -1};
  CallOld(message);
  const int border = form_->BorderStyle() != bsNone ? Geometry().BorderWidth : 0;
  const TMaximizedPlacement placement = MaximizedPlacement(MonitorAreasSource()(form_->Handle()), border);
  if (info->ptMaxTrackSize.x == -1) info->ptMaxTrackSize.x = placement.Size.x;
  if (info->ptMaxTrackSize.y == -1) info->ptMaxTrackSize.y = placement.Size.y;
  if (info->ptMaxPosition.x == -1) info->ptMaxPosition.x = placement.Position.x;
  if (info->ptMaxPosition.y == -1) info->ptMaxPosition.y = placement.Position.y;
}

// A window moved to within `SnapBuffer` pixels of an edge of its monitor's work area is
// placed flush with it.
void TsSkinProvider::SnapToWorkArea(WINDOWPOS& pos) {
  if ((pos.flags & SWP_NOMOVE) || IsZoomed(form_->Handle())) return;
  RECT r{};
  GetWindowRect(form_->Handle(), &r);
  const POINT to = SnappedPosition(POINT{pos.x, pos.y}, SIZE{r.right - r.left, r.bottom - r.top},
                                   MonitorAreasSource()(form_->Handle()), snapBuffer_);
  pos.x = to.x;
  pos.y = to.y;
}

// The tracking messages while an outline is shown; true when handled here. The outline
// ends with the window and with a capture taken away.
bool TsSkinProvider::OutlineMessage(TMessage& message) {
  if (outline_.Code() == 0) return false;
  HWND window = form_->Handle();
  switch (message.Msg) {
    case WM_MOUSEMOVE: {
      POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
      ClientToScreen(window, &p);
      outline_.MoveTo(p);
      return true;
    }
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
    case WM_NCLBUTTONDBLCLK:
      outline_.End(true);
      return true;
    case WM_CAPTURECHANGED:
      // Someone else took the mouse: the outline goes and the window stays.
      if (reinterpret_cast<HWND>(message.LParam) != window) outline_.End(false);
      CallOld(message);
      return true;
    default:
      return false;
  }
}
