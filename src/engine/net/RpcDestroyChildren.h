#pragma once
// Remote call "_ae3f6255": Destroys the target's children, unless the role's anchor is among them.
#include <cstdint>

#include "engine/net/RPC.h"

class RpcDestroyChildren : public RPC {
  ZIB_DECLARE_CLASS()
 public:
  RpcDestroyChildren() { runEverywhere(); }
  void execute() override;
};
