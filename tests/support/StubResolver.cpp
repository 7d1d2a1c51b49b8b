#include "support/StubResolver.h"

namespace {

struct Entry {
  std::vector<uint32_t> addresses;
  int16_t addressType;
};
std::map<std::string, Entry> table;
StubResolver* current = nullptr;

// "a.b.c.d", as the system resolver reads numeric hosts itself.
bool parseDotted(const std::string& name, uint32_t& address) {
  address = 0;
  size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && (at >= name.size() || name[at++] != '.')) return false;
    uint32_t value = 0;
    size_t digits = 0;
    for (; at < name.size() && name[at] >= '0' && name[at] <= '9' && digits < 4; ++at, ++digits)
      value = value * 10 + static_cast<uint32_t>(name[at] - '0');
    if (digits == 0 || value > 255) return false;
    address = address << 8 | value;
  }
  return at == name.size();
}

bool resolve(const std::string& name, sockets::HostEntry& out) {
  if (current) current->lookups.push_back(name);
  if (uint32_t dotted; parseDotted(name, dotted)) {
    out.addressType = sockets::kAfInet;
    out.addresses.push_back(sockets::hostToNet32(dotted));
    return true;
  }
  const auto found = table.find(name);
  if (found == table.end()) return false;
  out.addressType = found->second.addressType;
  for (uint32_t address : found->second.addresses) out.addresses.push_back(sockets::hostToNet32(address));
  return true;
}

}  // namespace

StubResolver::StubResolver() {
  table.clear();
  current = this;
  sockets::setResolver(resolve);
}

StubResolver::~StubResolver() {
  sockets::setResolver(nullptr);
  current = nullptr;
  table.clear();
}

void StubResolver::add(const std::string& host, std::vector<uint32_t> addresses, int16_t addressType) {
  table[host] = Entry{std::move(addresses), addressType};
}
