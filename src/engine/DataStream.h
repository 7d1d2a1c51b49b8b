#pragma once
// A readable byte stream: a disk file or a block in memory.
#include <cstdint>

class DataStream {
 public:
  virtual ~DataStream();
  // Bytes read (fewer at the end), or -1 when the stream is not usable.
  virtual int32_t read(void* destination, uint32_t count) = 0;
  // Absolute position from the start.
  virtual void seek(uint32_t position) = 0;
  // The whole content when it is already in memory; no stream keeps it so,
  // so callers copy with read.
  virtual const void* getMemory();
};
