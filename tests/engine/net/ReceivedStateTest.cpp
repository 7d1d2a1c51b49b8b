// A received object state changes the object only when all of it was read:
// a damaged message is dropped and leaves fields and children as they were.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "engine/net/NetRole.h"
#include "engine/net/Packet.h"
#include "engine/net/ZibNetwork.h"
#include "support/EngineFixture.h"

namespace {

class ReceivedStateTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    zib->pZibNetwork = new ZibNetwork();
    role = std::make_unique<NetRole>(nullptr, false, nullptr);
    zib->pZibNetwork->THEROLE = role.get();
    target = new ZibBase;
    child = new ZibBase;
    target->state = 3;
    target->timeInState = 1.25;
    target->stateLeft = 9;
    target->stateGoto = 2;
    role->nextObjectUID = 300;
    role->registerObject(child);
  }
  void TearDown() override {
    if (child->parent) child->parent->removeChild(child);
    role->unregisterObject(child);
    delete child;
    delete target;
    zib->pZibNetwork->THEROLE = nullptr;
    role.reset();
    delete zib->pZibNetwork;
    zib->pZibNetwork = nullptr;
    EngineTest::TearDown();
  }
  // Reads `bytes` into the target as a received message; true when it was taken.
  bool receive(uint32_t flags, std::vector<uint8_t> bytes) {
    Packet packet(flags, static_cast<int32_t>(bytes.size()));
    packet.load(bytes.data(), bytes.size());
    target->netSerialize(&packet);
    return !packet.hasError();
  }
  void expectUnchanged() {
    EXPECT_EQ(target->state, 3);
    EXPECT_EQ(target->timeInState, 1.25);
    EXPECT_EQ(target->stateLeft, 9);
    EXPECT_EQ(target->stateGoto, 2);
    EXPECT_EQ(target->firstChild, nullptr);
  }

  std::unique_ptr<NetRole> role;
  // Made once the engine root exists.
  ZibBase* target = nullptr;
  ZibBase* child = nullptr;
};

TEST_F(ReceivedStateTest, ADamagedMessageLeavesTheObjectAsItWas) {
  // The state reads 5, then the message ends inside timeInState.
  EXPECT_FALSE(receive(Packet::kFlagReplication, {0x05}));
  expectUnchanged();
  // Whole properties and marker, then a child list without its terminator.
  EXPECT_FALSE(receive(Packet::kFlagReplication | Packet::kFlagChecked,
                       {0x05, 0x00, 0x3C, 0xFB, 0xFC, 0xFD, 0xFE, 0x01, 0xAC, 0x02}));
  expectUnchanged();
  EXPECT_EQ(child->parent, nullptr);
  // A child listed twice.
  EXPECT_FALSE(receive(Packet::kFlagReplication, {0x05, 0x00, 0x3C, 0x01, 0xAC, 0x02, 0xAC, 0x02, 0x00}));
  expectUnchanged();

  EXPECT_TRUE(receive(Packet::kFlagReplication, {0x05, 0x00, 0x3C, 0x01, 0xAC, 0x02, 0x00}));
  EXPECT_EQ(target->state, 5);
  EXPECT_EQ(target->timeInState, 1.0);
  EXPECT_EQ(target->stateLeft, 9);  // not sent with flag 1
  EXPECT_EQ(child->parent, target);
}

}  // namespace
