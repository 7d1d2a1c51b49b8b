#pragma once
// Remote call "_98af025c": Removes a child from the target; a child of another object is refused.
#include <cstdint>

#include "engine/net/RPC.h"

class RpcRemoveChild : public RPC {
  ZIB_DECLARE_CLASS()
 public:
  RpcRemoveChild() { runEverywhere(); }
  void serialize(Packet* packet) override;
  void registerProperties(PropertyContainer* container) override;
  void execute() override;

  ZibBase* child = nullptr;
};
