// Parsing a 2,000-line configuration text: MemoryIniFile against inih storing
// the same sections, keys and values in ordered maps.
#include <benchmark/benchmark.h>
#include <ini.h>

#include <map>
#include <string>

#include "engine/ByteBuffer.h"
#include "engine/MemoryIniFile.h"

namespace {

// 100 sections, each a header, 18 pairs and an empty line.
std::string makeText() {
  std::string text;
  for (int section = 0; section < 100; ++section) {
    text += "[Section" + std::to_string(section) + "]\r\n";
    for (int key = 0; key < 18; ++key) {
      text += "settingNumber" + std::to_string(key) + "=";
      text += key % 3 == 0 ? std::to_string(section * 1000 + key) : key % 3 == 1 ? "0.25000000" : "Yes";
      text += "\r\n";
    }
    text += "\r\n";
  }
  return text;
}

void BM_MemoryIniFileParse(benchmark::State& state) {
  const std::string text = makeText();
  ByteBuffer bytes;
  bytes.append(text.data(), text.size());
  for (auto _ : state) {
    MemoryIniFile ini(bytes);
    benchmark::DoNotOptimize(ini.sections.size());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}

using InihContents = std::map<std::string, std::map<std::string, std::string>>;

int storePair(void* user, const char* section, const char* key, const char* value) {
  (*static_cast<InihContents*>(user))[section].try_emplace(key, value);
  return 1;
}

void BM_InihParse(benchmark::State& state) {
  const std::string text = makeText();
  for (auto _ : state) {
    InihContents contents;
    ini_parse_string(text.c_str(), storePair, &contents);
    benchmark::DoNotOptimize(contents.size());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}

}  // namespace

BENCHMARK(BM_MemoryIniFileParse);
BENCHMARK(BM_InihParse);

BENCHMARK_MAIN();
