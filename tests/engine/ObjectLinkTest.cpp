#include <gtest/gtest.h>

#include <vector>

#include "engine/ObjectLink.h"
#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "engine/ZibEvent.h"
#include "support/EngineFixture.h"

namespace {

// Every event any owner receives, in arrival order.
std::vector<ZibEvent> events;

struct Owner : ZibBase {
  bool onEvent(ZibEvent* e) override {
    events.push_back(*e);
    return false;
  }
};

std::vector<BasicLink*> linksAt(ZibBase& target) {
  std::vector<BasicLink*> out;
  for (BasicLink* c = target.linkList.firstChild; c; c = c->next) out.push_back(c);
  return out;
}

}  // namespace

class ObjectLinkTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    events.clear();
  }
};

TEST_F(ObjectLinkTest, DyingTargetEmptiesItsLinksInAimOrderAndOnlyEmptyingAnAimedLinkSendsAnEvent) {
  Owner first, second;
  ObjectLink a(&first), b(&second), c(&first);
  auto* dying = new ZibBase;
  for (ObjectLink* link : {&b, &a, &c}) link->setTarget(dying);
  dying->destroy();
  ASSERT_EQ(events.size(), 3u);
  const ObjectLink* order[] = {&b, &a, &c};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(events[i].link, order[i]);
    EXPECT_EQ(events[i].target, order[i]->owner);
    EXPECT_EQ(events[i].code, 0);
    EXPECT_EQ(events[i].tracker, root->pFocusTracker);
    EXPECT_EQ(order[i]->target, nullptr);
    EXPECT_EQ(order[i]->parent, nullptr);
  }

  events.clear();
  Owner owner;
  ZibBase target, other;
  ObjectLink later(&owner);
  auto* link = new ObjectLink(&owner);
  link->setTarget(nullptr);
  link->setTarget(&target);
  later.setTarget(&target);
  link->setTarget(&target);  // again: moves to the end, still one entry
  EXPECT_EQ(linksAt(target), (std::vector<BasicLink*>{&later, link}));
  link->setTarget(&other);
  EXPECT_EQ(linksAt(target), (std::vector<BasicLink*>{&later}));
  EXPECT_EQ(linksAt(other), (std::vector<BasicLink*>{link}));
  EXPECT_TRUE(events.empty());

  link->setTarget(nullptr);
  link->setTarget(nullptr);
  EXPECT_EQ(events.size(), 1u);
  link->setTarget(&other);
  delete link;  // an aimed link's death leaves the list and tells its owner
  EXPECT_EQ(other.linkList.firstChild, nullptr);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].link, link);

  ObjectLink ownerless(nullptr);
  ownerless.setTarget(&other);
  ownerless.setTarget(nullptr);
  later.setTarget(nullptr);
  EXPECT_EQ(events.size(), 3u);
}
