#include "engine/net/RpcDestroyChildren.h"

#include "engine/ZibBase.h"

ZIB_DEFINE_HASHED_CLASS(RpcDestroyChildren, RPC, 0xae3f6255, u"_ae3f6255", makeObject<RpcDestroyChildren>);

void RpcDestroyChildren::execute() {
  if (pTarget) pTarget->destroyChildren();
}
