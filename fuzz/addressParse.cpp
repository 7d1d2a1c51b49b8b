// Parses address texts with a stub resolver: any text gives a printable
// address; a resolved host keeps its address and the port its low 16 bits.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/StringUtils.h"
#include "engine/net/NetAddress.h"
#include "support/FuzzSupport.h"
#include "support/StubResolver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  fuzzEnsureEngine();
  static StubResolver* resolver = [] {
    auto* stub = new StubResolver;
    stub->add("game.example", {0x0A000001});
    stub->add("many.example", {0xC0A80001, 0xC0A80002});
    return stub;
  }();
  resolver->lookups.clear();
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  NetAddress address;
  address.setFromString(text);
  const std::u16string printed = address.toString();
  NetAddress again;
  again.setFromString(printed);
  if (again.getIP() != address.getIP() || again.getPort() != address.getPort()) abort();
  return 0;
}
