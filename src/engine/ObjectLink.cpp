#include "engine/ObjectLink.h"

#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "engine/ZibEvent.h"

ObjectLink::~ObjectLink() { setTarget(nullptr); }

void ObjectLink::setTarget(ZibBase* newTarget) {
  ZibBase* oldTarget = target;
  if (oldTarget) oldTarget->linkList.removeChild(this);
  target = newTarget;
  if (newTarget) {
    newTarget->linkList.appendChild(this);
    return;
  }
  if (!oldTarget || !owner) return;
  ZibEvent event;
  event.code = 0;
  event.target = owner;
  event.tracker = zib ? zib->pFocusTracker : nullptr;
  event.link = this;
  dispatchEvent(owner, &event);
}
