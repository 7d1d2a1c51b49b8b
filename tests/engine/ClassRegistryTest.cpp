#include <gtest/gtest.h>

#include <charconv>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "engine/ClassInfo.h"
#include "base/StringUtils.h"

namespace {

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

TEST(ClassRegistryTest, ProgramRecordsHashTheirNamesAndNumberCleanly) {
  ClassRegistry& registry = getClassRegistry();
  registry.assignClassIds();
  EXPECT_FALSE(registry.bBadClasses);
  for (const ClassInfo* c = registry.head; c; c = c->next) {
    EXPECT_EQ(c->hash, expectedHash(c->name)) << toUtf8(c->name);
    EXPECT_EQ(registry.findByIndex(c->classIndex), c) << toUtf8(c->name);
  }
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
  for (const auto& [record, of, expected] : {std::tuple{&root, &root, true}, {&root, &middle, false},
                                            {&leaf, &root, true}, {&leaf, &middle, true}, {&middle, &leaf, false}})
    EXPECT_EQ(record->isA(of), expected) << toUtf8(record->name) << " of " << toUtf8(of->name);
}
