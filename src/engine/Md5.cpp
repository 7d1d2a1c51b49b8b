#include "engine/Md5.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Byte-wise forms; compilers turn them into plain loads and stores on little-endian machines.
inline uint32_t loadLE(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void storeLE(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

// The round functions in forms that keep the dependency chain short: F and I
// in their xor forms, G as a sum of disjoint masks so both halves start early.
template <int Round>
inline void step(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  if constexpr (Round == 0) a += (d ^ (b & (c ^ d))) + x + t;
  else if constexpr (Round == 1) a += (b & d) + (c & ~d) + x + t;
  else if constexpr (Round == 2) a += (b ^ c ^ d) + x + t;
  else a += (c ^ (b | ~d)) + x + t;
  a = std::rotl(a, s) + b;
}

}  // namespace

Md5::Md5() : state{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void Md5::transform(const uint8_t* block) { transformBlocks(block, 1); }

void Md5::transformBlocks(const uint8_t* p, size_t blocks) {
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (; blocks; --blocks, p += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = loadLE(p + 4 * i);
    const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

    step<0>(a, b, c, d, x[0], 0xd76aa478, 7);
    step<0>(d, a, b, c, x[1], 0xe8c7b756, 12);
    step<0>(c, d, a, b, x[2], 0x242070db, 17);
    step<0>(b, c, d, a, x[3], 0xc1bdceee, 22);
    step<0>(a, b, c, d, x[4], 0xf57c0faf, 7);
    step<0>(d, a, b, c, x[5], 0x4787c62a, 12);
    step<0>(c, d, a, b, x[6], 0xa8304613, 17);
    step<0>(b, c, d, a, x[7], 0xfd469501, 22);
    step<0>(a, b, c, d, x[8], 0x698098d8, 7);
    step<0>(d, a, b, c, x[9], 0x8b44f7af, 12);
    step<0>(c, d, a, b, x[10], 0xffff5bb1, 17);
    step<0>(b, c, d, a, x[11], 0x895cd7be, 22);
    step<0>(a, b, c, d, x[12], 0x6b901122, 7);
    step<0>(d, a, b, c, x[13], 0xfd987193, 12);
    step<0>(c, d, a, b, x[14], 0xa679438e, 17);
    step<0>(b, c, d, a, x[15], 0x49b40821, 22);

    step<1>(a, b, c, d, x[1], 0xf61e2562, 5);
    step<1>(d, a, b, c, x[6], 0xc040b340, 9);
    step<1>(c, d, a, b, x[11], 0x265e5a51, 14);
    step<1>(b, c, d, a, x[0], 0xe9b6c7aa, 20);
    step<1>(a, b, c, d, x[5], 0xd62f105d, 5);
    step<1>(d, a, b, c, x[10], 0x02441453, 9);
    step<1>(c, d, a, b, x[15], 0xd8a1e681, 14);
    step<1>(b, c, d, a, x[4], 0xe7d3fbc8, 20);
    step<1>(a, b, c, d, x[9], 0x21e1cde6, 5);
    step<1>(d, a, b, c, x[14], 0xc33707d6, 9);
    step<1>(c, d, a, b, x[3], 0xf4d50d87, 14);
    step<1>(b, c, d, a, x[8], 0x455a14ed, 20);
    step<1>(a, b, c, d, x[13], 0xa9e3e905, 5);
    step<1>(d, a, b, c, x[2], 0xfcefa3f8, 9);
    step<1>(c, d, a, b, x[7], 0x676f02d9, 14);
    step<1>(b, c, d, a, x[12], 0x8d2a4c8a, 20);

    step<2>(a, b, c, d, x[5], 0xfffa3942, 4);
    step<2>(d, a, b, c, x[8], 0x8771f681, 11);
    step<2>(c, d, a, b, x[11], 0x6d9d6122, 16);
    step<2>(b, c, d, a, x[14], 0xfde5380c, 23);
    step<2>(a, b, c, d, x[1], 0xa4beea44, 4);
    step<2>(d, a, b, c, x[4], 0x4bdecfa9, 11);
    step<2>(c, d, a, b, x[7], 0xf6bb4b60, 16);
    step<2>(b, c, d, a, x[10], 0xbebfbc70, 23);
    step<2>(a, b, c, d, x[13], 0x289b7ec6, 4);
    step<2>(d, a, b, c, x[0], 0xeaa127fa, 11);
    step<2>(c, d, a, b, x[3], 0xd4ef3085, 16);
    step<2>(b, c, d, a, x[6], 0x04881d05, 23);
    step<2>(a, b, c, d, x[9], 0xd9d4d039, 4);
    step<2>(d, a, b, c, x[12], 0xe6db99e5, 11);
    step<2>(c, d, a, b, x[15], 0x1fa27cf8, 16);
    step<2>(b, c, d, a, x[2], 0xc4ac5665, 23);

    step<3>(a, b, c, d, x[0], 0xf4292244, 6);
    step<3>(d, a, b, c, x[7], 0x432aff97, 10);
    step<3>(c, d, a, b, x[14], 0xab9423a7, 15);
    step<3>(b, c, d, a, x[5], 0xfc93a039, 21);
    step<3>(a, b, c, d, x[12], 0x655b59c3, 6);
    step<3>(d, a, b, c, x[3], 0x8f0ccc92, 10);
    step<3>(c, d, a, b, x[10], 0xffeff47d, 15);
    step<3>(b, c, d, a, x[1], 0x85845dd1, 21);
    step<3>(a, b, c, d, x[8], 0x6fa87e4f, 6);
    step<3>(d, a, b, c, x[15], 0xfe2ce6e0, 10);
    step<3>(c, d, a, b, x[6], 0xa3014314, 15);
    step<3>(b, c, d, a, x[13], 0x4e0811a1, 21);
    step<3>(a, b, c, d, x[4], 0xf7537e82, 6);
    step<3>(d, a, b, c, x[11], 0xbd3af235, 10);
    step<3>(c, d, a, b, x[2], 0x2ad7d2bb, 15);
    step<3>(b, c, d, a, x[9], 0xeb86d391, 21);

    a += a0;
    b += b0;
    c += c0;
    d += d0;
  }
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
}

void Md5::update(const void* bytes, size_t length) {
  if (length == 0) return;
  const auto* in = static_cast<const uint8_t*>(bytes);
  size_t used = (count[0] >> 3) & 63;
  const uint64_t bits = ((uint64_t(count[1]) << 32) | count[0]) + (uint64_t(length) << 3);
  count[0] = static_cast<uint32_t>(bits);
  count[1] = static_cast<uint32_t>(bits >> 32);

  if (used) {
    const size_t take = std::min(length, 64 - used);
    memcpy(buffer + used, in, take);
    used += take;
    in += take;
    length -= take;
    if (used < 64) return;
    transformBlocks(buffer, 1);
  }
  transformBlocks(in, length / 64);
  in += length & ~size_t(63);
  if (length & 63) memcpy(buffer, in, length & 63);
}

void Md5::final(uint8_t* digest) {
  uint8_t tail[72] = {0x80};
  storeLE(tail + 64, count[0]);
  storeLE(tail + 68, count[1]);
  const size_t used = (count[0] >> 3) & 63;
  const size_t pad = used < 56 ? 56 - used : 120 - used;
  update(tail, pad);
  update(tail + 64, 8);
  for (int i = 0; i < 4; ++i) storeLE(digest + 4 * i, state[i]);
}

void md5Digest(uint8_t* out, const void* bytes, size_t length) {
  Md5 md5;
  md5.update(bytes, length);
  md5.final(out);
}

void md5DigestSalted(uint8_t* out, uint32_t salt, const void* bytes, size_t length) {
  uint8_t saltBytes[4];
  storeLE(saltBytes, salt);
  Md5 md5;
  md5.update(saltBytes, 4);
  md5.update(bytes, length);
  md5.final(out);
}

bool md5Equal(const uint8_t* a, const uint8_t* b) { return memcmp(a, b, 16) == 0; }
