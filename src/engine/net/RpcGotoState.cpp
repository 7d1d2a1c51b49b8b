#include "engine/net/RpcGotoState.h"

#include "engine/ReplicationScope.h"
#include "engine/ZibBase.h"
#include "engine/net/NetRole.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyContainer.h"

ZIB_DEFINE_HASHED_CLASS(RpcGotoState, RPC, 0x7b13321b, u"_7b13321b", makeObject<RpcGotoState>);

void RpcGotoState::serialize(Packet* packet) {
  RPC::serialize(packet);
  packet->doInt(&state);
  float narrow = static_cast<float>(delay);
  packet->doFloat16(&narrow);
  delay = narrow;
}

void RpcGotoState::registerProperties(PropertyContainer* container) {
  addIntProperty(container, u"", &state);
  addDoubleProperty(container, u"", &delay);
}

void RpcGotoState::execute() {
  if (!pTarget) return;
  StateBase& target = *pTarget;
  if (delay == 0.0) {
    if (target.stateGoto != state) {
      target.stateGoto = state;
      target.stateLeft = 0.0;
      target.state = state;
      target.timeInState = 0.0;
      target.onStateChange();
    }
    return;
  }
  NetRole* role = NetRole::active();
  {
    ReplicationScope scope;
    if ((!role || role->bServer) && target.stateGoto != state) {
      target.stateGoto = state;
      target.stateLeft = delay;
      if (delay <= 0.0) {
        target.timeInState = 0.0;
        target.state = state;
        target.onStateChange();
      }
    }
  }
  if (!role || !role->bServer) {
    const bool savedInServerCall = role && role->bInServerCall;
    if (role) role->bInServerCall = false;
    target.stateGoto = state;
    if (role) role->bInServerCall = savedInServerCall;
  }
}
