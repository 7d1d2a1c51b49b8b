#pragma once
// Remote call "_67719ab0": Runs the target's first reserved operation.
#include <cstdint>

#include "engine/net/RPC.h"

class RpcReserved1 : public RPC {
  ZIB_DECLARE_CLASS()
 public:
  RpcReserved1() { runEverywhere(); }
  void execute() override;
};
