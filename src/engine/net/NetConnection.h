#pragma once
// One UDP endpoint: a non-blocking datagram socket bound to an address, or an
// in-process endpoint for 127.0.0.1 while localhost is emulated; with its
// packet and a ten-second window of per-second statistics.
#include "engine/ZibBase.h"
#include "engine/net/NetAddress.h"
#include "engine/net/NetStatistics.h"
#include "engine/net/Packet.h"
#include "platform/Sockets.h"

class NetConnection : public ZibBase {
 public:
  // Binds the address (port 0: a port of the system's choice, then stored in
  // `address`); every failing step is fatal with the error's name.
  explicit NetConnection(NetAddress address);
  // Closes the socket, or flushes the emulated packets queued for it.
  ~NetConnection() override;

  // The current second's record; after a pause records catch up one second per call.
  NetStatistics* getStatistics();

  NetAddress address;
  ZibBase statisticsList;
  NetStatistics statisticsTotal;
  double statisticsWindow = 10.0;
  bool bEmulated = false;
  Packet packet{Packet::kFlagReplication, -1};
  sockets::Socket wsaSocket = sockets::kInvalidSocket;
};
