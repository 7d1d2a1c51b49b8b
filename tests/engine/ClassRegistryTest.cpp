#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <string>
#include <vector>

#include "engine/ClassInfo.h"
#include "base/StringUtils.h"

namespace {

struct ExpectedRecord {
  const char16_t* name;
  const char16_t* parent;  // null for a root record
  bool hasFactory;
};

// Every class record of the program, in the table's registration order.
const std::vector<ExpectedRecord> kExpectedRecords = {
    {u"ContextManager", u"Context", false},
    {u"_4229753a", u"Context", true},
    {u"ContextBlender", u"Context", true},
    {u"Logger", nullptr, false},
    {u"BasicLink", nullptr, true},
    {u"ZibBase", u"BasicLink", true},
    {u"_ae3f6255", u"RPC", true},
    {u"_02468b57", u"RPC", true},
    {u"_98af025c", u"RPC", true},
    {u"_67719ab0", u"RPC", true},
    {u"_9a4605a1", u"RPC", true},
    {u"_21ae2a05", u"RPC", true},
    {u"_7b13321b", u"RPC", true},
    {u"TimeKeeper", nullptr, false},
    {u"ZibInput", nullptr, false},
    {u"Zib", nullptr, false},
    {u"Skin", u"ZibBase", true},
    {u"Context", u"ZibBase", true},
    {u"Renderable", u"ZibBase", true},
    {u"ResourceManager", nullptr, false},
    {u"Sound", u"ZibBase", false},
    {u"ZibAudio", nullptr, false},
    {u"ErrorManager", nullptr, false},
    {u"Camera", u"ZibBase", true},
    {u"FontQuad", u"ZibBase", false},
    {u"Quad", u"Skin", true},
    {u"VertexBuffer", u"ZibBase", true},
    {u"SoundChannel", u"ZibBase", false},
    {u"Console", u"Context", false},
    {u"FileManager", nullptr, false},
    {u"Texture", u"ZibBase", false},
    {u"ZibGraphics", nullptr, false},
    {u"ZibBasePointer", u"ZibBase", true},
    {u"PropertyPointer", u"Property", false},
    {u"PropertyContainer", u"Property", false},
    {u"PropertyInt", u"Property", false},
    {u"PropertyDouble", u"Property", false},
    {u"_04790976", u"ZibBase", true},
    {u"_cfad751b", u"RPC", true},
    {u"_4472ef3a", u"RPC", true},
    {u"RPC", nullptr, true},
    {u"FontGDI", u"ZibBase", false},
    {u"ZibNetwork", nullptr, false},
    {u"PropertyFloat", u"Property", false},
    {u"PropertyUColor", u"Property", false},
    {u"FontCache", u"ZibBase", false},
    {u"FontCacheEntry", u"ZibBase", false},
    {u"Property", u"ZibBase", false},
    {u"PropertyDWORD", u"Property", false},
};

// "_" and eight hex digits carry their hash; other names hash their text.
uint32_t expectedHash(const std::u16string& name) {
  uint32_t value = 0;
  if (name.size() != 9 || name[0] != u'_') return hashName(name);
  const std::string digits = toUtf8(name.substr(1));
  std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  return value;
}

// Static, as the program's records are: a root names itself as parent.
ClassRegistry hierarchy;
ClassInfo root(hierarchy, 1, u"Root", &root, nullptr);
ClassInfo middle(hierarchy, 2, u"Middle", &root, nullptr);
ClassInfo leaf(hierarchy, 3, u"Leaf", &middle, nullptr);

}  // namespace

TEST(ClassRegistryTest, ProgramRegistersExactlyTheExpectedRecordsNumberedByName) {
  ClassRegistry& registry = getClassRegistry();
  std::vector<std::u16string> sorted;
  for (const ClassInfo* c = registry.head; c; c = c->next) {
    auto row = std::find_if(kExpectedRecords.begin(), kExpectedRecords.end(),
                            [&](const ExpectedRecord& r) { return c->name == r.name; });
    ASSERT_NE(row, kExpectedRecords.end()) << "unlisted record " << toUtf8(c->name);
    EXPECT_EQ(c->hash, expectedHash(c->name)) << toUtf8(c->name);
    EXPECT_EQ(c->factory != nullptr, row->hasFactory) << toUtf8(c->name);
    EXPECT_EQ(c->parent ? c->parent->name : u"", row->parent ? row->parent : u"") << toUtf8(c->name);
    sorted.push_back(c->name);
  }
  ASSERT_EQ(sorted.size(), kExpectedRecords.size()) << "a listed record is not linked in";

  registry.assignClassIds();
  EXPECT_FALSE(registry.bBadClasses);
  std::sort(sorted.begin(), sorted.end());
  for (size_t i = 0; i < sorted.size(); ++i) {
    EXPECT_EQ(toUtf8(registry.classes.at(i)->name), toUtf8(sorted[i]));
    EXPECT_EQ(registry.findByIndex(static_cast<int32_t>(i))->classIndex, static_cast<int32_t>(i));
  }
  // The remote-call indices on the wire are those of the whole table.
  EXPECT_EQ(registry.classes.size(), 49u);
  EXPECT_EQ(registry.findByName(u"_02468b57")->classIndex, 38);
}

TEST(ClassRegistryTest, NumbersOnceByUtf16NamePrefixFirstAndFlagsDuplicates) {
  ClassRegistry registry;
  const char16_t* names[] = {u"ZibAudio", u"_4229753a", u"Property", u"Zib", u"PropertyContainer", u"BasicLink"};
  std::vector<std::unique_ptr<ClassInfo>> records;
  for (const char16_t* name : names)
    records.push_back(std::make_unique<ClassInfo>(registry, expectedHash(name), name, nullptr, nullptr));
  EXPECT_EQ(registry.findByHash(0x4229753a), records[1].get());
  EXPECT_EQ(records[3]->classIndex, -1);

  registry.assignClassIds();
  const int32_t expectedIndex[] = {4, 5, 1, 3, 2, 0};  // '_' sorts after every upper-case letter
  for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i]->classIndex, expectedIndex[i]);
  EXPECT_FALSE(registry.bBadClasses);

  ClassInfo late(registry, 7, u"Aardvark", nullptr, nullptr);
  registry.assignClassIds();
  EXPECT_EQ(late.classIndex, -1);
  EXPECT_EQ(records[5]->classIndex, 0);

  ClassRegistry duplicates;
  ClassInfo first(duplicates, 1, u"Same", nullptr, nullptr), other(duplicates, 2, u"Other", nullptr, nullptr),
      second(duplicates, 1, u"Same", nullptr, nullptr);
  duplicates.assignClassIds();
  EXPECT_TRUE(duplicates.bBadClasses);
  EXPECT_EQ(duplicates.findByHash(1), &second);  // the most recently registered match

  // A class's own record replaces the record reserved for it, whichever comes first.
  ClassRegistry reserved;
  ClassInfo held(reserved, ClassInfo::Reserved{}, 1, u"Held", nullptr, nullptr), real(reserved, 1, u"Held", nullptr, nullptr),
      spare(reserved, ClassInfo::Reserved{}, 2, u"Spare", nullptr, nullptr);
  reserved.assignClassIds();
  EXPECT_FALSE(reserved.bBadClasses);
  EXPECT_EQ(reserved.countRecords(), 2u);
  EXPECT_EQ(reserved.findByHash(1), &real);
  EXPECT_EQ(real.classIndex, 0);
  EXPECT_EQ(spare.classIndex, 1);
  EXPECT_EQ(held.classIndex, -1);
}

TEST(ClassRegistryTest, RootRecordsHaveNoParentAndTheClassTestFollowsParents) {
  EXPECT_EQ(root.parent, nullptr);
  EXPECT_TRUE(root.isA(&root));
  EXPECT_FALSE(root.isA(&middle));
  EXPECT_TRUE(leaf.isA(&root));
  EXPECT_TRUE(leaf.isA(&middle));
  EXPECT_FALSE(middle.isA(&leaf));
}
