// Packing and unpacking a 94,248-byte profile record in the save container
// against bare zlib compress and uncompress of the same record.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "engine/SaveContainer.h"

namespace {

constexpr uint32_t kRecordLength = 94248;
constexpr uint32_t kSalt = 0x2A2B2C2D;

// Half text-like, half noise.
std::vector<uint8_t> makeRecord() {
  std::vector<uint8_t> record(kRecordLength);
  uint32_t x = 12345;
  for (size_t i = 0; i < record.size(); ++i) {
    x = x * 214013 + 2531011;
    record[i] = i % 2 ? static_cast<uint8_t>(x >> 16) : static_cast<uint8_t>('a' + i % 7);
  }
  return record;
}

void BM_SaveContainerPackUnpack(benchmark::State& state) {
  const auto record = makeRecord();
  for (auto _ : state) {
    SaveContainer packed;
    packed.pack(record.data(), kRecordLength, kSalt);
    SaveContainer unpacked;
    unpacked.unpack(packed.data.get(), packed.length, kSalt, kRecordLength);
    benchmark::DoNotOptimize(unpacked.data.get());
  }
}

void BM_ZlibCompressUncompress(benchmark::State& state) {
  const auto record = makeRecord();
  for (auto _ : state) {
    std::vector<uint8_t> compressed(compressBound(kRecordLength));
    uLongf compressedLength = compressed.size();
    compress(compressed.data(), &compressedLength, record.data(), kRecordLength);
    std::vector<uint8_t> inflated(kRecordLength);
    uLongf inflatedLength = kRecordLength;
    uncompress(inflated.data(), &inflatedLength, compressed.data(), compressedLength);
    benchmark::DoNotOptimize(inflated.data());
  }
}

}  // namespace

BENCHMARK(BM_SaveContainerPackUnpack)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZlibCompressUncompress)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
