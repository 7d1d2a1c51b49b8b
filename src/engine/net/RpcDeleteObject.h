#pragma once
// Remote call "_4472ef3a": Unregisters an object and deletes it; the role's anchor and its
// ancestors are refused.
#include <cstdint>

#include "engine/net/RPC.h"

class RpcDeleteObject : public RPC {
  ZIB_DECLARE_CLASS()
 public:
  RpcDeleteObject() { runEverywhere(); }
  void serialize(Packet* packet) override;
  void registerProperties(PropertyContainer* container) override;
  void execute() override;

  ZibBase* object = nullptr;
};
