#include "skin/core/sSkinCommands.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "framework/ComponentLink.h"

namespace {

// The registered forms; each link turns null when its form is freed, so a form freed
// without unregistering is forgotten, and a new form at its address is not registered.
using TFormLinks = std::vector<std::unique_ptr<TComponentLink<TCustomForm>>>;

TFormLinks& ProviderForms() {
  static TFormLinks forms;
  return forms;
}

bool IsRegistered(const TCustomForm* form) {
  const TFormLinks& links = ProviderForms();
  return form && std::any_of(links.begin(), links.end(), [form](const auto& link) { return link->Get() == form; });
}

bool IsGraphicControl(const TControl* control) { return !control->IsWindowed(); }

bool StillChildOf(const TWinControl* parent, const TControl* child) {
  for (int i = 0; i < parent->ControlCount(); ++i)
    if (parent->Controls(i) == child) return true;
  return false;
}

// Delivers one broadcast message to a windowed control: through the platform when it has
// a window, by a direct call otherwise.
void DeliverToWindowed(TWinControl* control, TMessage& message) {
  if (control->HandleAllocated())
    message.Result = SendMessageW(control->Handle(), message.Msg, message.WParam, message.LParam);
  else
    control->Deliver(message);
}

}  // namespace

bool AnswerSkinnedQuery(TMessage& message) {
  if (SkinCommandOf(message.WParam) == CMD_GETAPPLICATION)
    message.Result = reinterpret_cast<LRESULT>(Application);
  else
    message.LParam = message.Result = 1;
  return true;
}

LRESULT SendSkinCommand(HWND window, WORD command, LPARAM value, WORD low) {
  if (!window) return 0;
  return SendMessageW(window, SM_SKINCMD, SkinCommandWParam(command, low), value);
}

LRESULT PerformSkinCommand(TControl* control, WORD command, LPARAM value, WORD low) {
  if (!control) return 0;
  if (control->IsWindowed()) {
    auto* windowed = static_cast<TWinControl*>(control);
    if (windowed->IsDestroying() || !windowed->HandleAllocated()) return 0;
    return SendSkinCommand(windowed->Handle(), command, value, low);
  }
  return control->Perform(SM_SKINCMD, SkinCommandWParam(command, low), value);
}

bool AskControl(TControl* control, WORD command) {
  if (!control) return false;
  TMessage message{SM_SKINCMD, SkinCommandWParam(command), 0, 0};
  control->Deliver(message);
  if (message.LParam == 1) return true;
  if (!control->IsWindowed()) return false;
  auto* windowed = static_cast<TWinControl*>(control);
  return windowed->HandleAllocated() && SendSkinCommand(windowed->Handle(), command, 0) == 1;
}

bool AskWindow(HWND window, WORD command) { return window && SendSkinCommand(window, command, 0) == 1; }

BgInfo* BackgroundRecordOf(const TMessage& message) {
  return IsSkinCommand(message, CMD_GETBGINFO) ? reinterpret_cast<BgInfo*>(message.LParam) : nullptr;
}

ColorInfo* ColorRecordOf(const TMessage& message) {
  return IsSkinCommand(message, CMD_GETCOLOR) ? reinterpret_cast<ColorInfo*>(message.LParam) : nullptr;
}

bool AnswerBackground(const TMessage& message, const BgInfo& answer) {
  BgInfo* record = BackgroundRecordOf(message);
  if (record) *record = answer;
  return record != nullptr;
}

bool AnswerColor(const TMessage& message, TColor color) {
  ColorInfo* record = ColorRecordOf(message);
  if (record) record->Color = color;
  return record != nullptr;
}

bool IsOwnThreadWindow(HWND window) {
  return window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

BgInfo AskBackground(HWND window) {
  BgInfo answer;
  if (IsOwnThreadWindow(window)) SendSkinCommand(window, CMD_GETBGINFO, reinterpret_cast<LPARAM>(&answer));
  return answer;
}

BgInfo AskBackground(TControl* control) {
  if (!control) return BgInfo{};
  if (control->IsWindowed()) {
    auto* windowed = static_cast<TWinControl*>(control);
    if (windowed->IsDestroying() || !windowed->HandleAllocated()) return BgInfo{};
    return AskBackground(windowed->Handle());
  }
  BgInfo answer;
  control->Perform(SM_SKINCMD, SkinCommandWParam(CMD_GETBGINFO), reinterpret_cast<LPARAM>(&answer));
  return answer;
}

TColor AskColor(HWND window) {
  ColorInfo answer;
  if (IsOwnThreadWindow(window)) SendSkinCommand(window, CMD_GETCOLOR, reinterpret_cast<LPARAM>(&answer));
  return answer.Color;
}

TColor QueryControlColor(TWinControl* control) {
  if (!control) return clFuchsia;
  TColor color = control->HandleAllocated() ? AskColor(control->Handle()) : clFuchsia;
  if (color == clFuchsia) color = control->Color();
  return static_cast<TColor>(ColorToRGB(color));
}

void BroadcastToChildren(TWinControl* control, TMessage& message) {
  if (!control) return;
  // The children as they are now: a handler may add or remove children, and each child
  // gets the message as it was sent (a receiver may write into its copy).
  std::vector<TControl*> children;
  for (int i = 0; i < control->ControlCount(); ++i) children.push_back(control->Controls(i));
  for (TControl* child : children) {
    if (!StillChildOf(control, child) || child->IsDestroying()) continue;
    TMessage copy{message.Msg, message.WParam, message.LParam, 0};
    try {
      if (!child->IsWindowed()) {
        child->Deliver(copy);
        continue;
      }
      auto* windowed = static_cast<TWinControl*>(child);
      if (AskControl(windowed, CMD_ISSKINNED))
        DeliverToWindowed(windowed, copy);
      else
        BroadcastToChildren(windowed, message);
    } catch (...) {
      // A child that cannot take the command is left as it is; its siblings still get it.
    }
  }
}

void BroadcastToForms(TMessage& message) {
  if (Application) {
    for (int i = Application->ComponentCount() - 1; i >= 0; --i) {
      if (i >= Application->ComponentCount()) continue;
      auto* form = dynamic_cast<TForm*>(Application->Components(i));
      if (!form || form->FormStyle() == fsMDIChild || form->IsDestroying() || form->IsLoading()) continue;
      if (form->HandleAllocated() && AskWindow(form->Handle(), CMD_ISSKINNED)) continue;
      try {
        DeliverToWindowed(form, message);
        BroadcastToChildren(form, message);
      } catch (...) {
        // A form that cannot take the command does not stop the others.
      }
    }
  }
  std::vector<TCustomForm*> registered;
  for (const auto& link : ProviderForms())
    if (link->Get()) registered.push_back(link->Get());
  for (TCustomForm* form : registered) {
    // A handler may have unregistered or freed a form of the list meanwhile.
    if (!IsRegistered(form) || form->IsDestroying()) continue;
    try {
      DeliverToWindowed(form, message);
      BroadcastToChildren(form, message);
    } catch (...) {
    }
  }
}

void RegisterProviderForm(TCustomForm* form) {
  TFormLinks& links = ProviderForms();
  std::erase_if(links, [](const auto& link) { return !link->Get(); });
  if (form && !IsRegistered(form)) links.push_back(std::make_unique<TComponentLink<TCustomForm>>(form));
}

void UnregisterProviderForm(TCustomForm* form) {
  std::erase_if(ProviderForms(), [form](const auto& link) { return !link->Get() || link->Get() == form; });
}

void NotifyChildrenParentDone(TWinControl* control) {
  if (!control) return;
  std::vector<TControl*> children;
  for (int i = 0; i < control->ControlCount(); ++i) children.push_back(control->Controls(i));
  for (TControl* child : children) {
    if (!StillChildOf(control, child) || child->IsDestroying() || IsGraphicControl(child)) continue;
    try {
      auto* windowed = static_cast<TWinControl*>(child);
      if (windowed->HandleAllocated())
        SendSkinCommand(windowed->Handle(), CMD_PARENTDONE, 0);
      else
        windowed->Perform(SM_SKINCMD, SkinCommandWParam(CMD_PARENTDONE), 0);
    } catch (...) {
      // Skipped; the siblings still hear that their parent is done.
    }
  }
}

void NotifyChildWindowsParentDone(HWND window) {
  if (!window) return;
  // Collected first: a child may be destroyed while it handles the command.
  std::vector<HWND> children;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD) children.push_back(child);
  for (HWND child : children)
    if (IsWindow(child)) SendSkinCommand(child, CMD_PARENTDONE, 0);
}

void AnnounceControl(TControl* control) {
  if (!control || control->IsDesigning()) return;
  TCustomForm* form = control->ParentForm();
  if (form && form->HandleAllocated())
    SendSkinCommand(form->Handle(), CMD_CONTROLADDED, reinterpret_cast<LPARAM>(control));
}
