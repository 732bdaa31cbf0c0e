#include "skin/window/acMainWnd.h"

#include <atomic>

#include "framework/Forms.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sThemeApi.h"
#include "skin/paint/Compose.h"
#include "skin/paint/Pixels.h"
#include "skin/window/sSkinProvider.h"

namespace {

std::atomic<int> gLiveHandlers{0};

String WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return String();
  String text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

}  // namespace

bool& DialogModeDefault() {
  static bool on = false;
  return on;
}

bool& AdapterFreeing() {
  static bool on = false;
  return on;
}

int TacMainWnd::LiveCount() { return gLiveHandlers; }

// The procedure stub of a plain window: the framework's subclass, forwarding to WndProc.
class TacMainWnd::Thunk : public TWindowSubclass {
public:
  explicit Thunk(TacMainWnd& owner) : owner_(owner) {}
  TacMainWnd& Owner() const { return owner_; }

protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    TMessage message{msg, wParam, lParam, 0};
    TacMainWnd& owner = owner_;
    ++owner.depth_;
    owner.WndProc(message);
    // A handler that asked to be freed inside its own message goes once that returns.
    if (--owner.depth_ == 0 && owner.freePending_) delete &owner;
    return message.Result;
  }

private:
  TacMainWnd& owner_;
};

// The place of a framework control's handler in the control's chain of window methods.
class TacMainWnd::ChainLink : public TControlHandler {
public:
  explicit ChainLink(TacMainWnd& owner) : owner_(owner) {}

protected:
  void HandleMessage(TMessage& message) override {
    TacMainWnd& owner = owner_;
    ++owner.depth_;
    owner.WndProc(message);
    if (--owner.depth_ == 0 && owner.freePending_) delete &owner;
  }
  void ControlDestroyed() override { owner_.WindowGone(); }

private:
  TacMainWnd& owner_;
};

TacMainWnd* TacMainWnd::HandlerOf(HWND window) {
  auto* thunk = dynamic_cast<Thunk*>(TWindowSubclass::Of(window));
  return thunk ? &thunk->Owner() : nullptr;
}

// ---------------------------------------------------------------- life

TacMainWnd::TacMainWnd(HWND window, bool refreshFrame, const std::string& section, TsSkinManager* manager,
                       TsCommonData* binding)
    : thunk_(std::make_unique<Thunk>(*this)), refreshFrame_(refreshFrame) {
  ++gLiveHandlers;
  if (ThemeApi().setWindowTheme && section != "DIALOG") ThemeApi().setWindowTheme(window, L" ", L" ");
  WindowHandle = window;
  Manager = manager;
  if (binding) {
    Binding = binding;
    if (!Manager) Manager = binding->SkinManager();
  } else {
    OwnBinding = true;
    ownedBinding_ = std::make_unique<TsCommonData>(nullptr, true);
    Binding = ownedBinding_.get();
    if (manager) Binding->SetSkinManager(manager);
    if (!Manager) Manager = Binding->SkinManager();
  }
  if (Binding->SkinSection().empty()) Binding->SetSkinSection(section);
  DialogMode = DialogModeDefault();
}

void TacMainWnd::PrepareStart() {
  SaveParams();
  ParamsApplied = false;
  OldMethod = nullptr;
  OldWndProc = nullptr;
  Caption = WindowText(WindowHandle);
}

void TacMainWnd::Start() {
  PrepareStart();
  Attach();
}

TacMainWnd::~TacMainWnd() {
  Shutdown();
  --gLiveHandlers;
}

void TacMainWnd::Shutdown() {
  if (!Destroyed) {
    const bool removing = Manager && Manager->RemovingSkin();
    // Our procedure always leaves the chain (a pass-through stays where another subclass
    // sits on top); only the look of a window that outlives its adapter is given back.
    const bool giveBack = !AdapterFreeing() || removing;
    const bool alive = IsWindow(WindowHandle) != 0;
    if (giveBack && alive && ThemeApi().setWindowTheme) ThemeApi().setWindowTheme(WindowHandle, nullptr, nullptr);
    Unhook();
    if (giveBack && alive) {
      RestoreParams();
      if (IsWindowVisible(WindowHandle)) RedrawWindow(WindowHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE);
    }
    Destroyed = true;
  }
  OldMethod = nullptr;
  OldWndProc = nullptr;
  ownedBinding_.reset();
  Binding = nullptr;
  Manager = nullptr;
}

TControl* TacMainWnd::FindTarget() const {
  if (!Binding) return nullptr;
  if (TControl* control = Binding->OwnerControl()) return control;
  if (auto* provider = dynamic_cast<TsSkinProvider*>(Binding->OwnerObject())) return provider->Form();
  return nullptr;
}

void TacMainWnd::Attach() {
  SendingScroll = false;
  target_ = FindTarget();
  if (!target_) {
    if (!thunk_->Attach(WindowHandle)) return;
    OldWndProc = thunk_->PreviousProcedure();
    return;
  }
  // The property names the handler for framework controls too (through the stub, which
  // stays unattached there).
  SetPropW(WindowHandle, L"ACSBSC", static_cast<TWindowSubclass*>(thunk_.get()));
  OldMethod = target_->WindowProc;
  link_ = std::make_unique<ChainLink>(*this);
  link_->Install(*target_);
}

void TacMainWnd::Unhook() {
  if (link_) {
    link_->Remove();
    if (IsWindow(WindowHandle) && TWindowSubclass::Of(WindowHandle) == thunk_.get()) RemovePropW(WindowHandle, L"ACSBSC");
  }
  // Restores the previous procedure while ours is first, else leaves a pass-through.
  thunk_->Detach();
}

void TacMainWnd::Detach(bool free) {
  if (!Destroyed) {
    Unhook();
    if (IsWindow(WindowHandle)) {
      RestoreParams();
      if (IsWindowVisible(WindowHandle)) {
        RedrawFrame(WindowHandle, false);
        // The skinned picture of the client area would stay until something repaints it.
        InvalidateRect(WindowHandle, nullptr, TRUE);
      }
    }
    Destroyed = true;
  }
  if (!free) return;
  OldWndProc = nullptr;
  OldMethod = nullptr;
  if (depth_ > 0)
    freePending_ = true;
  else
    delete this;
}

void TacMainWnd::WindowGone() {
  // The control's chain is gone with it; nothing of the window is left to give back.
  if (link_) link_->Remove();
  if (IsWindow(WindowHandle) && TWindowSubclass::Of(WindowHandle) == thunk_.get()) RemovePropW(WindowHandle, L"ACSBSC");
  Destroyed = true;
}

LRESULT TacMainWnd::CallOld(TMessage& message) {
  if (OldMethod) {
    TMessage copy{message.Msg, message.WParam, message.LParam, 0};
    const TWndMethod method = OldMethod;  // may be replaced while it runs
    method(copy);
    message.LParam = copy.LParam;
    return copy.Result;
  }
  if (thunk_->Attached()) return thunk_->CallOld(message.Msg, message.WParam, message.LParam);
  if (OldWndProc) return CallWindowProcW(OldWndProc, WindowHandle, message.Msg, message.WParam, message.LParam);
  return 0;
}

void TacMainWnd::SelectWindowFont(TCanvas& canvas) const {
  auto font = reinterpret_cast<HFONT>(SendMessageW(WindowHandle, WM_GETFONT, 0, 0));
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW lf{};
  if (GetObjectW(font, sizeof(lf), &lf)) AssignLogFont(canvas.Font(), lf);
}

bool TacMainWnd::Skinned() const {
  return Binding && Manager && Manager->SkinActive();
}

// ---------------------------------------------------------------- geometry and cache

void TacMainWnd::UpdateGeometry() {
  GetWindowRect(WindowHandle, &WindowRect);
  WindowSize = SIZE{WindowRect.right - WindowRect.left, WindowRect.bottom - WindowRect.top};
  ParentWnd = GetParent(WindowHandle);
  ParentRect = RECT{};
  if (ParentWnd) GetWindowRect(ParentWnd, &ParentRect);
  const LRESULT offset = ParentWnd ? SendSkinCommand(ParentWnd, CMD_GETCLIENTOFFSET, 0) : 0;
  ParentOffset = POINT{WindowRect.left - ParentRect.left - static_cast<SHORT>(LOWORD(offset)),
                       WindowRect.top - ParentRect.top - static_cast<SHORT>(HIWORD(offset))};
}

void TacMainWnd::PrepareWindowCache(TsCommonData& binding, HWND window, bool dialogStyle) {
  TBitmap* cache = binding.Cache();
  if (!binding.BackgroundChangedFlag || !IsWindow(window) || !cache) return;
  RECT r{};
  GetWindowRect(window, &r);
  cache->SetPixelFormat(TPixelFormat::pf24bit);
  cache->SetSize(r.right - r.left, r.bottom - r.top);
  const BgInfo bg = TsCommonData::GetWindowParentBgInfo(window);
  TsSkinManager* manager = binding.SkinManager();
  if (!manager) return;
  const TColor border = SkinColorToRGB(manager->GlobalInfo().BorderColor);
  if (dialogStyle && manager->GlobalInfo().BorderColor != clFuchsia) {
    FillFramed(cache->View(), static_cast<TColor>(ColorToRGB(clWindow)), border);
  } else {
    const HWND parent = GetParent(window);
    if (!parent) return;
    if (manager->IsSectionIndexValid(binding.SectionIndex)) {
      RECT p{};
      GetWindowRect(parent, &p);
      TPaintItemSource item = SectionPaintSource(binding, *manager);
      item.HasParent = true;
      const TPoint offset{r.left - p.left - bg.X, r.top - p.top - bg.Y};
      PaintItem(item, bg, false, false, cache->View(), offset, TsRect{0, 0, cache->Width(), cache->Height()}, 0);
    }
  }
  binding.BackgroundChangedFlag = false;
}

void TacMainWnd::RedrawFrame(HWND window, bool frameChanged) {
  if (frameChanged)
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  else
    SendMessageW(window, WM_NCPAINT, 1, 0);
}

void TacMainWnd::RepairCorners(int state) {
  if (Binding) UpdateWindowCorners(*Binding, state, WindowSize, ParentWnd, ParentOffset);
}

// ---------------------------------------------------------------- messages

void TacMainWnd::WndProc(TMessage& message) {
  if (Destroyed) {
    message.Result = CallOld(message);
    return;
  }
  switch (message.Msg) {
    case WM_DESTROY:
      // Unhooked before the window's own procedure sees it: nothing of ours runs after.
      if (Hooked()) Detach(false);
      message.Result = CallOld(message);
      return;
    case WM_NCDESTROY:
      // The framework hands WM_NCDESTROY on itself; asking first keeps it from going twice.
      message.Result = CallOld(message);
      if (Hooked()) Detach(false);
      return;
    case WM_UPDATEUISTATE: message.Result = 0; return;
    case WM_SIZE:
      if (Binding) Binding->BackgroundChangedFlag = true;
      break;
    case WM_SETTEXT:
      message.Result = CallOld(message);
      Caption = WindowText(WindowHandle);
      return;
    case WM_MOUSEMOVE: TrackHotWindow(WindowHandle); break;
    case WM_PRINT: message.Result = SendMessageW(WindowHandle, WM_PAINT, message.WParam, message.LParam); return;
    default: break;
  }
  if (!Skinned()) {
    message.Result = CallOld(message);
    return;
  }
  if (message.Msg == SM_SKINCMD) {
    SkinCommand(message);
    return;
  }
  message.Result = CallOld(message);
}

void TacMainWnd::SkinCommand(TMessage& message) {
  const bool ours = reinterpret_cast<TsSkinManager*>(message.LParam) == Manager;
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINLOADED:
      if (ours) {
        Binding->UpdateIndexes();
        Binding->BackgroundChangedFlag = true;
      }
      break;
    case CMD_SKINREMOVED:
      if (ours) RestoreParams();
      break;
    case CMD_REPAINT:
      if (!ours) break;
      Binding->UpdateIndexes();
      Binding->BackgroundChangedFlag = true;
      SendMessageW(WindowHandle, WM_PAINT, 0, 0);
      return;
    case CMD_GETBGINFO:
      if (TBitmap* cache = Binding->Cache(); cache && !cache->Empty()) AnswerBackground(message, BgInfo{cache->View(), 0, 0, true});
      return;
    case CMD_PARENTDONE:
      if (!Binding->RefreshUpdating()) break;
      Binding->UpdatingFlag = false;
      RedrawWindow(WindowHandle, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_INVALIDATE);
      return;
    case CMD_ISSKINNED: AnswerSkinnedQuery(message); return;
    case CMD_ISBGBUSY:
      message.LParam = Binding->BackgroundChangedFlag || Binding->RefreshUpdating() ? 1 : 0;
      break;
    case CMD_ISBGVARIABLE:
    case CMD_GETCOLOR:
      if (Binding->OwnerControl()) {
        Binding->CommonWndProc(message);
        return;
      }
      break;
    case CMD_PREPARECACHE: PrepareWindowCache(*Binding, WindowHandle, false); break;
    case CMD_GETAPPLICATION: AnswerSkinnedQuery(message); return;
    default: break;
  }
  message.Result = CallOld(message);
}
