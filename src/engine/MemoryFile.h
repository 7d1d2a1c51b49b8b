#pragma once
// A stream over an owned block in memory (an inflated archive entry).
#include "engine/DataStream.h"

class MemoryFile : public DataStream {
 public:
  // Allocates a zeroed buffer of `size` bytes for the caller to fill.
  explicit MemoryFile(uint32_t size);
  ~MemoryFile() override;
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  int32_t read(void* destination, uint32_t count) override;
  // May go past the end; reads there return 0.
  void seek(uint32_t position) override;

  uint32_t size;
  uint8_t* buffer;
  uint32_t position = 0;
};
