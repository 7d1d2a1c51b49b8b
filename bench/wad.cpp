// Reading a ~100 MB WAD (half raw, half compressed) through the file manager
// against fread plus zlib's uncompress of the same entries; mounting a
// 10,000-entry WAD.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "engine/FileData.h"
#include "engine/FileManager.h"
#include "base/StringUtils.h"
#include "engine/WadEntry.h"
#include "engine/Zib.h"

namespace fs = std::filesystem;

namespace {

struct Block {
  std::string name;
  std::vector<uint8_t> data;  // as stored
  uint32_t size;
  uint32_t offset = 0;
};

// Writes the archive format directly (plain names), zlib level 1 for speed.
void writeWad(const fs::path& path, std::vector<Block>& blocks) {
  uint64_t offset = sizeof(WadHeader) + blocks.size() * sizeof(WadDiskEntry);
  for (Block& block : blocks) {
    offset = (offset + 7) / 8 * 8;
    block.offset = static_cast<uint32_t>(offset);
    offset += block.data.size();
  }
  FILE* out = std::fopen(path.c_str(), "wb");
  const WadHeader header{WAD_VERSION, static_cast<uint32_t>(blocks.size())};
  std::fwrite(&header, sizeof(header), 1, out);
  for (const Block& block : blocks) {
    WadDiskEntry record{};
    block.name.copy(reinterpret_cast<char*>(record.filename), WADDISKENTRY_FILENAME_BYTESIZE - 1);
    record.offset = block.offset;
    record.size = block.size;
    record.storedSize = static_cast<uint32_t>(block.data.size());
    std::fwrite(&record, sizeof(record), 1, out);
  }
  for (const Block& block : blocks) {
    std::fseek(out, block.offset, SEEK_SET);
    std::fwrite(block.data.data(), 1, block.data.size(), out);
  }
  std::fclose(out);
}

// Text-like bytes: words from a small vocabulary, compressing about 3:1.
std::vector<uint8_t> compressible(size_t size, uint32_t seed) {
  static const char* const words[] = {"skerrion ", "engine ", "wad ", "archive ", "texture ", "sound ",
                                      "pixel ",    "frame ",  "zib ", "loader ",  "glyph ",   "quad "};
  std::vector<uint8_t> out;
  out.reserve(size + 16);
  while (out.size() < size) {
    seed = seed * 214013 + 2531011;
    const char* word = words[(seed >> 16) % 12];
    out.insert(out.end(), word, word + std::char_traits<char>::length(word));
    if ((seed >> 8) % 7 == 0) out.push_back(static_cast<uint8_t>(seed >> 24));
  }
  out.resize(size);
  return out;
}

struct Fixture {
  static constexpr int kEntries = 100;
  static constexpr uint32_t kEntrySize = 1 << 20;
  static constexpr int kSmallEntries = 10000;

  Fixture() {
    folder = makeTempFolder("zibbench-wad");
    new Zib();
    std::vector<Block> large, small;
    for (int i = 0; i < kEntries; ++i) {
      Block block{"data/" + std::to_string(i), compressible(kEntrySize, i), kEntrySize};
      if (i % 2) {
        uLongf length = compressBound(block.size);
        std::vector<uint8_t> packed(length);
        compress2(packed.data(), &length, block.data.data(), block.size, 1);
        packed.resize(length);
        block.data = std::move(packed);
      }
      large.push_back(std::move(block));
    }
    writeWad(folder / "large.wad", large);
    for (const Block& block : large) blocks.push_back({block.name, {}, block.size, block.offset});
    for (int i = 0; i < kSmallEntries; ++i) small.push_back({"small/" + std::to_string(i), {'x', 'y', 'z'}, 3});
    writeWad(folder / "small.wad", small);
  }
  ~Fixture() {
    delete zib;
    fs::remove_all(folder);
  }

  fs::path folder;
  std::vector<Block> blocks;  // names, sizes and offsets of the large archive
};

Fixture& fixture() {
  static Fixture instance;
  return instance;
}

void BM_ReadWadThroughFileManager(benchmark::State& state) {
  Fixture& f = fixture();
  auto* files = new FileManager();
  zib->pFileManager = files;
  files->useWad(fromUtf8((f.folder / "large.wad").string()));
  std::vector<std::u16string> names;
  for (const Block& block : f.blocks) names.push_back(fromUtf8(block.name));
  for (auto _ : state) {
    for (const std::u16string& name : names) {
      FileData entry(false, name);
      benchmark::DoNotOptimize(entry.block.data);
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * Fixture::kEntries * Fixture::kEntrySize);
  delete files;
  zib->pFileManager = nullptr;
}

void BM_ReadWadFreadUncompress(benchmark::State& state) {
  Fixture& f = fixture();
  const std::string path = (f.folder / "large.wad").string();
  std::vector<uint32_t> stored;
  {
    FILE* in = std::fopen(path.c_str(), "rb");
    for (int i = 0; i < Fixture::kEntries; ++i) {
      WadDiskEntry record;
      std::fseek(in, sizeof(WadHeader) + i * sizeof(WadDiskEntry), SEEK_SET);
      if (std::fread(&record, sizeof(record), 1, in) != 1) std::abort();
      stored.push_back(record.storedSize);
    }
    std::fclose(in);
  }
  for (auto _ : state) {
    for (int i = 0; i < Fixture::kEntries; ++i) {
      const Block& block = f.blocks[i];
      FILE* in = std::fopen(path.c_str(), "rb");
      std::fseek(in, block.offset, SEEK_SET);
      std::unique_ptr<uint8_t[]> out(new uint8_t[block.size]);
      if (stored[i] == block.size) {
        if (std::fread(out.get(), 1, block.size, in) != block.size) std::abort();
      } else {
        std::unique_ptr<uint8_t[]> packed(new uint8_t[stored[i]]);
        if (std::fread(packed.get(), 1, stored[i], in) != stored[i]) std::abort();
        uLongf length = block.size;
        if (uncompress(out.get(), &length, packed.get(), stored[i]) != Z_OK) std::abort();
      }
      std::fclose(in);
      benchmark::DoNotOptimize(out.get());
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * Fixture::kEntries * Fixture::kEntrySize);
}

void BM_MountWad(benchmark::State& state) {
  Fixture& f = fixture();
  const std::u16string path = fromUtf8((f.folder / "small.wad").string());
  for (auto _ : state) {
    FileManager files;
    files.useWad(path);
    benchmark::DoNotOptimize(files.wadEntries.size());
  }
  state.counters["per_entry"] =
      benchmark::Counter(Fixture::kSmallEntries, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_ReadWadThroughFileManager)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWadFreadUncompress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MountWad)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
