#pragma once
// One entry of the engine-wide object list; Zib holds the head.
#include "engine/BasicLink.h"

class ZibBase;

class ObjectListNode : public BasicLink {
 public:
  // Only forgets its children and parent: the list never owns its objects.
  ~ObjectListNode() override;

  ZibBase* owner = nullptr;
};
