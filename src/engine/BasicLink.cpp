#include "engine/BasicLink.h"

#include "engine/ErrorManager.h"

ZIB_DEFINE_ROOT_CLASS(BasicLink, makeObject<BasicLink>);

BasicLink::~BasicLink() {
  if (parent) parent->removeChild(this);
  deleteChildren();
}

void BasicLink::destroy() { delete this; }

void BasicLink::appendChild(BasicLink* child) {
  ZIB_ASSERT(child->parent == nullptr);
  child->next = nullptr;
  child->prev = lastChild;
  if (lastChild)
    lastChild->next = child;
  else
    firstChild = child;
  lastChild = child;
  child->parent = this;
}

void BasicLink::prependChild(BasicLink* child) {
  ZIB_ASSERT(child->parent == nullptr);
  child->prev = nullptr;
  child->next = firstChild;
  if (firstChild)
    firstChild->prev = child;
  else
    lastChild = child;
  firstChild = child;
  child->parent = this;
}

void BasicLink::insertChildAfter(BasicLink* child, BasicLink* after) {
  ZIB_ASSERT(after->parent == this);
  if (after == lastChild) {
    appendChild(child);
    return;
  }
  ZIB_ASSERT(child->parent == nullptr);
  child->next = after->next;
  after->next->prev = child;
  child->prev = after;
  after->next = child;
  child->parent = this;
}

void BasicLink::removeChild(BasicLink* child) {
  ZIB_ASSERT(child->parent == this);
  if (firstChild == lastChild) {
    firstChild = lastChild = nullptr;
  } else if (child == firstChild) {
    firstChild = child->next;
  } else if (child == lastChild) {
    lastChild = child->prev;
  }
  if (child->prev) child->prev->next = child->next;
  if (child->next) child->next->prev = child->prev;
  child->parent = nullptr;
}

void BasicLink::deleteChildren() {
  while (BasicLink* child = lastChild) {
    removeChild(child);
    delete child;
  }
}

uint32_t BasicLink::countChildren() const {
  uint32_t count = 0;
  for (const BasicLink* c = firstChild; c; c = c->next) ++count;
  return count;
}
