#include "engine/net/RpcReserved1.h"

#include "engine/ZibBase.h"

ZIB_DEFINE_HASHED_CLASS(RpcReserved1, RPC, 0x67719ab0, u"_67719ab0", makeObject<RpcReserved1>);

void RpcReserved1::execute() {
  if (pTarget) pTarget->reservedOperation1();
}
