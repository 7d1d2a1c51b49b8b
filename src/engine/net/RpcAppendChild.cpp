#include "engine/net/RpcAppendChild.h"

#include "engine/ZibBase.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyContainer.h"
#include "engine/object/PropertyPointer.h"

ZIB_DEFINE_HASHED_CLASS(RpcAppendChild, RPC, 0x02468b57, u"_02468b57", makeObject<RpcAppendChild>);

void RpcAppendChild::serialize(Packet* packet) {
  RPC::serialize(packet);
  packet->doPointer2(&child);
}

void RpcAppendChild::registerProperties(PropertyContainer* container) {
  container->add(new PropertyPointer(u"", 0, &child, &ZibBase::classInfo));
}

void RpcAppendChild::execute() {
  if (!pTarget || !child || child->parent) return;
  for (BasicLink* node = pTarget; node; node = node->parent)
    if (node == child) return;
  pTarget->appendChild(child);
}
