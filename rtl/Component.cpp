#include "rtl/Component.h"

#include "rtl/SysUtils.h"

namespace rtl {

TComponent::TComponent(TComponent* owner) : FOwner(owner) {
  if (FOwner) FOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  FDestroying = true;
  // Tell whoever asked that this component goes away.
  auto notifies = std::move(FFreeNotifies);
  for (TComponent* c : notifies) {
    c->Notification(this, opRemove);
    c->RemoveFreeNotification(this);
  }
  // Owned components go last-created first.
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    FComponents.pop_back();
    c->FOwner = nullptr;
    delete c;
  }
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const AnsiString& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, name)) return c;
  return nullptr;
}

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (std::find(other->FFreeNotifies.begin(), other->FFreeNotifies.end(), this) == other->FFreeNotifies.end())
    other->FFreeNotifies.push_back(this);
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), other) == FFreeNotifies.end())
    FFreeNotifies.push_back(other);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  if (!other) return;
  auto drop = [](std::vector<TComponent*>& v, TComponent* c) { v.erase(std::remove(v.begin(), v.end(), c), v.end()); };
  drop(other->FFreeNotifies, this);
  drop(FFreeNotifies, other);
}

}  // namespace rtl
