#pragma once
// A weak reference from its owner to a target object: while aimed it is a
// child of the target's linkList, and the target's death empties it.
#include "engine/BasicLink.h"

class ZibBase;

class ObjectLink : public BasicLink {
 public:
  explicit ObjectLink(ZibBase* owner) : owner(owner) {}
  // Empties the link (the owner gets its detach event when it had a target).
  ~ObjectLink() override;

  // The only way to change `target`. Aiming sends no event (aiming at the
  // same target again moves the link to the end of its list); emptying an
  // aimed link sends the owner the detach event, code 0.
  void setTarget(ZibBase* newTarget);

  ZibBase* target = nullptr;
  ZibBase* owner;
};
