// Packet coding throughput: unsigned varints against protobuf's varint coder
// (when protobuf is installed), 16-bit floats, and the replication of 1,000
// renderables' state into a packet and back.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "engine/Zib.h"
#include "engine/net/Packet.h"
#include "graphics/Renderable.h"

#ifdef ZIB_HAVE_PROTOBUF
#include <google/protobuf/io/coded_stream.h>
#endif

namespace {

constexpr size_t kValues = 4096;

// Ids, lengths and counters: mostly small, some large.
std::vector<int32_t> makeValues() {
  std::mt19937 random(1);
  std::vector<int32_t> values(kValues);
  for (auto& v : values) v = static_cast<int32_t>(random() >> (random() % 31 + 1));
  return values;
}

struct Engine {
  Engine() { root = std::make_unique<Zib>(); }
  std::unique_ptr<Zib> root;
};

void BM_PacketVarintWrite(benchmark::State& state) {
  Engine engine;
  const auto values = makeValues();
  Packet packet(0, -1);
  for (auto _ : state) {
    packet.startWriting();
    for (int32_t v : values) packet.doUInt(&v);
    benchmark::DoNotOptimize(packet.getData());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kValues);
}

void BM_PacketVarintRead(benchmark::State& state) {
  Engine engine;
  auto values = makeValues();
  Packet packet(0, -1);
  for (int32_t v : values) packet.doUInt(&v);
  const size_t length = packet.getPosition();
  for (auto _ : state) {
    packet.startReading(length);
    for (int32_t& v : values) packet.doUInt(&v);
    benchmark::DoNotOptimize(values.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kValues);
}

#ifdef ZIB_HAVE_PROTOBUF
void BM_ProtobufVarintWrite(benchmark::State& state) {
  const auto values = makeValues();
  std::vector<uint8_t> buffer(kValues * 5);
  for (auto _ : state) {
    uint8_t* out = buffer.data();
    for (int32_t v : values)
      out = google::protobuf::io::CodedOutputStream::WriteVarint32ToArray(static_cast<uint32_t>(v), out);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kValues);
}

void BM_ProtobufVarintRead(benchmark::State& state) {
  auto values = makeValues();
  std::vector<uint8_t> buffer(kValues * 5);
  uint8_t* end = buffer.data();
  for (int32_t v : values)
    end = google::protobuf::io::CodedOutputStream::WriteVarint32ToArray(static_cast<uint32_t>(v), end);
  const int length = static_cast<int>(end - buffer.data());
  for (auto _ : state) {
    google::protobuf::io::CodedInputStream in(buffer.data(), length);
    for (int32_t& v : values) {
      uint32_t read = 0;
      in.ReadVarint32(&read);
      v = static_cast<int32_t>(read);
    }
    benchmark::DoNotOptimize(values.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kValues);
}
BENCHMARK(BM_ProtobufVarintWrite);
BENCHMARK(BM_ProtobufVarintRead);
#endif

void BM_PacketFloat16RoundTrip(benchmark::State& state) {
  Engine engine;
  std::mt19937 random(2);
  std::uniform_real_distribution<float> range(-1000.0f, 1000.0f);
  std::vector<float> values(kValues);
  for (float& v : values) v = range(random);
  Packet packet(0, -1);
  for (auto _ : state) {
    packet.startWriting();
    for (float v : values) packet.doFloat16(&v);
    packet.startReading(packet.getPosition());
    for (float& v : values) packet.doFloat16(&v);
    benchmark::DoNotOptimize(values.data());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kValues);
}

// The state of 1,000 renderables written into one packet, then read back.
void BM_RenderablesNetSerialize(benchmark::State& state) {
  Engine engine;
  std::vector<std::unique_ptr<Renderable>> sent, received;
  for (int i = 0; i < 1000; ++i) {
    sent.push_back(std::make_unique<Renderable>());
    sent.back()->setPosition(i * 0.5f, i * 0.25f, 0);
    sent.back()->state = i % 7;
    received.push_back(std::make_unique<Renderable>());
  }
  Packet packet(Packet::kFlagReplication, -1);
  for (auto _ : state) {
    packet.startWriting();
    for (auto& r : sent) r->netSerialize(&packet);
    packet.startReading(packet.getPosition());
    for (auto& r : received) r->netSerialize(&packet);
    if (packet.hasError()) state.SkipWithError("damaged round trip");
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 1000);
}

}  // namespace

BENCHMARK(BM_PacketVarintWrite);
BENCHMARK(BM_PacketVarintRead);
BENCHMARK(BM_PacketFloat16RoundTrip);
BENCHMARK(BM_RenderablesNetSerialize);
BENCHMARK_MAIN();
