#include "engine/net/RpcSetState.h"

#include "engine/ZibBase.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyContainer.h"

ZIB_DEFINE_HASHED_CLASS(RpcSetState, RPC, 0x21ae2a05, u"_21ae2a05", makeObject<RpcSetState>);

void RpcSetState::serialize(Packet* packet) {
  RPC::serialize(packet);
  packet->doInt(&state);
}

void RpcSetState::registerProperties(PropertyContainer* container) {
  addIntProperty(container, u"", &state);
}

void RpcSetState::execute() {
  if (!pTarget) return;
  pTarget->state = state;
  pTarget->timeInState = 0.0;
}
