#include "engine/net/RpcSeedRandom.h"

#include "engine/ZibBase.h"
#include "engine/net/NetRole.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyContainer.h"
#include "engine/object/PropertyDWORD.h"

ZIB_DEFINE_HASHED_CLASS(RpcSeedRandom, RPC, 0xcfad751b, u"_cfad751b", makeObject<RpcSeedRandom>);

void RpcSeedRandom::serialize(Packet* packet) {
  RPC::serialize(packet);
  packet->doRaw4(&seed);
}

void RpcSeedRandom::registerProperties(PropertyContainer* container) {
  container->add(new PropertyDWORD(u"", 0, &seed));
}

void RpcSeedRandom::execute() {
  if (NetRole* role = NetRole::active()) seedMersenneTwister(role->mt, seed);
}
