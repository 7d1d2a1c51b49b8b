// Decodes arbitrary bytes as a JPEG file.
#include <cstddef>
#include <cstdint>

#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzDecodeImage(data, size, ".jpg", 512 * 512);
  return 0;
}
