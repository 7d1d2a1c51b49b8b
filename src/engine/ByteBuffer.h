#pragma once
// An owned byte array. Each append reallocates, so callers append whole blocks.
#include <cstddef>
#include <cstdint>
#include <string>

class ByteBuffer {
 public:
  ByteBuffer() = default;
  ~ByteBuffer();
  ByteBuffer(ByteBuffer&& other) noexcept;
  ByteBuffer& operator=(ByteBuffer&& other) noexcept;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  // False, with nothing changed, when the total would not fit in 32 bits.
  bool append(const void* bytes, size_t count);
  void clear();

  // UTF-8 (with or without its byte-order mark) or, after FF FE, UTF-16LE up to the first NUL.
  std::u16string toText() const;

  uint8_t* data = nullptr;  // new[]-allocated, null when empty
  uint32_t size = 0;
};
