// Decodes arbitrary bytes as a TGA file.
#include <cstddef>
#include <cstdint>

#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  fuzzDecodeImage(data, size, ".tga");
  return 0;
}
