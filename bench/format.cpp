// formatString against glibc's swprintf on typical log lines. The swprintf
// side also builds its result string, as a formatting call must.
#include <benchmark/benchmark.h>

#include <cwchar>
#include <string>

#include "base/Format.h"

namespace {

void BM_FormatLogLine(benchmark::State& state) {
  const std::u16string function = u"ResourceManager::addResource", message = u"Registered texture 'gfx/menu/title'.";
  for (auto _ : state) benchmark::DoNotOptimize(formatString(u"%s(): %s", function, message));
}

void BM_SwprintfLogLine(benchmark::State& state) {
  const std::wstring function = L"ResourceManager::addResource", message = L"Registered texture 'gfx/menu/title'.";
  wchar_t buffer[65536];
  for (auto _ : state) {
    const int n = std::swprintf(buffer, 65536, L"%ls(): %ls", function.c_str(), message.c_str());
    benchmark::DoNotOptimize(std::wstring(buffer, n));
  }
}

void BM_FormatTimedLine(benchmark::State& state) {
  const std::u16string line = u"TimeKeeper::TimeKeeper(): Starting...";
  for (auto _ : state) benchmark::DoNotOptimize(formatString(u"+%lu\t%s", 1500ul, line));
}

void BM_SwprintfTimedLine(benchmark::State& state) {
  const std::wstring line = L"TimeKeeper::TimeKeeper(): Starting...";
  wchar_t buffer[65536];
  for (auto _ : state) {
    const int n = std::swprintf(buffer, 65536, L"+%lu\t%ls", 1500ul, line.c_str());
    benchmark::DoNotOptimize(std::wstring(buffer, n));
  }
}

void BM_FormatNumbers(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(formatString(u"%d %.2f %08x", -1234, 3.14159, 0xBEEFu));
}

void BM_SwprintfNumbers(benchmark::State& state) {
  wchar_t buffer[65536];
  for (auto _ : state) {
    const int n = std::swprintf(buffer, 65536, L"%d %.2f %08x", -1234, 3.14159, 0xBEEFu);
    benchmark::DoNotOptimize(std::wstring(buffer, n));
  }
}

BENCHMARK(BM_FormatLogLine);
BENCHMARK(BM_SwprintfLogLine);
BENCHMARK(BM_FormatTimedLine);
BENCHMARK(BM_SwprintfTimedLine);
BENCHMARK(BM_FormatNumbers);
BENCHMARK(BM_SwprintfNumbers);

}  // namespace

BENCHMARK_MAIN();
