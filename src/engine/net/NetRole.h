#pragma once
// A replication role, server or client: numbers replicated objects, finds
// them by id and sends remote calls. The program keeps replication dormant
// and never makes one; the network manager's THEROLE is the active role.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "base/StringUtils.h"
#include "engine/net/Packet.h"

class NetConnection;
class RPC;
class ZibBase;

class NetRole {
 public:
  // Message types (2 bits); only remote calls are produced.
  static constexpr uint8_t kMessageRPC = 3;

  NetRole(NetConnection* connection, bool bServer, ZibBase* anchor);
  NetRole(const NetRole&) = delete;
  NetRole& operator=(const NetRole&) = delete;
  ~NetRole();

  // The network manager's THEROLE, or null.
  static NetRole* active();

  // Gives the object the next id and maps it.
  void registerObject(ZibBase* object);
  // Null is ignored; the object's id must be positive. The id becomes -1.
  void unregisterObject(ZibBase* object);
  // Fatal for an id that names no object.
  ZibBase* findObject(int32_t id);
  // Null for an id that names no object.
  ZibBase* lookupObject(int32_t id) const;

  // Writes the call as one message into `packet`.
  void sendRPC(RPC* call);
  // Reads one message and runs its call. A malformed message, a class that is
  // not a remote call or an id that names no object drops the message: false.
  bool receiveMessage(Packet* from);
  // Whether the anchor is `object` or lies below it: deleting such an object
  // would leave the role without its anchor.
  bool isAnchorWithin(const ZibBase* object) const;
  // Deletes the object on every side (a delete call on the anchor).
  void netDeleteObject(ZibBase* object);

  NetConnection* connection;
  bool bServer;
  ZibBase* anchor;
  bool bInServerCall = false;
  bool bInClientCall = false;
  MersenneTwisterState mt{};
  std::unordered_map<int32_t, ZibBase*> objects;
  int32_t nextObjectUID = 1;
  Packet packet{Packet::kFlagReplication, -1};
  // Calls sent, by class index.
  std::vector<int32_t> callsSent;
};
