#pragma once
// A remote call: an operation on a target object that a role sends to the
// other side and runs where the call's flags allow.
#include "engine/ClassInfo.h"

class Packet;
class PropertyContainer;
class ZibBase;

class RPC {
  ZIB_DECLARE_ROOT_CLASS()
 public:
  RPC() = default;
  RPC(const RPC&) = delete;
  RPC& operator=(const RPC&) = delete;
  virtual ~RPC() = default;

  // The target, then the arguments of the class.
  virtual void serialize(Packet* packet);
  // One unnamed property per argument.
  virtual void registerProperties(PropertyContainer*) {}
  virtual void execute() {}

  // Whether this side must send the call, by the active role; false without
  // one. A server-only call made on a client is fatal.
  bool executeRemotely();
  // Runs the call where its flags allow it, with the role's call flags set to
  // the call's for the time it runs. Nothing without a role.
  void executeLocally();

  bool bRunOnServer = false;
  bool bRunOnClients = false;
  bool bClientCallable = false;
  ZibBase* pTarget = nullptr;
  bool savedInServerCall = false;
  bool savedInClientCall = false;

 protected:
  // The concrete calls run on both sides.
  void runEverywhere() { bRunOnServer = bRunOnClients = true; }
};
