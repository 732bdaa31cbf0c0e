// A borrowed pointer to a component that turns null when the component is freed.
//
// The link asks its component for the free notification, so the component itself tells
// the link when it goes: a component made later at the same address is never taken for
// the one the link was given. A link is not copyable; a holder keeps it as a member and
// reads it like a pointer.
#pragma once

#include <cstddef>
#include <new>

#include "framework/Classes.h"

template <class T>
class TComponentLink final : private TComponent {
public:
  TComponentLink() : TComponent(nullptr) {}
  explicit TComponentLink(T* target) : TComponentLink() { Reset(target); }
  ~TComponentLink() override { Reset(nullptr); }
  // A link is a plain object (a member, or held by a smart pointer): plain allocation.
  static void* operator new(std::size_t size) { return ::operator new(size); }
  static void operator delete(void* block) { ::operator delete(block); }

  // Points the link at `target` (null: at nothing).
  void Reset(T* target) {
    if (target == target_) return;
    if (target_) target_->RemoveFreeNotification(this);
    target_ = target;
    if (target_) target_->FreeNotification(this);
  }
  TComponentLink& operator=(T* target) {
    Reset(target);
    return *this;
  }

  // The component, or null once it has been freed.
  T* Get() const { return target_; }
  operator T*() const { return target_; }
  T* operator->() const { return target_; }

protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == TOperation::opRemove && target_ && component == static_cast<TComponent*>(target_))
      target_ = nullptr;
  }

private:
  T* target_ = nullptr;
};
