#include "engine/ReplicationScope.h"

#include "engine/net/NetRole.h"

ReplicationScope::ReplicationScope() {
  NetRole* role = NetRole::active();
  bSavedInClientCall = role && role->bInClientCall;
  bClient = role && !role->bServer;
  if (role && !bClient) role->bInClientCall = false;
}

ReplicationScope::~ReplicationScope() {
  if (NetRole* role = NetRole::active()) role->bInClientCall = bSavedInClientCall;
}
