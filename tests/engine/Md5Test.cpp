#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/Md5.h"

namespace {

std::string hex(const uint8_t* digest) {
  char text[33];
  for (int i = 0; i < 16; ++i) snprintf(text + 2 * i, 3, "%02x", digest[i]);
  return text;
}

std::string md5Hex(const std::string& message) {
  uint8_t digest[16];
  md5Digest(digest, message.data(), message.size());
  return hex(digest);
}

}  // namespace

TEST(Md5Test, MatchesRfc1321AndTheSaltedDigestAndCompare) {
  EXPECT_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  uint8_t digest[16], other[16];
  md5DigestSalted(digest, 0x12345678, "abc", 3);
  EXPECT_EQ(hex(digest), "5a035b41f39449760a0c6a01e4060c62");
  md5DigestSalted(other, 0xDEADBEEF, nullptr, 0);
  EXPECT_EQ(hex(other), "c05a39b953283d9422d7a641498a797e");

  EXPECT_TRUE(md5Equal(digest, digest));
  std::copy(digest, digest + 16, other);
  other[15] ^= 1;
  EXPECT_FALSE(md5Equal(digest, other));
}

TEST(Md5Test, UpdatesSplitAnywhereGiveTheOneShotDigest) {
  std::vector<uint8_t> data(1024);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
  uint8_t whole[16];
  md5Digest(whole, data.data(), data.size());
  EXPECT_EQ(hex(whole), "b2ea9f7fcea831a4a63b213f41a8855b");

  // Every first-piece length across two blocks, the rest in uneven pieces, so
  // that the buffer is partly filled at many offsets.
  for (size_t first = 0; first <= 130; ++first) {
    Md5 md5;
    md5.update(data.data(), first);
    for (size_t at = first, step = 1; at < data.size(); at += step, step = step % 97 + 13)
      md5.update(data.data() + at, std::min(step, data.size() - at));
    uint8_t split[16];
    md5.final(split);
    ASSERT_EQ(hex(split), hex(whole)) << "first piece " << first;
  }
}
