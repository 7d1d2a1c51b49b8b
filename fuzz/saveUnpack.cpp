// Unpacks arbitrary bytes as a save container of a fixed-size record: once as
// they are, and once with the digest recomputed so that the length check and
// zlib see the input too.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/Md5.h"
#include "engine/SaveContainer.h"
#include "support/FuzzSupport.h"

namespace {

constexpr uint32_t kSalt = 0x5EED5A17;
constexpr uint32_t kRecordLength = 256;

void check(const uint8_t* data, size_t size) {
  SaveContainer container;
  const bool ok = container.unpack(data, size, kSalt, kRecordLength);
  if (ok != (container.length == kRecordLength) || (!ok && container.data)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  check(data, size);
  if (size > 0x40) {
    std::vector<uint8_t> resealed(data, data + size);
    md5DigestSalted(resealed.data() + 0x30, kSalt, resealed.data() + 0x40, size - 0x40);
    check(resealed.data(), size);
  }
  return 0;
}
