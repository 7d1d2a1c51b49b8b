// MD5 throughput against OpenSSL's EVP_md5 over the same buffers.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <vector>

#include "engine/Md5.h"

namespace {

std::vector<uint8_t> makeInput(size_t size) {
  std::vector<uint8_t> data(size);
  uint32_t x = 12345;
  for (auto& byte : data) byte = static_cast<uint8_t>((x = x * 214013 + 2531011) >> 16);
  return data;
}

void BM_Md5(benchmark::State& state) {
  const auto data = makeInput(state.range(0));
  uint8_t digest[16];
  for (auto _ : state) {
    md5Digest(digest, data.data(), data.size());
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void BM_OpenSslMd5(benchmark::State& state) {
  const auto data = makeInput(state.range(0));
  uint8_t digest[16];
  unsigned length = 0;
  for (auto _ : state) {
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

}  // namespace

BENCHMARK(BM_Md5)->Arg(64)->Arg(1024)->Arg(64 * 1024);
BENCHMARK(BM_OpenSslMd5)->Arg(64)->Arg(1024)->Arg(64 * 1024);

BENCHMARK_MAIN();
