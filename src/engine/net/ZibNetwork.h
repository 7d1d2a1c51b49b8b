#pragma once
// The network manager: starts and stops the socket layer, holds the setting
// bEmulateLocalhost, the active replication role and the queue of emulated
// packets. Replication stays dormant: no role is ever made.
#include <cstdint>
#include <string>

#include "engine/ClassInfo.h"
#include "engine/ZibBase.h"

class NetAddress;
class NetRole;

class ZibNetwork {
  ZIB_DECLARE_ROOT_CLASS()
 public:
  // Needs the logger, the error manager and the user configuration.
  ZibNetwork();
  ZibNetwork(const ZibNetwork&) = delete;
  ZibNetwork& operator=(const ZibNetwork&) = delete;
  virtual ~ZibNetwork();

  // The code's symbolic name; "" (and a log line) for an unknown code.
  static std::u16string getWSAErrorString(int code);
  // Destroys the queued packets bound for the address's IP and port.
  void flushEmulatedPackets(const NetAddress& address);

  bool bEmulateLocalhost = false;
  NetRole* THEROLE = nullptr;
  uint16_t nextEmulatedPort = 1;
  // Packets (children) waiting for an emulated endpoint, each with its destination as peer.
  ZibBase emulatedPackets;
};
