#include "engine/net/RpcRemoveChild.h"

#include "engine/ZibBase.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyContainer.h"
#include "engine/object/PropertyPointer.h"

ZIB_DEFINE_HASHED_CLASS(RpcRemoveChild, RPC, 0x98af025c, u"_98af025c", makeObject<RpcRemoveChild>);

void RpcRemoveChild::serialize(Packet* packet) {
  RPC::serialize(packet);
  packet->doPointer2(&child);
}

void RpcRemoveChild::registerProperties(PropertyContainer* container) {
  container->add(new PropertyPointer(u"", 0, &child, &ZibBase::classInfo));
}

void RpcRemoveChild::execute() {
  if (pTarget && child && child->parent == pTarget) pTarget->removeChild(child);
}
