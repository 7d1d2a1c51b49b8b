// Mounts arbitrary bytes as a WAD archive and reads every entry it lists.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/FileData.h"
#include "engine/FileManager.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  fuzzEnsureEngine();
  // Inside the fuzzing's own temporary data folder, removed at exit.
  static const std::string path = std::string(std::getenv("XDG_DATA_HOME")) + "/input.wad";
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);

  auto* files = new FileManager();
  zib->pFileManager = files;
  fuzzCatchFatal([&] {
    files->useWad(fromUtf8(path));
    std::vector<std::u16string> names;
    for (const auto& [name, entry] : files->wadEntries) names.push_back(name);
    std::sort(names.begin(), names.end());
    for (const std::u16string& name : names) fuzzCatchFatal([&] { FileData entry(false, name); });
  });
  delete files;
  zib->pFileManager = nullptr;
  return 0;
}
