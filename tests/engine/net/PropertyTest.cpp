#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/Format.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyContainer.h"
#include "engine/object/PropertyDWORD.h"
#include "engine/object/PropertyDouble.h"
#include "engine/object/PropertyFloat.h"
#include "engine/object/PropertyInt.h"
#include "engine/object/PropertyPointer.h"
#include "engine/object/PropertyUColor.h"
#include "support/EngineFixture.h"

using Bytes = std::vector<uint8_t>;
using PropertyTest = EngineTest;

TEST_F(PropertyTest, TextsOfEveryKind) {
  int32_t state = 3;
  double time = 1.25, two = 2.0, tenth = 0.1;
  float f = 1.5f;
  uint32_t colour = 0xFF00A0, word = 7;
  PropertyContainer group(u"StateBase", 0);
  group.add(new PropertyInt(u"state", 0, &state));
  group.add(new PropertyDouble(u"timeInState", 4, &time));
  EXPECT_EQ(toUtf8(group.nameAndValue()), "StateBase(state:3,timeInState:1.25)");
  EXPECT_EQ(toUtf8(group.toString()), "...");
  EXPECT_EQ(toUtf8(PropertyContainer(u"none", 0).toString()), "(empty)");
  EXPECT_EQ(toUtf8(PropertyDouble(u"d", 0, &two).toString()), "2.0");
  EXPECT_EQ(toUtf8(PropertyDouble(u"d", 0, &tenth).toString()), "0.1");
  EXPECT_EQ(toUtf8(PropertyFloat(u"f", 0, &f).toString()), "1.5");
  EXPECT_EQ(toUtf8(PropertyUColor(u"c", 0, &colour).nameAndValue()), "c:00ff00a0");
  EXPECT_EQ(toUtf8(PropertyDWORD(u"w", 0, &word).toString()), "00000007");

  // Text that does not parse leaves the field as it was.
  PropertyInt i(u"i", 0, &state);
  for (const auto& [input, expected] : {std::pair{u"x12", 3}, {u"  -42abc", -42}, {u"99999999999", INT32_MAX}}) {
    i.fromString(input);
    EXPECT_EQ(state, expected) << toUtf8(input);
  }
  PropertyDouble d(u"d", 0, &time);
  d.fromString(u"nope");
  EXPECT_EQ(time, 1.25);
  d.fromString(u"2.5e1");
  EXPECT_EQ(time, 25.0);
  PropertyUColor c(u"c", 0, &colour);
  c.fromString(u"0xFFfe");
  EXPECT_EQ(colour, 0xFFFEu);
  c.fromString(u"g");
  EXPECT_EQ(colour, 0xFFFEu);
}

TEST_F(PropertyTest, PointersNameResourcesOrLiveObjectsOnly) {
  ZibBase skin, other;
  other.objectUID = 12;
  root->pResourceManager->addResource(&skin, u"shipSkin");
  ZibBase* field = &other;
  PropertyPointer p(u"pObject", 0, &field, &ZibBase::classInfo);
  EXPECT_EQ(toUtf8(p.nameAndValue()), "pObject:ZibBase12");
  EXPECT_EQ(toUtf8(p.toString()), toUtf8(formatString(u"%08lx", reinterpret_cast<uintptr_t>(&other))));
  p.fromString(u"shipSkin");
  EXPECT_EQ(field, &skin);
  EXPECT_EQ(toUtf8(p.toString()), "shipSkin");
  p.fromString(u"1234");  // below 0x10000: unchanged
  EXPECT_EQ(field, &skin);
  auto* gone = new ZibBase;
  const std::u16string goneText = formatString(u"%lx", reinterpret_cast<uintptr_t>(gone));
  delete gone;
  p.fromString(goneText);  // no object lives there
  EXPECT_EQ(field, &skin);
  p.fromString(formatString(u"%lx", reinterpret_cast<uintptr_t>(&other)));
  EXPECT_EQ(field, &other);
  p.fromString(u"0");
  EXPECT_EQ(field, nullptr);
  EXPECT_EQ(toUtf8(p.nameAndValue()), "pObject:NULL");
  EXPECT_EQ(toUtf8(p.toString()), "NULL");
  other.objectUID = -1;

  // A pointer limited to a class refuses objects of others.
  PropertyPointer typed(u"pSkin", 0, &field, &PropertyInt::classInfo);
  typed.fromString(u"shipSkin");
  EXPECT_EQ(field, nullptr);
}

TEST_F(PropertyTest, ContainersMoveTheirMembersByFlagsAndDoublesTravelAsFloats) {
  int32_t never1 = 1, never2 = 2, writeOnly = 5, readOnly = 6, counter = 300;
  double tenth = 0.1, huge = 1e300;
  PropertyContainer group(u"g", 0);
  group.add(new PropertyInt(u"a", 1, &never1));
  group.add(new PropertyInt(u"b", 2, &never2));
  group.add(new PropertyInt(u"w", 0x200, &writeOnly));
  group.add(new PropertyInt(u"r", 0x400, &readOnly));
  group.add(new PropertyInt(u"u", 0x40, &counter));
  group.add(new PropertyDouble(u"d", 0, &tenth));
  group.add(new PropertyDouble(u"h", 4, &huge));
  Packet out(0, 64);
  group.serialize(&out);
  EXPECT_EQ(Bytes(out.getData(), out.getData() + 4), (Bytes{0x05, 0xAC, 0x02, 0xCD}));
  EXPECT_EQ(out.getPosition(), 9u);  // then 4 raw float bytes and a 16-bit float
  EXPECT_EQ(tenth, static_cast<double>(0.1f));  // writing rounds the field
  EXPECT_EQ(huge, static_cast<double>(FLT_MAX));  // saturated before narrowing

  Packet in(0, 64);
  in.load(out.getData(), out.getPosition());
  writeOnly = readOnly = counter = 0;
  group.serialize(&in);
  EXPECT_EQ(writeOnly, 0);  // skipped on reading
  EXPECT_EQ(readOnly, 5);   // read where the writer put w
  EXPECT_EQ(counter, 300);
  EXPECT_EQ(huge, 129984.0);
  EXPECT_FALSE(in.hasError());
}
