#include "framework/Classes.h"

#include <algorithm>
#include <cwctype>

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

void TComponent::operator delete(TComponent* component, std::destroying_delete_t) {
  // The most derived object's address, for the memory (taken while the object is whole).
  void* block = dynamic_cast<void*>(component);
  try {
    component->BeforeDestruction();
  } catch (...) {
    // Destruction cannot report; overrides catch and report their own errors.
  }
  component->~TComponent();
  ::operator delete(block);
}

void TComponent::BeforeDestruction() { Destroying(); }

TComponent::~TComponent() {
  Destroying();
  NotifyFreed();
  // Owned components go last first; each removes itself from components_ on the way.
  while (!components_.empty()) {
    TComponent* last = components_.back();
    components_.pop_back();
    last->owner_ = nullptr;
    delete last;
  }
  if (owner_) {
    auto& list = owner_->components_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    owner_ = nullptr;
  }
}

void TComponent::NotifyFreed() {
  // Those that asked to be told, then the owner tree (unless the owner is going too).
  std::vector<TComponent*> notifies;
  notifies.swap(freeNotifies_);
  for (TComponent* other : notifies) {
    auto& back = other->freeNotifies_;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    other->Notification(this, TOperation::opRemove);
  }
  if (owner_ && !owner_->IsDestroying()) owner_->Notification(this, TOperation::opRemove);
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  const auto& list = owner_->components_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const String& name) const {
  if (name.empty()) return nullptr;
  auto same = [](const String& a, const String& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return std::towupper(x) == std::towupper(y); });
  };
  for (TComponent* c : components_)
    if (same(c->name_, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  Notification(component, TOperation::opRemove);
  components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
  component->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
    freeNotifies_.push_back(component);
  auto& back = component->freeNotifies_;
  if (std::find(back.begin(), back.end(), this) == back.end()) back.push_back(this);
  state_ |= csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component), freeNotifies_.end());
  auto& back = component->freeNotifies_;
  back.erase(std::remove(back.begin(), back.end(), this), back.end());
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  // Index loop: a handler may free components while the news travels.
  for (size_t i = 0; i < components_.size(); ++i)
    if (components_[i] != component) components_[i]->Notification(component, operation);
}

void TComponent::Loaded() { state_ &= ~csLoading; }

void TComponent::Destroying() {
  if (state_ & csDestroying) return;
  state_ |= csDestroying;
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::SetLoadingFlags(bool on) {
  if (on)
    state_ |= csLoading | csReading;
  else
    state_ &= ~csReading;
}

TLoadingPhase::TLoadingPhase(TComponent* root) { Track(root); }

TLoadingPhase::~TLoadingPhase() {
  // Normally finished explicitly; on an error path the components still leave loading.
  try {
    Finish();
  } catch (...) {
  }
}

void TLoadingPhase::Track(TComponent* component) {
  if (!component) return;
  component->SetLoadingFlags(true);
  loaded_.push_back(component);
}

void TLoadingPhase::Finish() {
  if (finished_) return;
  finished_ = true;
  for (TComponent* c : loaded_) c->SetLoadingFlags(false);
  for (TComponent* c : loaded_) c->Loaded();
}
