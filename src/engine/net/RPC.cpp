#include "engine/net/RPC.h"

#include "engine/ErrorManager.h"
#include "engine/ZibBase.h"
#include "engine/net/NetRole.h"
#include "engine/net/Packet.h"

ZIB_DEFINE_ROOT_CLASS(RPC, makeObject<RPC>);

void RPC::serialize(Packet* packet) { packet->doPointer2(&pTarget); }

bool RPC::executeRemotely() {
  NetRole* role = NetRole::active();
  if (!role) return false;
  if (!bClientCallable && !role->bServer && bRunOnServer && !role->bInServerCall)
    reportError(ZIB_FUNCTION, "src\\RPC", 43,
                formatString(u"Can't call '%s::%s' client-side.", pTarget ? pTarget->getClass()->getName() : u"NULL",
                             getClass()->getName()));
  if (role->bServer && bRunOnClients && !role->bInClientCall) return true;
  return bClientCallable && !role->bServer && bRunOnServer && !role->bInServerCall;
}

void RPC::executeLocally() {
  NetRole* role = NetRole::active();
  if (!role || !(role->bServer ? bRunOnServer : bRunOnClients)) return;
  savedInServerCall = role->bInServerCall;
  savedInClientCall = role->bInClientCall;
  role->bInServerCall = bRunOnServer;
  role->bInClientCall = bRunOnClients;
  execute();
  role->bInServerCall = savedInServerCall;
  role->bInClientCall = savedInClientCall;
}
