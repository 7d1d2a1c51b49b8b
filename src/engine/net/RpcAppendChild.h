#pragma once
// Remote call "_02468b57": Appends a child to the target. A child that already has a parent, or that
// is the target or one of its ancestors, is refused.
#include <cstdint>

#include "engine/net/RPC.h"

class RpcAppendChild : public RPC {
  ZIB_DECLARE_CLASS()
 public:
  RpcAppendChild() { runEverywhere(); }
  void serialize(Packet* packet) override;
  void registerProperties(PropertyContainer* container) override;
  void execute() override;

  ZibBase* child = nullptr;
};
