#pragma once
// Remote call "_9a4605a1": Runs the target's second reserved operation.
#include <cstdint>

#include "engine/net/RPC.h"

class RpcReserved2 : public RPC {
  ZIB_DECLARE_CLASS()
 public:
  RpcReserved2() { runEverywhere(); }
  void execute() override;
};
