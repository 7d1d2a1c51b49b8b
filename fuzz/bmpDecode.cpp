// Decodes arbitrary bytes as a BMP file.
#include <cstddef>
#include <cstdint>

#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzDecodeImage(data, size, ".bmp");
  return 0;
}
