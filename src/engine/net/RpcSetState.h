#pragma once
// Remote call "_21ae2a05": Sets the target's state at once, without the state-change notification.
#include <cstdint>

#include "engine/net/RPC.h"

class RpcSetState : public RPC {
  ZIB_DECLARE_CLASS()
 public:
  RpcSetState() { runEverywhere(); }
  void serialize(Packet* packet) override;
  void registerProperties(PropertyContainer* container) override;
  void execute() override;

  int32_t state = 0;
};
