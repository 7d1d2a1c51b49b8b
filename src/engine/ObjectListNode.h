#pragma once
// One entry of the engine-wide object list; Zib holds the head.
#include "engine/BasicLink.h"

class ZibBase;

class ObjectListNode : public BasicLink {
 public:
  // Deletes nothing: the list never owns its objects. Entries still listed
  // (leaks) forget the head, so that they can outlive it.
  ~ObjectListNode() override;

  ZibBase* owner = nullptr;
};
