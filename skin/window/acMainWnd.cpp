#include "skin/window/acMainWnd.h"

#include <atomic>
#include <utility>

#include "framework/Forms.h"
#include "framework/Handles.h"
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

namespace {
bool gDialogMode = false;
bool gAdapterFreeing = false;
}  // namespace

bool DialogModeDefault() { return gDialogMode; }
bool AdapterFreeing() { return gAdapterFreeing; }

TDialogHandlersScope::TDialogHandlersScope(bool dialogMode) : previous_(std::exchange(gDialogMode, dialogMode)) {}
TDialogHandlersScope::~TDialogHandlersScope() { gDialogMode = previous_; }

TAdapterFreeingScope::TAdapterFreeingScope() : previous_(std::exchange(gAdapterFreeing, true)) {}
TAdapterFreeingScope::~TAdapterFreeingScope() { gAdapterFreeing = previous_; }

int TacMainWnd::LiveCount() { return gLiveHandlers; }

// One message of the window running through WndProc. The last one to return frees a
// handler that asked to be freed inside its own messages, also when the message raises.
class TacMainWnd::Nesting {
public:
  explicit Nesting(TacMainWnd& owner) : owner_(owner) { ++owner_.depth_; }
  ~Nesting() {
    if (--owner_.depth_ == 0 && owner_.freePending_) delete &owner_;
  }
  Nesting(const Nesting&) = delete;
  Nesting& operator=(const Nesting&) = delete;

private:
  TacMainWnd& owner_;
};

// The procedure stub of a plain window: the framework's subclass, forwarding to WndProc.
class TacMainWnd::Thunk : public TWindowSubclass {
public:
  explicit Thunk(TacMainWnd& owner) : owner_(owner) {}
  TacMainWnd& Owner() const { return owner_; }

protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    TMessage message{msg, wParam, lParam, 0};
    TacMainWnd& owner = owner_;
    // Nothing of this stub is touched once the nesting ends: it may free the handler.
    const Nesting running(owner);
    owner.WndProc(message);
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
    const Nesting running(owner_);
    owner_.WndProc(message);
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
  window_ = window;
  manager_ = manager;
  if (binding) {
    binding_ = binding;
    if (!manager_) manager_ = binding->SkinManager();
  } else {
    ownedBinding_ = std::make_unique<TsCommonData>(nullptr, true);
    binding_ = ownedBinding_.get();
    if (manager) binding_->SetSkinManager(manager);
    if (!manager_) manager_ = binding_->SkinManager();
  }
  if (binding_->SkinSection().empty()) binding_->SetSkinSection(section);
  dialogMode_ = DialogModeDefault();
}

void TacMainWnd::PrepareStart() {
  SaveParams();
  paramsApplied_ = false;
  oldMethod_ = nullptr;
  caption_ = WindowText(window_);
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
  if (!destroyed_) {
    const bool removing = manager_ && manager_->RemovingSkin();
    // Our procedure always leaves the chain (a pass-through stays where another subclass
    // sits on top); only the look of a window that outlives its adapter is given back.
    const bool giveBack = !AdapterFreeing() || removing;
    const bool alive = IsWindow(window_) != 0;
    if (giveBack && alive && ThemeApi().setWindowTheme) ThemeApi().setWindowTheme(window_, nullptr, nullptr);
    Unhook();
    if (giveBack && alive) {
      RestoreParams();
      if (IsWindowVisible(window_)) RedrawWindow(window_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE);
    }
    destroyed_ = true;
  }
  oldMethod_ = nullptr;
  ownedBinding_.reset();
  binding_ = nullptr;
  manager_ = nullptr;
}

TControl* TacMainWnd::FindTarget() const {
  if (!binding_) return nullptr;
  if (TControl* control = binding_->OwnerControl()) return control;
  if (auto* provider = dynamic_cast<TsSkinProvider*>(binding_->OwnerObject())) return provider->Form();
  return nullptr;
}

void TacMainWnd::Attach() {
  sendingScroll_ = false;
  target_ = FindTarget();
  if (!target_) {
    thunk_->Attach(window_);
    return;
  }
  // The property names the handler for framework controls too (through the stub, which
  // stays unattached there).
  SetPropW(window_, L"ACSBSC", static_cast<TWindowSubclass*>(thunk_.get()));
  oldMethod_ = target_->WindowProc;
  link_ = std::make_unique<ChainLink>(*this);
  link_->Install(*target_);
}

void TacMainWnd::Unhook() {
  if (link_) {
    link_->Remove();
    if (IsWindow(window_) && TWindowSubclass::Of(window_) == thunk_.get()) RemovePropW(window_, L"ACSBSC");
  }
  // Restores the previous procedure while ours is first, else leaves a pass-through.
  thunk_->Detach();
}

void TacMainWnd::Detach(bool free) {
  if (!destroyed_) {
    Unhook();
    if (IsWindow(window_)) {
      RestoreParams();
      if (IsWindowVisible(window_)) {
        RedrawFrame(window_, false);
        // The skinned picture of the client area would stay until something repaints it.
        InvalidateRect(window_, nullptr, TRUE);
      }
    }
    destroyed_ = true;
  }
  if (!free) return;
  oldMethod_ = nullptr;
  if (depth_ > 0)
    freePending_ = true;
  else
    delete this;
}

void TacMainWnd::WindowGone() {
  // The control's chain is gone with it; nothing of the window is left to give back.
  if (link_) link_->Remove();
  if (IsWindow(window_) && TWindowSubclass::Of(window_) == thunk_.get()) RemovePropW(window_, L"ACSBSC");
  destroyed_ = true;
}

LRESULT TacMainWnd::CallOld(TMessage& message) {
  if (oldMethod_) {
    TMessage copy{message.Msg, message.WParam, message.LParam, 0};
    const TWndMethod method = oldMethod_;  // may be replaced while it runs
    method(copy);
    message.LParam = copy.LParam;
    return copy.Result;
  }
  if (thunk_->Attached()) return thunk_->CallOld(message.Msg, message.WParam, message.LParam);
  return 0;
}

WNDPROC TacMainWnd::PreviousProcedure() const { return thunk_->PreviousProcedure(); }

bool TacMainWnd::Hooked() const { return oldMethod_ != nullptr || thunk_->Attached(); }

void TacMainWnd::PaintTo(HDC) {}

void TacMainWnd::PaintMessage(TMessage& message) {
  message.Result = 0;
  PaintWithMessageDC(window_, message, [&](HDC dc) { PaintTo(dc); });
}

void TacMainWnd::RepaintNow() {
  if (IsWindow(window_)) RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TacMainWnd::SelectWindowFont(TCanvas& canvas) const {
  auto font = reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW lf{};
  if (GetObjectW(font, sizeof(lf), &lf)) AssignLogFont(canvas.Font(), lf);
}

bool TacMainWnd::Skinned() const {
  return binding_ && manager_ && manager_->SkinActive();
}

// ---------------------------------------------------------------- geometry and cache

void TacMainWnd::MeasureWindow() {
  GetWindowRect(window_, &windowRect_);
  windowSize_ = SIZE{windowRect_.right - windowRect_.left, windowRect_.bottom - windowRect_.top};
}

void TacMainWnd::UpdateGeometry() {
  MeasureWindow();
  parentWnd_ = GetParent(window_);
  parentRect_ = RECT{};
  if (parentWnd_) GetWindowRect(parentWnd_, &parentRect_);
  const LRESULT offset = parentWnd_ ? SendSkinCommand(parentWnd_, CMD_GETCLIENTOFFSET, 0) : 0;
  parentOffset_ = POINT{windowRect_.left - parentRect_.left - static_cast<SHORT>(LOWORD(offset)),
                        windowRect_.top - parentRect_.top - static_cast<SHORT>(HIWORD(offset))};
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
  if (binding_) UpdateWindowCorners(*binding_, state, windowSize_, parentWnd_, parentOffset_);
}

// ---------------------------------------------------------------- messages

void TacMainWnd::WndProc(TMessage& message) {
  if (destroyed_) {
    message.Result = CallOld(message);
    return;
  }
  switch (message.Msg) {
    case WM_DESTROY: {
      // Unhooked before the window's own procedure sees it: nothing of ours runs after.
      // A plain window's previous procedure is the subclass record's, taken before the
      // record lets go of it.
      const WNDPROC previous = thunk_->PreviousProcedure();
      if (Hooked()) Detach(false);
      if (oldMethod_)
        message.Result = CallOld(message);
      else if (previous)
        message.Result = CallWindowProcW(previous, window_, message.Msg, message.WParam, message.LParam);
      return;
    }
    case WM_NCDESTROY:
      // The framework hands WM_NCDESTROY on itself; asking first keeps it from going twice.
      message.Result = CallOld(message);
      if (Hooked()) Detach(false);
      return;
    case WM_UPDATEUISTATE: message.Result = 0; return;
    case WM_SIZE:
      if (binding_) binding_->BackgroundChangedFlag = true;
      break;
    case WM_SETTEXT:
      message.Result = CallOld(message);
      caption_ = WindowText(window_);
      return;
    case WM_MOUSEMOVE: TrackHotWindow(window_); break;
    case WM_MOUSELEAVE:
      // The pointer may leave for a window no handler sees (another process, the desktop).
      if (TsSkinManager* manager = DefaultManager(); manager && manager->HotWindow() == window_)
        manager->SetHotWindow(nullptr);
      break;
    case WM_PRINT:
    case WM_PRINTCLIENT:
      // A handler that paints its client area prints it through the same entry.
      if (message.WParam && PaintsClient() && Skinned()) {
        PaintMessage(message);
        return;
      }
      break;
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
  const bool ours = reinterpret_cast<TsSkinManager*>(message.LParam) == manager_;
  switch (SkinCommandOf(message.WParam)) {
    case CMD_SKINLOADED:
      if (ours) {
        binding_->UpdateIndexes();
        binding_->BackgroundChangedFlag = true;
      }
      break;
    case CMD_SKINREMOVED:
      if (ours) RestoreParams();
      break;
    case CMD_REPAINT:
      if (!ours) break;
      binding_->UpdateIndexes();
      binding_->BackgroundChangedFlag = true;
      RepaintNow();
      return;
    case CMD_GETBGINFO:
      if (TBitmap* cache = binding_->Cache(); cache && !cache->Empty()) AnswerBackground(message, BgInfo{cache->View(), 0, 0, true});
      return;
    case CMD_PARENTDONE:
      if (!binding_->RefreshUpdating()) break;
      binding_->UpdatingFlag = false;
      RedrawWindow(window_, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_INVALIDATE);
      return;
    case CMD_ISSKINNED: AnswerSkinnedQuery(message); return;
    case CMD_ISBGBUSY:
      message.LParam = binding_->BackgroundChangedFlag || binding_->RefreshUpdating() ? 1 : 0;
      break;
    case CMD_ISBGVARIABLE:
    case CMD_GETCOLOR:
      if (binding_->OwnerControl()) {
        binding_->CommonWndProc(message);
        return;
      }
      break;
    case CMD_PREPARECACHE: PrepareWindowCache(*binding_, window_, false); break;
    case CMD_GETAPPLICATION: AnswerSkinnedQuery(message); return;
    default: break;
  }
  message.Result = CallOld(message);
}
