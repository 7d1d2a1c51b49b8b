#pragma once
// MD5 (RFC 1321), and the salted digest that protects saved records.
#include <cstddef>
#include <cstdint>

class Md5 {
 public:
  Md5();
  // One 64-byte block into the state, without touching the count or buffer.
  void transform(const uint8_t* block);
  void update(const void* bytes, size_t length);
  // Writes the 16-byte digest; the context is spent afterwards.
  void final(uint8_t* digest);

 private:
  void transformBlocks(const uint8_t* blocks, size_t count);

  uint32_t count[2] = {0, 0};  // bits processed, low word first
  uint32_t state[4];
  uint8_t buffer[64];
};

void md5Digest(uint8_t* out, const void* bytes, size_t length);
// MD5 of the salt's four little-endian bytes followed by the bytes.
void md5DigestSalted(uint8_t* out, uint32_t salt, const void* bytes, size_t length);
bool md5Equal(const uint8_t* a, const uint8_t* b);
