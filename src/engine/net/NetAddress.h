#pragma once
// An IPv4 address with port: exactly the 16-byte socket address, parsed from
// and printed as "a.b.c.d:port".
#include <cstdint>
#include <string>

#include "platform/Sockets.h"

class NetAddress {
 public:
  static constexpr uint16_t kDefaultPort = 23006;

  // Any interface, the default port.
  NetAddress();

  // "host:port" or "host" (port 0). The port keeps the low 16 bits of the
  // number; a port that does not convert is 0.
  void setFromString(const std::u16string& text);
  // "localhost" is 127.0.0.1; other hosts are resolved (the first IPv4
  // address), and a host that cannot be resolved gives 127.0.0.1 port 0.
  void setBoth(uint16_t port, const std::u16string& host);
  std::u16string toString() const;

  // Host order.
  uint32_t getIP() const;
  uint16_t getPort() const;
  void setPort(uint16_t port);
  bool sameEndpoint(const NetAddress& other) const;
  const sockets::SockAddrIn* getSockAddr() const { return &sockAddr; }

  sockets::SockAddrIn sockAddr;
};
static_assert(sizeof(NetAddress) == 16);
