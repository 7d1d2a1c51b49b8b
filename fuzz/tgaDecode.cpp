// Decodes arbitrary bytes as a TGA file.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/FileManager.h"
#include "engine/StringUtils.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"
#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzEnsureEngine();
  if (!zib->pFileManager) {
    zib->pFileManager = new FileManager();
    zib->pFileManager->bForceDisk = true;
  }
  // Inside the fuzzing's own temporary data folder, removed at exit.
  static const std::string path = std::string(std::getenv("XDG_DATA_HOME")) + "/input.tga";
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);
  fuzzCatchFatal([] { MemoryImageFile image(0, fromUtf8(path)); });
  return 0;
}
