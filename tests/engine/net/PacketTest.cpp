#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/ClassInfo.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "engine/net/Packet.h"
#include "support/EngineFixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const Packet& packet) { return Bytes(packet.getData(), packet.getData() + packet.getPosition()); }

// A packet holding the given bytes, ready to be read.
struct Incoming {
  explicit Incoming(const Bytes& bytes, uint32_t flags = 0) : packet(flags, -1) {
    packet.load(bytes.data(), bytes.size());
  }
  Packet packet;
};

// Plain LEB128, independent of the packet code.
Bytes leb128(uint32_t value) {
  Bytes out;
  do {
    out.push_back(static_cast<uint8_t>((value & 0x7F) | (value >= 0x80 ? 0x80 : 0)));
    value >>= 7;
  } while (value);
  return out;
}

using PacketTest = EngineTest;

}  // namespace

// Varints are coded in one go with five bytes of room or of data left, byte
// by byte nearer the end: both give the same bytes, values and errors.
TEST_F(PacketTest, VarintsCodeAlikeWhateverRoomIsLeft) {
  const auto signedWire = [](int32_t value) {
    const uint32_t magnitude = static_cast<uint32_t>(value < 0 ? -value : value);
    Bytes wire{static_cast<uint8_t>((magnitude & 0x3F) | (value < 0 ? 0x40 : 0) | (magnitude > 0x3F ? 0x80 : 0))};
    if (magnitude > 0x3F) {
      const Bytes rest = leb128(magnitude >> 6);
      wire.insert(wire.end(), rest.begin(), rest.end());
    }
    return wire;
  };
  // The encoders against known wire bytes.
  ASSERT_EQ(leb128(300), (Bytes{0xAC, 0x02}));
  for (const auto& [value, wire] : {std::pair{-1, Bytes{0x41}}, {63, {0x3F}}, {-64, {0xC0, 0x01}}, {-100, {0xE4, 0x01}}})
    ASSERT_EQ(signedWire(value), wire) << value;
  std::vector<int32_t> values = {300, 100};
  for (int bits = 0; bits <= 31; ++bits)
    for (int32_t value : {int32_t((1ll << bits) - 1), int32_t(1ll << (bits == 31 ? 30 : bits))}) values.push_back(value);
  for (int32_t value : values) {
    for (bool isSigned : {false, true}) {
      for (int32_t v : isSigned ? std::vector<int32_t>{value, -value} : std::vector<int32_t>{value}) {
        const Bytes wire = isSigned ? signedWire(v) : leb128(static_cast<uint32_t>(v));
        for (size_t room = 1; room <= 7; ++room) {
          SCOPED_TRACE(testing::Message() << v << (isSigned ? " signed, room " : " unsigned, room ") << room);
          Packet out(0, static_cast<int32_t>(room));
          int32_t written = v;
          isSigned ? out.doInt(&written) : out.doUInt(&written);
          EXPECT_EQ(out.hasError(), wire.size() > room);
          if (!out.hasError()) {
            EXPECT_EQ(bytesOf(out), wire);
          }

          // The same bytes followed by others, so that `room` bytes are valid.
          Bytes message = wire;
          message.resize(std::max(room, wire.size()), 0xFF);
          Incoming in(Bytes(message.begin(), message.begin() + room));
          int32_t back = 12345;
          isSigned ? in.packet.doInt(&back) : in.packet.doUInt(&back);
          EXPECT_EQ(in.packet.hasError(), wire.size() > room);
          EXPECT_EQ(back, wire.size() > room ? 0 : v);
          if (!in.packet.hasError()) {
            EXPECT_EQ(in.packet.getPosition(), wire.size());
          }
        }
      }
    }
  }
  // Negative values are no unsigned varint, with any room.
  Packet negative(0, 16);
  int32_t minusOne = -1;
  negative.doUInt(&minusOne);
  EXPECT_TRUE(negative.hasError());
  EXPECT_EQ(negative.getPosition(), 0u);
}

TEST_F(PacketTest, Float16RoundTripsEveryCodeInRangeAndClampsTheRest) {
  for (uint32_t code = 0; code <= 0xFFFF; ++code) {
    const float value = Packet::decodeFloat16(static_cast<uint16_t>(code));
    const uint32_t magnitude = code & 0x7FFF;
    uint32_t expected = code;
    if (code == 0) expected = 0;  // only 0x0000 is zero; 0x8000 is -2^-15
    else if (magnitude < 0x0010) expected = (code & 0x8000) | 0x0010;  // below 3.1e-05
    else if (magnitude > 0x7FEF) expected = (code & 0x8000) | 0x7FEF;  // above 130000
    ASSERT_EQ(Packet::encodeFloat16(value), expected) << code;
  }
  EXPECT_EQ(Packet::encodeFloat16(1.0f), 0x3C00);
  EXPECT_EQ(Packet::encodeFloat16(0.5f), 0x3800);
  EXPECT_EQ(Packet::encodeFloat16(-1.0f), 0xBC00);
  EXPECT_EQ(Packet::encodeFloat16(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(Packet::encodeFloat16(-std::numeric_limits<float>::infinity()), 0xFFEF);

  Packet packet(0, 16);
  for (float value : {1e-9f, 200000.0f}) packet.doFloat16(&value);
  EXPECT_EQ(bytesOf(packet), (Bytes{0x10, 0x00, 0xEF, 0x7F}));
  Incoming in(bytesOf(packet));
  float small = 0, large = 0;
  in.packet.doFloat16(&small);
  in.packet.doFloat16(&large);
  EXPECT_NEAR(small, 3.0994e-05f, 1e-9f);
  EXPECT_EQ(large, 129984.0f);
}

TEST_F(PacketTest, StringsAreMaskedUtf8AndBitsShareBytesWhereTheyStart) {
  Packet packet(0, 64);
  std::u16string empty, text = u"A\u00e9";
  packet.doUString(&empty, -1);
  packet.doUString(&text, -1);
  EXPECT_EQ(bytesOf(packet), (Bytes{0x00, 0x03, 'A' ^ 0x8F, 0xC3 ^ 0x8F, 0xA9 ^ 0x8F}));
  Incoming in(bytesOf(packet));
  std::u16string a = u"x", b;
  in.packet.doUString(&a, -1);
  in.packet.doUString(&b, 2);
  EXPECT_EQ(a, u"");
  EXPECT_EQ(b, text);
  EXPECT_FALSE(in.packet.hasError());

  // Nine booleans with a byte between the first and the ninth: the ninth
  // opens a second bit byte at the cursor.
  Packet bits(0, 16);
  uint8_t on = 1, off = 0;
  int32_t between = 5;
  bits.doBool(&on, 0);
  bits.doUInt(&between);
  for (int i = 0; i < 7; ++i) bits.doBool(i % 2 ? &on : &off, 0);
  bits.doBool(&on, 0);
  EXPECT_EQ(bytesOf(bits), (Bytes{0x55, 0x05, 0x01}));
  Incoming bitsIn(bytesOf(bits));
  uint8_t read[9] = {};
  int32_t middle = 0;
  bitsIn.packet.doBool(&read[0], 0);
  bitsIn.packet.doUInt(&middle);
  for (int i = 1; i < 9; ++i) bitsIn.packet.doBool(&read[i], 0);
  EXPECT_EQ(middle, 5);
  EXPECT_EQ(Bytes(read, read + 9), (Bytes{1, 0, 1, 0, 1, 0, 1, 0, 1}));

  // A null reference is one zero byte and reports no object.
  Packet pointers(0, 16);
  ZibBase* none = nullptr;
  EXPECT_FALSE(pointers.doPointer2(&none));
  EXPECT_EQ(bytesOf(pointers), Bytes{0x00});

  // A same-process packet copies whole pointers, all 8 bytes of them.
  ZibBase object;
  ZibBase* raw = &object;
  Packet local(Packet::kFlagSameProcess, 16);
  local.doRawPointer(&raw);
  EXPECT_EQ(local.getPosition(), sizeof(ZibBase*));
  Incoming localIn(bytesOf(local), Packet::kFlagSameProcess);
  ZibBase* back = nullptr;
  localIn.packet.doRawPointer(&back);
  EXPECT_EQ(back, &object);
}

TEST_F(PacketTest, DamagedMessagesSetAStickyErrorAndReadZeros) {
  const auto readsAsError = [](const Bytes& bytes, auto read) {
    Incoming in(bytes);
    read(in.packet);
    int32_t after = 99;
    in.packet.doInt(&after);
    return in.packet.hasError() && after == 0;
  };
  int32_t i = 0;
  EXPECT_TRUE(readsAsError({0x80}, [&](Packet& p) { p.doUInt(&i); }));                          // cut short
  EXPECT_TRUE(readsAsError({0x80, 0x80, 0x80, 0x80, 0x80, 0x01}, [&](Packet& p) { p.doUInt(&i); }));  // 6 bytes
  EXPECT_TRUE(readsAsError({0xFF, 0xFF, 0xFF, 0xFF, 0x0F}, [&](Packet& p) { p.doUInt(&i); }));  // 2^32 - 1
  EXPECT_TRUE(readsAsError({0xC0, 0xFF, 0xFF, 0xFF, 0x1F}, [&](Packet& p) { p.doInt(&i); }));   // -2^31 and beyond
  // Too large with data to spare after them: 2^31, unsigned and signed.
  EXPECT_TRUE(readsAsError({0x80, 0x80, 0x80, 0x80, 0x08, 0x00}, [&](Packet& p) { p.doUInt(&i); }));
  EXPECT_TRUE(readsAsError({0x80, 0x80, 0x80, 0x80, 0x10, 0x00}, [&](Packet& p) { p.doInt(&i); }));
  EXPECT_EQ(i, 0);
  std::u16string s = u"old";
  Bytes full = {0x80, 0x08};  // 1024 bytes, all there: one more than a string may hold
  full.resize(2 + 1024 + 1, 0x01);  // and a value after it
  EXPECT_TRUE(readsAsError(full, [&](Packet& p) { p.doUString(&s, -1); }));
  EXPECT_TRUE(readsAsError({0x05, 'a'}, [&](Packet& p) { p.doUString(&s, -1); }));   // fewer bytes than said
  EXPECT_TRUE(readsAsError({0x02, 'a' ^ 0x8F, 'b' ^ 0x8F}, [&](Packet& p) { p.doUString(&s, 1); }));
  EXPECT_EQ(s, u"");
  const ClassInfo* c = &ZibBase::classInfo;
  EXPECT_TRUE(readsAsError({0x7F}, [&](Packet& p) { p.doClassID(&c); }));  // no such index
  EXPECT_EQ(c, nullptr);
  ZibBase* object = nullptr;
  EXPECT_TRUE(readsAsError({0x05}, [&](Packet& p) { p.doPointer2(&object); }));  // no role, no object 5
  EXPECT_TRUE(readsAsError({0x01, 'x' ^ 0x8F}, [&](Packet& p) { p.doResourcePointer2(&object); }));
  float f = 1;
  EXPECT_TRUE(readsAsError({0x00}, [&](Packet& p) { p.doFloat16(&f); }));
  EXPECT_EQ(f, 0.0f);

  // Unrepresentable values and a full buffer refuse the message being written.
  Packet small(0, 2);
  int32_t intMin = INT32_MIN, big = 300000;
  small.doInt(&intMin);
  EXPECT_TRUE(small.hasError());
  small.startWriting();
  small.doUInt(&big);
  EXPECT_TRUE(small.hasError());
  EXPECT_FALSE(small.load(Bytes(3).data(), 3));
}

TEST_F(PacketTest, ClassIdsTravelAsIndexOrHashAndResourcesByName) {
  getClassRegistry().assignClassIds();
  const ClassInfo* zibBase = &ZibBase::classInfo;
  Packet byIndex(0, 16), byHash(Packet::kFlagChecked, 16);
  byIndex.doClassID(&zibBase);
  byHash.doClassID(&zibBase);
  EXPECT_EQ(bytesOf(byIndex), Bytes{33});  // the index every build of the program gives "ZibBase"
  uint32_t hash = 0;
  std::memcpy(&hash, byHash.getData(), 4);
  EXPECT_EQ(hash, hashName(u"ZibBase"));
  Incoming in(bytesOf(byHash), Packet::kFlagChecked);
  const ClassInfo* back = nullptr;
  in.packet.doClassID(&back);
  EXPECT_EQ(back, zibBase);

  ZibBase skin;
  root->pResourceManager->addResource(&skin, u"ship");
  ZibBase* resource = &skin;
  Packet names(0, 16);
  names.doResourcePointer2(&resource);
  EXPECT_EQ(bytesOf(names), (Bytes{0x04, 's' ^ 0x8F, 'h' ^ 0x8F, 'i' ^ 0x8F, 'p' ^ 0x8F}));
  Incoming namesIn(bytesOf(names));
  resource = nullptr;
  namesIn.packet.doResourcePointer2(&resource);
  EXPECT_EQ(resource, &skin);
}
