#include "engine/ObjectListNode.h"

ObjectListNode::~ObjectListNode() {
  for (BasicLink* c = firstChild; c; c = c->next) c->parent = nullptr;
  firstChild = lastChild = parent = nullptr;
}
