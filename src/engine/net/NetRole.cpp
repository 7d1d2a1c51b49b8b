#include "engine/net/NetRole.h"

#include <memory>

#include "engine/ClassInfo.h"
#include "engine/ErrorManager.h"
#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "engine/net/NetConnection.h"
#include "engine/net/NetStatistics.h"
#include "engine/net/RPC.h"
#include "engine/net/RpcDeleteObject.h"
#include "engine/net/ZibNetwork.h"

NetRole::NetRole(NetConnection* connection, bool bServer, ZibBase* anchor)
    : connection(connection), bServer(bServer), anchor(anchor) {}

NetRole::~NetRole() = default;

NetRole* NetRole::active() { return zib && zib->pZibNetwork ? zib->pZibNetwork->THEROLE : nullptr; }

void NetRole::registerObject(ZibBase* object) {
  object->objectUID = nextObjectUID++;
  objects[object->objectUID] = object;
}

void NetRole::unregisterObject(ZibBase* object) {
  if (!object) return;
  if (object->objectUID <= 0) reportAssertion(ZIB_FUNCTION, "src\\NetRole", 484, u"o->isValidUID()");
  objects.erase(object->objectUID);
  object->objectUID = -1;
}

ZibBase* NetRole::lookupObject(int32_t id) const {
  const auto found = objects.find(id);
  return found == objects.end() ? nullptr : found->second;
}

ZibBase* NetRole::findObject(int32_t id) {
  ZibBase* object = lookupObject(id);
  if (!object) reportError(ZIB_FUNCTION, "src\\NetRole", 500, formatString(u"Could not find object ID %d", id));
  return object;
}

void NetRole::sendRPC(RPC* call) {
  uint8_t type = kMessageRPC;
  packet.doBits(&type, 2);
  const ClassInfo* classInfo = call->getClass();
  packet.doClassID(&classInfo);
  call->serialize(&packet);
  if (connection) ++connection->getStatistics()->messages[0][kMessageRPC];
  const int32_t index = classInfo->classIndex;
  if (index >= 0) {
    if (callsSent.size() <= static_cast<size_t>(index)) callsSent.resize(index + 1);
    ++callsSent[index];
  }
}

bool NetRole::receiveMessage(Packet* from) {
  uint8_t type = 0;
  from->doBits(&type, 2);
  const ClassInfo* classInfo = nullptr;
  if (!from->hasError() && type == kMessageRPC) from->doClassID(&classInfo);
  // Only the records of remote calls have factories that make one.
  if (from->hasError() || !classInfo || !classInfo->factory || classInfo == &RPC::classInfo ||
      !classInfo->isA(&RPC::classInfo)) {
    from->setError();
    return false;
  }
  std::unique_ptr<RPC> call(static_cast<RPC*>(classInfo->factory()));
  call->serialize(from);
  if (from->hasError() || !call->pTarget) {
    from->setError();
    return false;
  }
  call->executeLocally();
  return true;
}

bool NetRole::isAnchorWithin(const ZibBase* object) const {
  for (const BasicLink* node = anchor; node; node = node->parent)
    if (node == object) return true;
  return false;
}

void NetRole::netDeleteObject(ZibBase* object) {
  RpcDeleteObject call;
  call.pTarget = anchor;
  call.object = object;
  if (call.executeRemotely()) sendRPC(&call);
  call.executeLocally();
}
