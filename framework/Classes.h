// Components: ownership, names, component state, removal notifications and the loading
// phase that stands in for streaming a stored layout.
//
// `TComponent` owns the components created with it as owner and frees them, last first,
// when it is freed. Components live on the heap and are freed with `delete`, which runs
// `BeforeDestruction` on the whole object before any destructor: windows are destroyed
// there, so their last messages still reach the most derived window procedure. A component being freed tells its owner (which passes the news on to
// everything it owns) and every component that asked with `FreeNotification`, so nobody
// keeps a dangling pointer to it.
//
// `TLoadingPhase` marks a root and the components added to it as loading, and calls
// `Loaded` on each of them, in the order they were added, when the phase ends: code that
// builds a window in creation order behaves exactly as a streamed layout would.
//
// Left out: streaming itself, actions, interfaces, design-time support (csDesigning is
// never set).
#pragma once

#include <cstdint>
#include <functional>
#include <new>
#include <vector>

#include "framework/SysUtils.h"

class TComponent;

// Component state flags.
enum TComponentStateFlag : uint32_t {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csDestroying = 1u << 2,
  csDesigning = 1u << 3,
  csFreeNotification = 1u << 4,
};

enum class TOperation { opInsert, opRemove };

// An event handler; the argument is the component that raised it.
using TNotifyEvent = std::function<void(TComponent* sender)>;

class TComponent {
public:
  // `owner` (may be null) takes ownership of the new component.
  explicit TComponent(TComponent* owner);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  virtual ~TComponent();
  // `delete` on any component: BeforeDestruction, then the destructors, then the memory.
  void operator delete(TComponent* component, std::destroying_delete_t);

  virtual const wchar_t* ClassName() const { return L"TComponent"; }

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // Borrowed pointer to an owned component.
  TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
  int ComponentIndex() const;
  // Owned component with this name (case-insensitive, like designer names), or null.
  TComponent* FindComponent(const String& name) const;

  const String& Name() const { return name_; }
  void SetName(const String& name) { name_ = name; }
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t tag) { tag_ = tag; }

  uint32_t ComponentState() const { return state_; }
  bool IsLoading() const { return (state_ & csLoading) != 0; }
  bool IsDestroying() const { return (state_ & csDestroying) != 0; }
  bool IsDesigning() const { return (state_ & csDesigning) != 0; }

  // Moves `component` into this component's ownership (from its previous owner, if any).
  void InsertComponent(TComponent* component);
  // Gives up ownership of `component` without freeing it.
  void RemoveComponent(TComponent* component);

  // `component` is told (Notification with opRemove) when this component is freed, and
  // this component is told when `component` is freed.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Called once when the loading phase that created this component ends; clears csLoading.
  virtual void Loaded();
  // Marks this component and everything it owns as being destroyed. Called by the
  // destructor; a derived destructor may call it first to mark the tree early.
  void Destroying();
  // Runs once, on the whole object, when it is deleted: marks it destroying. Overrides
  // release what needs the whole object (windows, handlers) and must not raise.
  virtual void BeforeDestruction();

  // Internal: the loading phase sets and clears the loading flags.
  void SetLoadingFlags(bool on);

protected:
  // `component` was inserted into or removed from the owner tree, or is being freed.
  // The default passes the notification on to every owned component.
  virtual void Notification(TComponent* component, TOperation operation);

private:
  void NotifyFreed();

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  String name_;
  intptr_t tag_ = 0;
  uint32_t state_ = 0;
};

// Builds a root component and its children as a stored layout would. While the phase
// lasts the root and each added component carry csLoading; `Finish` (or the destructor)
// calls `Loaded` on the root first and then on every added component in the order added.
class TLoadingPhase {
public:
  explicit TLoadingPhase(TComponent* root);
  ~TLoadingPhase();
  TLoadingPhase(const TLoadingPhase&) = delete;
  TLoadingPhase& operator=(const TLoadingPhase&) = delete;

  // Marks `component` as loading and returns it, so creation reads `x = phase.Add(new T(owner))`.
  template <class T>
  T* Add(T* component) {
    Track(component);
    return component;
  }
  void Finish();

private:
  void Track(TComponent* component);

  std::vector<TComponent*> loaded_;
  bool finished_ = false;
};
