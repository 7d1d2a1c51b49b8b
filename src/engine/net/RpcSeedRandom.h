#pragma once
// Remote call "_cfad751b": Seeds the active role's shared random generator.
#include <cstdint>

#include "engine/net/RPC.h"

class RpcSeedRandom : public RPC {
  ZIB_DECLARE_CLASS()
 public:
  RpcSeedRandom() { runEverywhere(); }
  void serialize(Packet* packet) override;
  void registerProperties(PropertyContainer* container) override;
  void execute() override;

  uint32_t seed = 0;
};
