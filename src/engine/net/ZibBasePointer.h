#pragma once
// A replicable reference to an object.
#include "engine/ZibBase.h"

class ZibBasePointer : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // The ZibBase properties and "pObject".
  void registerProperties(PropertyContainer* container) override;
  // The registered children, then pObject as an object id.
  void netSerializeChildren(Packet* packet) override;

  ZibBase* pObject = nullptr;
};
