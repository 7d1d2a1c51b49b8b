#include "engine/net/RpcReserved2.h"

#include "engine/ZibBase.h"

ZIB_DEFINE_HASHED_CLASS(RpcReserved2, RPC, 0x9a4605a1, u"_9a4605a1", makeObject<RpcReserved2>);

void RpcReserved2::execute() {
  if (pTarget) pTarget->reservedOperation2();
}
