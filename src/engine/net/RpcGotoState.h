#pragma once
// Remote call "_7b13321b": Requests a state on the target after a delay (carried as a 16-bit float).
#include <cstdint>

#include "engine/net/RPC.h"

class RpcGotoState : public RPC {
  ZIB_DECLARE_CLASS()
 public:
  RpcGotoState() { runEverywhere(); }
  void serialize(Packet* packet) override;
  void registerProperties(PropertyContainer* container) override;
  void execute() override;

  int32_t state = 0;
  double delay = 0.0;
};
