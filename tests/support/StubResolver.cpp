#include "support/StubResolver.h"

namespace {

struct Entry {
  std::vector<uint32_t> addresses;
  int16_t addressType;
};
std::map<std::string, Entry> table;
StubResolver* current = nullptr;

bool resolve(const std::string& name, sockets::HostEntry& out) {
  if (current) current->lookups.push_back(name);
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
