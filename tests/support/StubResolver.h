#pragma once
// Test support: a name resolver that answers from a table instead of the
// system, installed for its lifetime. Hosts not in the table are not found.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Sockets.h"

class StubResolver {
 public:
  StubResolver();
  ~StubResolver();
  StubResolver(const StubResolver&) = delete;
  StubResolver& operator=(const StubResolver&) = delete;

  // Addresses in host order ("10.1.2.3" is 0x0A010203); an address type other
  // than AF_INET answers with that type.
  void add(const std::string& host, std::vector<uint32_t> addresses, int16_t addressType = sockets::kAfInet);

  std::vector<std::string> lookups;
};
