// Decodes arbitrary bytes as a TGA file.
#include <cstddef>
#include <cstdint>

#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzDecodeImage(data, size, ".tga");
  return 0;
}
