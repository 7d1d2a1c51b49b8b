// Reads arbitrary bytes as the skin description cache (".ini.preload") of an
// image, served from a mounted WAD as the game reads it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "engine/FileManager.h"
#include "engine/WadEntry.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "graphics/Texture.h"
#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  fuzzEnsureEngine();
  static const std::string path = std::string(std::getenv("XDG_DATA_HOME")) + "/skins.wad";
  {
    // One plain record naming the input, which follows the directory.
    WadHeader header{WAD_VERSION, 1};
    WadDiskEntry record{};
    std::strcpy(reinterpret_cast<char*>(record.filename), "image.tga.ini.preload");
    record.offset = sizeof(header) + sizeof(record);
    record.size = record.storedSize = static_cast<uint32_t>(size);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&header), sizeof(header));
    out.write(reinterpret_cast<const char*>(&record), sizeof(record));
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  auto* files = new FileManager();
  zib->pFileManager = files;
  fuzzCatchFatal([&] {
    files->useWad(fromUtf8(path));
    const ByteBuffer description = Texture::loadSkinDescription(u"image.tga");
    // What passed the checks is one header and its records, exactly.
    int32_t count;
    std::memcpy(&count, description.data + 16, sizeof count);
    if (count < 0 || description.size != 20 + uint64_t(count) * 24) std::abort();
  });
  delete files;
  zib->pFileManager = nullptr;
  return 0;
}
