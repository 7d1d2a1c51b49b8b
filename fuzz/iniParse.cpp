// Parses arbitrary bytes as configuration text, reads every value through the
// typed getters, and checks that the saved form parses back to the same
// sections, keys and values (sections without keys aside).
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "engine/ByteBuffer.h"
#include "engine/MemoryIniFile.h"
#include "support/FuzzSupport.h"

namespace {

using Contents = std::map<std::u16string, std::map<std::u16string, std::u16string>>;

MemoryIniFile parse(const void* bytes, size_t size) {
  ByteBuffer buffer;
  buffer.append(bytes, size);
  return MemoryIniFile(buffer);
}

Contents contentsOf(const MemoryIniFile& ini) {
  Contents contents;
  for (const auto& [name, section] : ini.sections)
    for (const auto& [key, entry] : section.keys) contents[name][key] = entry.value;
  return contents;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  fuzzEnsureEngine();
  MemoryIniFile ini = parse(data, size);
  const Contents contents = contentsOf(ini);
  for (const auto& [name, pairs] : contents)
    for (const auto& [key, value] : pairs) {
      ini.getInt(name, key);
      ini.getDouble(name, key);
      ini.getBool(name, key);
    }
  const std::string saved = ini.saveText();
  if (contentsOf(parse(saved.data(), saved.size())) != contents) abort();
  return 0;
}
