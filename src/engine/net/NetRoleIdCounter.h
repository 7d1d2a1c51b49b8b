#pragma once
// Record "_04790976": a plain object whose properties carry the active
// role's id counter, so that replicating it carries the counter.
#include "engine/ZibBase.h"

class NetRoleIdCounter : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // The ZibBase properties, and "THEROLE->nextObjectUID" while a role is active.
  void registerProperties(PropertyContainer* container) override;
};
