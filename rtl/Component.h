#pragma once
// The component base: an owner tree with names. An owner destroys the
// components it owns; components can ask to be told when another one goes
// (a reference to it must then be cleared).

#include <algorithm>
#include <vector>

#include "rtl/AnsiString.h"

namespace rtl {

class TComponent;

enum TOperation { opInsert, opRemove };

class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const AnsiString& Name() const { return FName; }
  void SetName(const AnsiString& name) { FName = name; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const { return FComponents[index]; }
  // The owned component of that name (case-insensitive), or nullptr.
  TComponent* FindComponent(const AnsiString& name) const;
  // True while the destructor runs (events that must not fire then check it).
  bool Destroying() const { return FDestroying; }

  // Called once all stored properties are set, as a form's loader does after
  // reading them: a component that derives state from several of them
  // settles it here.
  virtual void Loaded() {}

  // Asks for Notification(this-going, opRemove) when `other` is destroyed.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

 protected:
  virtual void Notification(TComponent* component, TOperation operation) {}
  // Call first thing in a derived destructor whose events must not fire while destroying.
  void BeginDestroy() { FDestroying = true; }

 private:
  void InsertComponent(TComponent* c) { FComponents.push_back(c); }
  void RemoveComponent(TComponent* c) {
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), c), FComponents.end());
  }

  TComponent* FOwner;
  AnsiString FName;
  std::vector<TComponent*> FComponents;  // owned, in creation order
  std::vector<TComponent*> FFreeNotifies;
  bool FDestroying = false;
};

}  // namespace rtl
