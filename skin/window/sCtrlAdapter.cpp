// The frame provider's control adapter: framework controls without a binding of their own
// get a binding and a window handler of the class their kind calls for; plain labels are
// made transparent in the skin's font colour (and given their own look back when the
// adapter goes while the form stays).
//
// Items and labels are tracked through the controls' free notifications, so an item never
// outlives its control. Scans walk snapshots of the component and control lists (links that
// turn null when a component goes), and items are removed by identity, so a control made,
// freed or announced while a scan runs cannot make the scan drop or touch the wrong item.
#include <algorithm>
#include <optional>

#include "framework/ComCtrls.h"
#include "framework/ComponentLink.h"
#include "framework/ExtCtrls.h"
#include "skin/core/sSkinCommands.h"
#include "skin/core/sSkinManager.h"
#include "skin/window/acBtnWnd.h"
#include "skin/window/acEditWnd.h"
#include "skin/window/acPanelWnd.h"
#include "skin/window/acTreeViewWnd.h"
#include "skin/window/sSkinProvider.h"

// ---------------------------------------------------------------- TacAdapterItem

TacAdapterItem::TacAdapterItem(TacCtrlAdapter& adapter, TWinControl& control)
    : adapter_(adapter), control_(&control), skinData_(std::make_unique<TsCommonData>(&control, true)) {
  skinData_->ControlKind = COC_TacAdapterItem;
  skinData_->SetSkinManager(adapter.Provider().SkinData().SkinManager());
}

TacAdapterItem::~TacAdapterItem() {
  // The handler borrows the binding: it goes first.
  FreeHandler();
  skinData_.reset();
}

bool TacAdapterItem::Dead() const { return !handler_ || handler_->Destroyed(); }

void TacAdapterItem::FreeHandler() {
  if (!handler_) return;
  if (handler_->InMessage())
    handler_.release()->Detach(true);
  else
    handler_.reset();
}

TacMainWnd* TacAdapterItem::DoHook(TWinControl* control) {
  if (!control || !control->HandleAllocated()) return nullptr;
  if (control->Parent() && AskControl(control, CMD_ISSKINNED)) return nullptr;
  control_ = control;
  if (!control->Parent()) return handler_.get();
  HWND window = control->Handle();
  TsSkinManager* manager = skinData_->SkinManager();
  TsCommonData* binding = skinData_.get();
  // The section argument only counts while the binding has none: the rows that set the
  // binding's section first override whatever the scan or OnSkinItem chose.
  if (dynamic_cast<TPanel*>(control)) {
    binding->SetSkinSection("PANEL");
    handler_ = TacMainWnd::Create<TacPanelWnd>(window, false, std::string("PANEL"), manager, binding);
  } else if (dynamic_cast<TButton*>(control)) {
    binding->SetSkinSection("BUTTON");
    handler_ = TacMainWnd::Create<TacBtnWnd>(window, false, std::string("BUTTON"), manager, binding);
  } else if (dynamic_cast<TCustomTreeView*>(control)) {
    handler_ = TacMainWnd::Create<TacTreeViewWnd>(window, true, std::string("EDIT"), manager, binding);
  } else if (dynamic_cast<TCustomEdit*>(control)) {
    handler_ = TacMainWnd::Create<TacEditWnd>(window, true, std::string("EDIT"), manager, binding);
  }
  return handler_.get();
}

// ---------------------------------------------------------------- TacCtrlAdapter

// A label as it was before the adapter changed it.
struct TacCtrlAdapter::LabelLook {
  explicit LabelLook(TLabel& label)
      : Label(&label), Transparent(label.Transparent()), FontColor(label.Font().Color()),
        ParentFont(label.ParentFont()) {}
  TComponentLink<TLabel> Label;
  bool Transparent;
  TColor FontColor;
  bool ParentFont;
};

TacCtrlAdapter::TacCtrlAdapter(TsSkinProvider& provider) : TComponent(nullptr), provider_(provider) {}

TacCtrlAdapter::~TacCtrlAdapter() {
  RemoveDeadItems();
  TCustomForm* form = provider_.Form();
  const bool formGoing = !form || form->IsDestroying();
  // The windows of a form being destroyed go with it: their handlers leave them as they
  // are (unless the skin is being switched off). A form that stays gets its look back.
  std::optional<TAdapterFreeingScope> freeing;
  if (formGoing) freeing.emplace();
  while (!items_.empty()) {
    std::unique_ptr<TacAdapterItem> item = std::move(items_.back());
    items_.pop_back();
    if (TWinControl* control = item->Control()) control->RemoveFreeNotification(this);
    item.reset();
  }
  if (!formGoing) RestoreLabels();
  labels_.clear();
}

TsSkinManager* TacCtrlAdapter::Manager() const { return provider_.SkinData().SkinManager(); }

TacAdapterItem* TacCtrlAdapter::ItemOf(const TControl* control) const {
  if (!control) return nullptr;
  for (const auto& item : items_)
    if (item->Control() == control) return item.get();
  return nullptr;
}

bool TacCtrlAdapter::IsControlSupported(TControl* control) const {
  if (!control || !control->Parent()) return false;
  return dynamic_cast<TPanel*>(control) || dynamic_cast<TButton*>(control) ||
         dynamic_cast<TCustomTreeView*>(control) || dynamic_cast<TCustomEdit*>(control);
}

void TacCtrlAdapter::AddAllItems(TWinControl* parent) {
  TsSkinManager* manager = Manager();
  if (!manager || !(manager->SkinningRules() & srThirdParty)) return;
  if (scanDepth_ > 0) {
    rescanPending_ = true;
    return;
  }
  struct Depth {
    int& depth;
    explicit Depth(int& d) : depth(d) { ++depth; }
    ~Depth() { --depth; }
  } running(scanDepth_);
  TComponentLink<TWinControl> first(parent);
  const bool whole = parent == nullptr;
  do {
    rescanPending_ = false;
    RemoveDeadItems();
    TWinControl* root = whole || !first ? provider_.Form() : first.Get();
    if (root && !root->IsDestroying()) Scan(root);
    first.Reset(nullptr);
  } while (rescanPending_ && provider_.Form() && !provider_.Form()->IsDestroying());
}

void TacCtrlAdapter::Scan(TWinControl* parent) {
  // What the parent owns, then what it holds; both as they are now, each entry turning
  // null if its component is freed while the walk runs.
  std::vector<std::unique_ptr<TComponentLink<TComponent>>> walk;
  for (int i = 0; i < parent->ComponentCount(); ++i)
    walk.push_back(std::make_unique<TComponentLink<TComponent>>(parent->Components(i)));
  for (int i = 0; i < parent->ControlCount(); ++i)
    walk.push_back(std::make_unique<TComponentLink<TComponent>>(parent->Controls(i)));
  for (const auto& link : walk) {
    TComponent* component = link->Get();
    if (!component || component->IsDestroying()) continue;
    TakeIn(component);
    if (!link->Get()) continue;
    auto* windowed = dynamic_cast<TWinControl*>(component);
    if (windowed && windowed->HandleAllocated() && windowed->Parent()) Scan(windowed);
  }
}

void TacCtrlAdapter::TakeIn(TComponent* component) {
  auto* control = dynamic_cast<TWinControl*>(component);
  if (control && IsControlSupported(control)) {
    AddItem(control, "EDIT");
  } else if (auto* label = dynamic_cast<TLabel*>(component)) {
    AdjustLabel(*label);
  }
}

void TacCtrlAdapter::AdjustLabel(TLabel& label) {
  TsSkinManager* manager = Manager();
  if (!manager) return;
  // A skin without a global font colour says nothing about labels: they keep their look.
  const TsColor color = manager->GlobalFontColor();
  if (color == kSkinKeyColor) return;
  const bool known = std::any_of(labels_.begin(), labels_.end(),
                                 [&](const auto& look) { return look->Label.Get() == &label; });
  if (!known) labels_.push_back(std::make_unique<LabelLook>(label));
  label.SetTransparent(true);
  label.Font().SetColor(static_cast<TColor>(color));
}

void TacCtrlAdapter::RestoreLabels() {
  for (const auto& look : labels_) {
    TLabel* label = look->Label.Get();
    if (!label || label->IsDestroying()) continue;
    label->SetTransparent(look->Transparent);
    label->Font().SetColor(look->FontColor);
    label->SetParentFont(look->ParentFont);
  }
}

void TacCtrlAdapter::AddNewItem(TWinControl* control) {
  if (scanDepth_ > 0) {
    rescanPending_ = true;
    return;
  }
  AddItem(control, DefaultSection);
}

void TacCtrlAdapter::AddItem(TWinControl* control, const std::string& section) {
  if (!control || control->IsDestroying()) return;
  // Taken over already (the handler may not answer while a skin is being loaded).
  if (TacAdapterItem* known = ItemOf(control); known && !known->Dead()) return;
  if (control->Parent() && AskControl(control, CMD_ISSKINNED)) return;
  bool canBeAdded = true;
  std::string skinSection = section;
  if (provider_.OnSkinItem) provider_.OnSkinItem(control, canBeAdded, skinSection);
  if (!canBeAdded) return;
  TacAdapterItem* item = ItemOf(control);
  const bool existed = item != nullptr;
  if (!item) {
    items_.push_back(std::make_unique<TacAdapterItem>(*this, *control));
    item = items_.back().get();
    control->FreeNotification(this);
  }
  item->SkinData().SetSkinSection(skinSection);
  try {
    if (existed) {
      // A window made anew: the dead handler goes and a new one takes the new window.
      if (item->Handler() && item->Handler()->Destroyed()) {
        item->FreeHandler();
        if (control->Parent()) item->DoHook(control);
      }
      return;
    }
    if (control->Parent()) item->DoHook(control);
  } catch (...) {
    // A window that cannot be taken over keeps the platform look.
  }
  if (!existed && ItemOf(control) == item && !item->Handler()) RemoveItem(item);
}

void TacCtrlAdapter::RemoveDeadItems() {
  std::vector<TacAdapterItem*> dead;
  for (const auto& item : items_)
    if (item->Dead()) dead.push_back(item.get());
  for (TacAdapterItem* item : dead) RemoveItem(item);
}

void TacCtrlAdapter::RemoveItem(const TacAdapterItem* item) {
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& own) { return own.get() == item; });
  if (it == items_.end()) return;
  std::unique_ptr<TacAdapterItem> gone = std::move(*it);
  items_.erase(it);
  if (TWinControl* control = gone->Control(); control && !control->IsDestroying())
    control->RemoveFreeNotification(this);
}

void TacCtrlAdapter::Broadcast(UINT msg, WPARAM wParam, LPARAM lParam) {
  std::vector<TacAdapterItem*> targets;
  for (const auto& item : items_) targets.push_back(item.get());
  for (TacAdapterItem* item : targets) {
    // A control may go (and its item with it) while an earlier one handles the message.
    if (std::none_of(items_.begin(), items_.end(), [&](const auto& own) { return own.get() == item; })) continue;
    TWinControl* control = item->Control();
    if (item->Dead() || !control || !control->Parent() || !control->HandleAllocated()) continue;
    try {
      SendMessageW(control->Handle(), msg, wParam, lParam);
    } catch (...) {
    }
  }
}

void TacCtrlAdapter::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove) {
    for (const auto& item : items_)
      if (static_cast<TComponent*>(item->Control()) == component) {
        RemoveItem(item.get());
        break;
      }
  }
  TComponent::Notification(component, operation);
}
