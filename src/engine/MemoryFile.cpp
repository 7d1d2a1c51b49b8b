#include "engine/MemoryFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

MemoryFile::MemoryFile(uint32_t size) : size(size), buffer(new uint8_t[size]()) {}

MemoryFile::~MemoryFile() { delete[] buffer; }

int32_t MemoryFile::read(void* destination, uint32_t count) {
  if (position >= size) return 0;
  const uint32_t n = std::min({count, size - position, uint32_t(std::numeric_limits<int32_t>::max())});
  if (n) memcpy(destination, buffer + position, n);
  position += n;
  return static_cast<int32_t>(n);
}

void MemoryFile::seek(uint32_t position) { this->position = position; }
