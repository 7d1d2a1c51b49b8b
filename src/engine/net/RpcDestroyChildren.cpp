#include "engine/net/RpcDestroyChildren.h"

#include "engine/ZibBase.h"
#include "engine/net/NetRole.h"

ZIB_DEFINE_HASHED_CLASS(RpcDestroyChildren, RPC, 0xae3f6255, u"_ae3f6255", makeObject<RpcDestroyChildren>);

void RpcDestroyChildren::execute() {
  NetRole* role = NetRole::active();
  // The anchor's ancestors keep their children.
  if (pTarget && !(role && role->anchor != pTarget && role->isAnchorWithin(pTarget))) pTarget->destroyChildren();
}
