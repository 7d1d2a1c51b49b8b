#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ChildIterator.h"
#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "engine/ZibEvent.h"
#include "support/EngineFixture.h"

namespace {

using Log = std::vector<std::string>;
using Nodes = std::vector<BasicLink*>;

// Records ticks, renders, events and its death; `consumes` names the handler that consumes.
struct Probe : ZibBase {
  Probe(Log& log, std::string name, ZibBase* parent = nullptr) : log(log), name(std::move(name)) {
    if (parent) parent->appendChild(this);
  }
  ~Probe() override { note("~"); }
  void tick(double time, double delta) override {
    note("tick ");
    ZibBase::tick(time, delta);
    if (dieInTick) bDeletePending = 1;
  }
  void render() override {
    note("render ");
    ZibBase::render();
  }
  bool hitTest() override { return hits; }
  bool onPreviewEvent(ZibEvent*) override { return note("preview "); }
  bool onEvent(ZibEvent*) override { return note("event "); }
  bool onBubbleEvent(ZibEvent*) override { return note("bubble "); }
  bool note(const std::string& what) {
    log.push_back(what + name);
    return consumes == what;
  }
  Log& log;
  std::string name;
  std::string consumes;
  bool dieInTick = false, hits = false;
};

// A node whose destroy leaves it in place, as a deferred remote delete would.
struct StayingNode : BasicLink {
  void destroy() override { ++destroyCalls; }
  int destroyCalls = 0;
};

Nodes walk(BasicLink* owner, uint32_t flags) {
  Nodes out;
  for (ChildIterator it(owner, flags, true); !it.bDone; it.next()) out.push_back(it.current);
  return out;
}

}  // namespace

class ObjectTreeTest : public EngineTest {
 protected:
  Log log;
};

TEST_F(ObjectTreeTest, InsertAndRemoveKeepSiblingsSoundAndRefuseStrangers) {
  BasicLink list, single, stranger;
  auto *a = new BasicLink, *b = new BasicLink, *c = new BasicLink, *d = new BasicLink;
  list.appendChild(b);
  list.prependChild(a);
  list.appendChild(d);
  list.insertChildAfter(c, b);
  EXPECT_EQ(walk(&list, ChildIterator::ITERATE_BACKWARDS), (Nodes{d, c, b, a}));
  EXPECT_EQ(list.countChildren(), 4u);
  list.removeChild(a);
  list.removeChild(d);
  EXPECT_EQ(walk(&list, 0), (Nodes{b, c}));
  EXPECT_EQ(walk(&list, ChildIterator::ITERATE_BACKWARDS), (Nodes{c, b}));
  single.appendChild(a);
  single.removeChild(a);
  EXPECT_EQ(single.firstChild, nullptr);
  EXPECT_EQ(single.lastChild, nullptr);
  // A wrong node would corrupt the lists: refused.
  EXPECT_FATAL(list.removeChild(&stranger), "child->parent == this");
  EXPECT_FATAL(single.appendChild(b), "child->parent == nullptr");
  EXPECT_EQ(list.countChildren(), 2u);
  delete a;
  delete d;
}

TEST_F(ObjectTreeTest, DestructionGoesLastChildFirstAndReleasesChildrenThatStay) {
  auto* parent = new Probe(log, "parent");
  new Probe(log, "a", parent);
  new Probe(log, "b1", new Probe(log, "b", parent));
  StayingNode staying;
  parent->appendChild(&staying);
  parent->destroy();
  EXPECT_EQ(log, (Log{"~parent", "~b", "~b1", "~a"}));
  EXPECT_EQ(staying.destroyCalls, 1);
  EXPECT_EQ(staying.parent, nullptr);
  EXPECT_EQ(root->objectList.firstChild, nullptr);

  ZibBase holder;
  holder.appendChild(&staying);
  holder.destroyChildren();
  EXPECT_EQ(staying.destroyCalls, 2);
  EXPECT_EQ(holder.firstChild, nullptr);
}

TEST_F(ObjectTreeTest, WalksDestroyPendingNodesOnlyWithTheDestroyFlag) {
  Probe top(log, "top");
  auto* a = new Probe(log, "a", &top);
  auto* b = new Probe(log, "b", &top);
  auto* c = new Probe(log, "c", &top);
  auto* d = new Probe(log, "d", &top);
  a->dieInTick = true;
  c->bDeletePending = 1;
  b->bSkip = 1;
  EXPECT_EQ(walk(&top, 0), (Nodes{a, d}));
  EXPECT_EQ(walk(&top, ChildIterator::ITERATE_INCLUDE_SKIPPED | ChildIterator::ITERATE_BACKWARDS),
            (Nodes{d, b, a}));
  b->bSkip = 0;

  top.tick(0, 0.1);
  EXPECT_EQ(log, (Log{"tick top", "tick a", "~a", "tick b", "~c", "tick d"}));
  log.clear();
  d->bDeletePending = 1;  // the last node dies as the walk ends
  top.render();
  EXPECT_EQ(log, (Log{"render top", "render b", "~d"}));
  EXPECT_EQ(walk(&top, 0), (Nodes{b}));
}

TEST_F(ObjectTreeTest, PickingCountsHitsFrontMostFirstAndSkipsDisabledSubtrees) {
  Probe top(log, "top");
  auto* back = new Probe(log, "back", &top);
  auto* front = new Probe(log, "front", &top);
  auto* frontChild = new Probe(log, "frontChild", front);
  back->hits = front->hits = frontChild->hits = true;
  const ZibBase* expected[] = {frontChild, front, back, nullptr};
  for (int skip = 0; skip < 4; ++skip) {
    int count = skip;
    EXPECT_EQ(top.pickObject(&count), expected[skip]) << skip;
  }
  front->bDisabled = 1;
  int count = 0;
  EXPECT_EQ(top.pickObject(&count), back);
}

TEST_F(ObjectTreeTest, EventsRouteRootFirstThenTargetThenUpwards) {
  Probe top(log, "top");
  auto* mid = new Probe(log, "mid", &top);
  auto* target = new Probe(log, "target", mid);
  auto* forwarding = new ZibBase;
  mid->appendChild(forwarding);
  forwarding->eventHandler = target;
  auto send = [&](ZibBase* to) {
    log.clear();
    ZibEvent e;
    dispatchEvent(to, &e);
    return log;
  };
  EXPECT_EQ(send(target), (Log{"preview top", "preview mid", "event target", "bubble mid", "bubble top"}));
  EXPECT_EQ(send(forwarding), (Log{"preview top", "preview mid", "event target", "bubble mid", "bubble top"}));
  mid->consumes = "bubble ";
  EXPECT_EQ(send(target), (Log{"preview top", "preview mid", "event target", "bubble mid"}));
  target->consumes = "event ";
  EXPECT_EQ(send(target), (Log{"preview top", "preview mid", "event target"}));
  target->bDisabled = 1;  // skipped, but its parents still see the event
  EXPECT_EQ(send(target), (Log{"preview top", "preview mid", "bubble mid"}));
  target->bDisabled = 0;
  top.bDisabled = 1;  // a disabled ancestor swallows everything below it
  EXPECT_EQ(send(target), Log{});
}

TEST(StateBaseTest, SwitchesAtOnceOrAfterItsDelayAndIgnoresRepeatedRequests) {
  struct Machine : StateBase {
    void onStateChange() override { changes.push_back(state); }
    std::vector<int32_t> changes;
  } m;
  m.gotoState(3, 0.5);
  m.tickState(0, 0.1);
  m.gotoState(3, 0.0);  // already pending: ignored
  m.tickState(0, 0.3);
  EXPECT_EQ(m.state, 0);
  EXPECT_DOUBLE_EQ(m.timeInState, 0.4);
  m.tickState(0, 1.0);  // overshoots the delay
  EXPECT_EQ(m.state, 3);
  EXPECT_EQ(m.timeInState, 0.0);
  m.gotoState(3, 0.0);  // the current state: ignored
  m.gotoState(5, -1.0);
  EXPECT_EQ(m.changes, (std::vector<int32_t>{3, 5}));
}

TEST_F(ObjectTreeTest, ObjectListHoldsLiveObjectsInConstructionOrder) {
  auto* a = new ZibBase;
  auto* b = new ZibBase;
  auto* c = new ZibBase;
  a->appendChild(b);
  auto listed = [&] {
    std::vector<ZibBase*> out;
    for (BasicLink* n : walk(&root->objectList, 0)) out.push_back(static_cast<ObjectListNode*>(n)->owner);
    return out;
  };
  EXPECT_EQ(listed(), (std::vector<ZibBase*>{a, b, c}));
  b->destroy();
  EXPECT_EQ(listed(), (std::vector<ZibBase*>{a, c}));
  a->destroy();
  c->destroy();
  EXPECT_EQ(root->objectList.firstChild, nullptr);
}

TEST_F(ObjectTreeTest, FindContextTakesTheNearestObjectOfAContextClass) {
  // Objects that report a given record, so that no screen has to be built.
  struct Reporting : ZibBase {
    explicit Reporting(const ClassInfo* record) : record(record) {}
    const ClassInfo* getClass() const override { return record; }
    const ClassInfo* record;
  };
  ClassRegistry local;
  ClassInfo screenClass(local, 1, u"Screen", getClassRegistry().findByName(u"Context"), nullptr);
  Reporting outer(screenClass.parent), inner(&screenClass);
  ZibBase leaf;
  outer.appendChild(&inner);
  inner.appendChild(&leaf);
  EXPECT_EQ(leaf.findContext(), &inner);
  EXPECT_EQ(outer.findContext(), &outer);
  inner.removeChild(&leaf);
  EXPECT_FATAL(leaf.findContext(), "Could not find any Context object.");
  outer.removeChild(&inner);
}
