#pragma once
// One file known to the WAD layer, and the archive's on-disk layout.
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t WAD_VERSION = 2;
constexpr uint32_t WADDISKENTRY_FILENAME_BYTESIZE = 80;
// Scrambled name fields are XORed with this; its bit 7 marks them.
constexpr uint8_t WAD_NAME_KEY = 0xB1;

// All integers little-endian.
struct WadHeader {
  uint32_t version;
  uint32_t count;
};
static_assert(sizeof(WadHeader) == 8);

struct WadDiskEntry {
  uint8_t filename[WADDISKENTRY_FILENAME_BYTESIZE];
  uint32_t offset;
  uint32_t size;
  uint32_t storedSize;
};
static_assert(sizeof(WadDiskEntry) == 92);
static_assert(std::endian::native == std::endian::little, "WAD records are read and written in place");

struct WadEntry {
  std::u16string filename;
  std::u16string wadName;
  uint32_t offset = 0;
  uint32_t size = 0;
  // Equal to `size`: stored raw; otherwise a zlib stream of this many bytes.
  uint32_t storedSize = 0;
  // Only while a WAD is being written: the bytes to write, their count and
  // the zero bytes written before them.
  std::vector<uint8_t> data;
  uint32_t writeSize = 0;
  uint32_t fillBytes = 0;
};
