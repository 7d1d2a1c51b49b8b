#include "engine/ChildIterator.h"

#include "engine/BasicLink.h"

ChildIterator::ChildIterator(BasicLink* owner, int) : owner(owner), nextNode(owner->firstChild) {
  next();
}

ChildIterator::ChildIterator(BasicLink* owner, uint32_t flags, bool)
    : flags(flags), owner(owner), nextNode(flags & ITERATE_BACKWARDS ? owner->lastChild : owner->firstChild) {
  next();
}

void ChildIterator::next() {
  if (bDone) return;
  for (;;) {
    if (current && (flags & ITERATE_DESTROY_PENDING) && current->bDeletePending) {
      current->destroy();
      current = nullptr;
    }
    current = nextNode;
    bDone = current == nullptr;
    if (bDone) return;
    nextNode = flags & ITERATE_BACKWARDS ? current->prev : current->next;
    if (!current->bDeletePending && (!current->bSkip || (flags & ITERATE_INCLUDE_SKIPPED))) return;
  }
}
