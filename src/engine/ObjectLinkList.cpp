#include "engine/ObjectLinkList.h"

#include "engine/ObjectLink.h"

ObjectLinkList::~ObjectLinkList() {
  // Each emptied link leaves this list, so the loop ends.
  while (firstChild) static_cast<ObjectLink*>(firstChild)->setTarget(nullptr);
}
