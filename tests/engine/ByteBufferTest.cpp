#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "engine/ByteBuffer.h"

namespace {

ByteBuffer bufferOf(std::initializer_list<uint8_t> bytes) {
  ByteBuffer buffer;
  buffer.append(bytes.begin(), bytes.size());
  return buffer;
}

}  // namespace

TEST(ByteBufferTest, AppendGrowsUpTo32BitsAndMoveAndClearEmpty) {
  ByteBuffer buffer;
  EXPECT_TRUE(buffer.append("", 0));
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_TRUE(buffer.append("abc", 3) && buffer.append("de", 2));
  ASSERT_EQ(buffer.size, 5u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data), 5), "abcde");

  ByteBuffer moved = std::move(buffer);
  EXPECT_EQ(moved.size, 5u);
  EXPECT_TRUE(buffer.size == 0 && buffer.data == nullptr);
  // A total beyond 32 bits is refused before anything is read or allocated, so the pointer is never used.
  EXPECT_FALSE(moved.append("x", 0xFFFFFFFBu));
  EXPECT_FALSE(moved.append("x", size_t(1) << 32));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(moved.data), moved.size), "abcde");
  moved.clear();
  EXPECT_TRUE(moved.size == 0 && moved.data == nullptr);
}

TEST(ByteBufferTest, ToTextFollowsTheByteOrderMark) {
  EXPECT_EQ(ByteBuffer().toText(), u"");
  // UTF-8 with and without its mark ("é" is C3 A9).
  EXPECT_EQ(bufferOf({0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9}).toText(), u"a\u00e9");
  EXPECT_EQ(bufferOf({'a', 0xC3, 0xA9}).toText(), u"a\u00e9");
  EXPECT_EQ(bufferOf({0xEF, 0xBB, 0xBF}).toText(), u"");
  // UTF-16LE: cut at the first NUL unit; an odd last byte is dropped.
  EXPECT_EQ(bufferOf({0xFF, 0xFE, 'h', 0, 'i', 0, 0x3B, 0x26}).toText(), u"hi\u263b");
  EXPECT_EQ(bufferOf({0xFF, 0xFE, 'h', 0, 0, 0, 'x', 0}).toText(), u"h");
  EXPECT_EQ(bufferOf({0xFF, 0xFE, 'h', 0, 'i'}).toText(), u"h");
  EXPECT_EQ(bufferOf({0xFF, 0xFE}).toText(), u"");
}
