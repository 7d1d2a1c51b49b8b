#include "engine/net/RpcDeleteObject.h"

#include "engine/ZibBase.h"
#include "engine/net/NetRole.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyContainer.h"
#include "engine/object/PropertyPointer.h"

ZIB_DEFINE_HASHED_CLASS(RpcDeleteObject, RPC, 0x4472ef3a, u"_4472ef3a", makeObject<RpcDeleteObject>);

void RpcDeleteObject::serialize(Packet* packet) {
  RPC::serialize(packet);
  packet->doPointer2(&object);
}

void RpcDeleteObject::registerProperties(PropertyContainer* container) {
  container->add(new PropertyPointer(u"", 0, &object, &ZibBase::classInfo));
}

void RpcDeleteObject::execute() {
  NetRole* role = NetRole::active();
  if (!object || (role && role->isAnchorWithin(object))) return;
  if (role) role->unregisterObject(object);
  delete object;
}
