#include <gtest/gtest.h>

#include <memory>
#include <unordered_set>
#include <vector>

#include "engine/ClassInfo.h"
#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "engine/net/NetRole.h"
#include "engine/net/NetRoleIdCounter.h"
#include "engine/net/Packet.h"
#include "engine/net/RpcAppendChild.h"
#include "engine/net/RpcDeleteObject.h"
#include "engine/net/RpcGotoState.h"
#include "engine/net/ZibBasePointer.h"
#include "engine/net/ZibNetwork.h"
#include "engine/object/PropertyContainer.h"
#include "support/EngineFixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const Packet& packet) { return Bytes(packet.getData(), packet.getData() + packet.getPosition()); }

class RemoteCallTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    getClassRegistry().assignClassIds();
    zib->pZibNetwork = new ZibNetwork();
  }
  void TearDown() override {
    // Objects the test made and the calls left alive: detached, then deleted.
    zib->pZibNetwork->THEROLE = nullptr;
    std::unordered_set<ZibBase*> live;
    for (BasicLink* node = zib->objectList.firstChild; node; node = node->next)
      live.insert(static_cast<ObjectListNode*>(node)->owner);
    std::erase_if(owned, [&](ZibBase* o) { return !live.count(o); });
    for (ZibBase* o : owned)
      if (o->parent) o->parent->removeChild(o);
    for (ZibBase* o : owned) delete o;
    EngineTest::TearDown();
  }
  // A role that is active from now on, with registered objects of the given ids.
  NetRole& activate(bool server) {
    role = std::make_unique<NetRole>(nullptr, server, nullptr);
    zib->pZibNetwork->THEROLE = role.get();
    return *role;
  }
  ZibBase* registered(int32_t id) {
    auto* object = new ZibBase;
    role->nextObjectUID = id;
    role->registerObject(object);
    owned.push_back(object);
    return object;
  }
  std::unique_ptr<NetRole> role;
  std::vector<ZibBase*> owned;
};

}  // namespace

TEST_F(RemoteCallTest, ObjectsSerialiseTheirStatePropertiesAndRegisteredChildren) {
  ZibBase object;
  object.state = 3;
  object.timeInState = 1.25;
  object.stateLeft = 9;
  Packet packet(Packet::kFlagReplication, -1);
  object.netSerialize(&packet);
  EXPECT_EQ(bytesOf(packet), (Bytes{0x03, 0x00, 0x3D, 0x00}));

  activate(true);
  ZibBase* parent = registered(7);
  ZibBase* shown = registered(300);
  auto* unregistered = new ZibBase;
  ZibBase* local = registered(9);
  local->bLocalOnly = 1;
  for (ZibBase* child : {shown, unregistered, local}) parent->appendChild(child);
  Packet checked(Packet::kFlagReplication | Packet::kFlagChecked, -1);
  parent->netSerialize(&checked);
  EXPECT_EQ(bytesOf(checked), (Bytes{0x00, 0x00, 0x00, 0xFB, 0xFC, 0xFD, 0xFE, 0x01, 0xAC, 0x02, 0x00}));

  // The receiving side takes the listed children; a child that has a parent is refused.
  ZibBase* copy = registered(8);
  ZibBase* orphan = registered(301);
  Packet in(checked.flags, -1);
  Bytes wire = bytesOf(checked);
  wire[8] = 0xAD;  // 301
  in.load(wire.data(), wire.size());
  copy->netSerialize(&in);
  EXPECT_FALSE(in.hasError());
  EXPECT_EQ(orphan->parent, copy);
  in.load(bytesOf(checked).data(), checked.getPosition());
  copy->netSerialize(&in);
  EXPECT_TRUE(in.hasError());
  EXPECT_EQ(shown->parent, parent);
  wire[3] = 0;  // damaged marker: dropped, not fatal
  in.load(wire.data(), wire.size());
  copy->netSerialize(&in);
  EXPECT_TRUE(in.hasError());
}

TEST_F(RemoteCallTest, CallsAreWrittenAsTypeClassTargetAndArguments) {
  NetRole& r = activate(true);
  RpcAppendChild call;
  call.pTarget = registered(5);
  call.child = registered(300);
  r.sendRPC(&call);
  EXPECT_EQ(bytesOf(r.packet), (Bytes{0x03, 0x26, 0x05, 0xAC, 0x02}));
  r.sendRPC(&call);  // its type bits join the first bit byte
  EXPECT_EQ(bytesOf(r.packet), (Bytes{0x0F, 0x26, 0x05, 0xAC, 0x02, 0x26, 0x05, 0xAC, 0x02}));
  EXPECT_EQ(r.callsSent.at(0x26), 2);

  r.packet.flags |= Packet::kFlagChecked;
  r.packet.startWriting();
  r.sendRPC(&call);
  EXPECT_EQ(bytesOf(r.packet), (Bytes{0x03, 0x57, 0x8B, 0x46, 0x02, 0x05, 0xAC, 0x02}));
}

TEST_F(RemoteCallTest, ReceivedCallsRunUnlessTheyNameUnknownObjectsOrWouldBreakTheTree) {
  NetRole& r = activate(false);
  ZibBase* target = registered(5);
  ZibBase* child = registered(300);
  ZibBase* grandparent = registered(6);
  grandparent->appendChild(target);
  const auto receive = [&](Bytes wire) {
    Packet in(Packet::kFlagReplication, -1);
    in.load(wire.data(), wire.size());
    return r.receiveMessage(&in);
  };
  EXPECT_FALSE(receive({0x03, 0x26, 0x05, 0xAD, 0x02}));  // no object 301
  EXPECT_TRUE(receive({0x03, 0x26, 0x05, 0x06}));  // an ancestor of the target: runs, refuses
  EXPECT_FALSE(receive({0x03, 0x05, 0x05}));              // class 5 is not a remote call
  EXPECT_FALSE(receive({0x03, 0x26}));                    // cut short
  EXPECT_EQ(target->firstChild, nullptr);
  EXPECT_TRUE(receive({0x03, 0x26, 0x05, 0xAC, 0x02}));
  EXPECT_EQ(child->parent, target);
  EXPECT_TRUE(receive({0x03, 0x26, 0x06, 0xAC, 0x02}));  // already has a parent: refused
  EXPECT_EQ(child->parent, target);
  grandparent->removeChild(target);
  target->removeChild(child);
}

TEST_F(RemoteCallTest, WhereCallsRunFollowsTheRoleAndTheCallFlags) {
  RpcAppendChild call;
  EXPECT_FALSE(call.executeRemotely());  // no role
  struct Row {
    bool server, clientCallable, inServerCall, inClientCall;
    bool remote;
  };
  const Row rows[] = {
      {true, false, false, false, true},  {true, false, false, true, false},
      {false, true, false, false, true},  {false, true, true, false, false},
      {false, false, true, false, false},
  };
  for (const Row& row : rows) {
    NetRole& r = activate(row.server);
    r.bInServerCall = row.inServerCall;
    r.bInClientCall = row.inClientCall;
    call.bClientCallable = row.clientCallable;
    EXPECT_EQ(call.executeRemotely(), row.remote) << row.server << row.clientCallable << row.inServerCall;
  }
  activate(false);
  call.bClientCallable = false;
  EXPECT_FATAL(call.executeRemotely(), "Can't call 'NULL::_02468b57' client-side.\n Function: RPC::executeRemotely()\n File: RPC\n Line: 43");

  // Running sets the role's call flags for the call and restores them.
  RpcGotoState gotoState;
  ZibBase target;
  gotoState.pTarget = &target;
  gotoState.state = 4;
  gotoState.delay = 0.5;
  NetRole& server = activate(true);
  gotoState.executeLocally();
  EXPECT_EQ(target.stateGoto, 4);
  EXPECT_EQ(target.stateLeft, 0.5);
  EXPECT_EQ(target.state, 0);
  EXPECT_FALSE(server.bInServerCall || server.bInClientCall);
}

TEST_F(RemoteCallTest, RegisteredObjectsAreDeletedThroughTheRole) {
  NetRole& r = activate(true);
  ZibBase* anchor = registered(1);
  r.anchor = anchor;
  ZibBase* doomed = registered(42);
  anchor->appendChild(doomed);
  EXPECT_DEATH(delete doomed, "Deletion of registered object 42 is not allowed \\(use NETDELETE instead\\)\\.");
  doomed->destroy();
  EXPECT_EQ(anchor->firstChild, nullptr);
  EXPECT_EQ(r.lookupObject(42), nullptr);
  // The delete call went out: type, class index, anchor 1, object 42.
  const Bytes sent = bytesOf(r.packet);
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[2], 0x01);
  EXPECT_EQ(sent[3], 42);
  RpcDeleteObject deleteAnchor;  // would leave the role without its anchor
  deleteAnchor.pTarget = deleteAnchor.object = anchor;
  deleteAnchor.executeLocally();
  EXPECT_EQ(r.lookupObject(1), anchor);
  r.unregisterObject(anchor);
  r.unregisterObject(nullptr);
  EXPECT_FATAL(r.unregisterObject(anchor), "o->isValidUID()\n Function: NetRole::unregisterObject()\n File: NetRole\n Line: 484");
  EXPECT_FATAL(r.findObject(77), "Could not find object ID 77\n Function: NetRole::findObject()\n File: NetRole\n Line: 500");
}

TEST_F(RemoteCallTest, PointersAndTheIdCounterDescribeThemselves) {
  ZibBasePointer pointer;
  ZibBase target;
  target.objectUID = 12;
  pointer.pObject = &target;
  std::unique_ptr<PropertyContainer> properties(pointer.makePropertyContainer());
  EXPECT_NE(properties->nameAndValue().find(u"pObject:ZibBase12"), std::u16string::npos);

  // Without a role the counter is left out instead of read through null.
  NetRoleIdCounter counter;
  std::unique_ptr<PropertyContainer> none(counter.makePropertyContainer());
  EXPECT_EQ(none->nameAndValue().find(u"THEROLE"), std::u16string::npos);
  activate(true).nextObjectUID = 17;
  std::unique_ptr<PropertyContainer> withRole(counter.makePropertyContainer());
  EXPECT_NE(withRole->nameAndValue().find(u"THEROLE->nextObjectUID:17"), std::u16string::npos);
  target.objectUID = -1;
}

// A received state changes the object only when all of it was read: a damaged
// message is dropped and leaves fields and children as they were.
TEST_F(RemoteCallTest, ADamagedReceivedStateLeavesTheObjectAsItWas) {
  activate(false);
  ZibBase* target = registered(8);
  ZibBase* child = registered(300);
  target->state = 3, target->timeInState = 1.25, target->stateLeft = 9, target->stateGoto = 2;
  const auto receive = [&](uint32_t flags, const Bytes& bytes) {
    Packet packet(flags, static_cast<int32_t>(bytes.size()));
    packet.load(bytes.data(), bytes.size());
    target->netSerialize(&packet);
    return !packet.hasError();
  };
  const std::pair<uint32_t, Bytes> damaged[] = {
      {Packet::kFlagReplication, {0x05}},  // the message ends inside timeInState
      // Whole properties and marker, then a child list without its terminator.
      {Packet::kFlagReplication | Packet::kFlagChecked, {0x05, 0x00, 0x3C, 0xFB, 0xFC, 0xFD, 0xFE, 0x01, 0xAC, 0x02}},
      {Packet::kFlagReplication, {0x05, 0x00, 0x3C, 0x01, 0xAC, 0x02, 0xAC, 0x02, 0x00}},  // a child listed twice
  };
  for (const auto& [flags, bytes] : damaged) {
    EXPECT_FALSE(receive(flags, bytes));
    EXPECT_EQ(std::tuple(target->state, target->timeInState, target->stateLeft, target->stateGoto, target->firstChild),
              std::tuple(3, 1.25, 9.0, 2, static_cast<BasicLink*>(nullptr))) << bytes.size();
  }
  EXPECT_TRUE(receive(Packet::kFlagReplication, {0x05, 0x00, 0x3C, 0x01, 0xAC, 0x02, 0x00}));
  EXPECT_EQ(std::tuple(target->state, target->timeInState, target->stateLeft), std::tuple(5, 1.0, 9.0));  // stateLeft not sent with flag 1
  EXPECT_EQ(child->parent, target);
}
