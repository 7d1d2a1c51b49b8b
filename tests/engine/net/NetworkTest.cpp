#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/MemoryIniFile.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "engine/net/NetAddress.h"
#include "engine/net/NetConnection.h"
#include "engine/net/Packet.h"
#include "engine/net/ZibNetwork.h"
#include "support/EngineFixture.h"
#include "support/StubResolver.h"
#include "support/TestPlatform.h"

namespace {

class NetworkTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    useDiskFiles();
    zib->pConfig = new MemoryIniFile((userDataFolder() / "net.cfg").u16string());
    zib->pZibNetwork = new ZibNetwork();
  }
  static std::string text(const NetAddress& address) { return toUtf8(address.toString()); }
  static NetAddress parsed(const char16_t* text) {
    NetAddress address;
    address.setFromString(text);
    return address;
  }
  static NetAddress loopback(uint16_t port) {
    NetAddress address;
    address.setBoth(port, u"localhost");
    return address;
  }
  StubResolver resolver;
};

}  // namespace

TEST_F(NetworkTest, AddressesParseAndPrint) {
  resolver.add("game.example", {0x0A010203, 0x0A010204});
  resolver.add("v6.example", {1}, 23);
  EXPECT_EQ(text(NetAddress()), "0.0.0.0:23006");
  // Ports keep their low 16 bits; an unresolved host is the loopback.
  for (const auto& [input, output] : {std::pair{u"localhost", "127.0.0.1:0"}, {u"localhost:23006", "127.0.0.1:23006"},
                                      {u"localhost:65537", "127.0.0.1:1"}, {u"localhost:99999999999", "127.0.0.1:59391"},
                                      {u"localhost:port", "127.0.0.1:0"}, {u"game.example:80", "10.1.2.3:80"},
                                      {u"nowhere.example:80", "127.0.0.1:0"}})
    EXPECT_EQ(text(parsed(input)), output) << toUtf8(input);
  EXPECT_NE(logText().find("Could not resolve host 'nowhere.example' (WSAHOST_NOT_FOUND)."), std::string::npos);
  EXPECT_FATAL(parsed(u"v6.example"), "hostEntry->h_addrtype == AF_INET\n Function: NetAddress::setBoth()\n File: NetAddress\n Line: 75");
}

TEST_F(NetworkTest, ManagerReadsItsSettingAndNamesErrors) {
  EXPECT_TRUE(zib->pZibNetwork->bEmulateLocalhost);
  EXPECT_EQ(toUtf8(zib->pConfig->getString(u"ZibNetwork", u"bEmulateLocalhost")), "Yes");
  EXPECT_EQ(toUtf8(ZibNetwork::getWSAErrorString(10061)), "WSAECONNREFUSED");
  EXPECT_EQ(toUtf8(ZibNetwork::getWSAErrorString(11024)), "WSA_QOS_EUNKOWNPSOBJ");
  EXPECT_EQ(toUtf8(ZibNetwork::getWSAErrorString(12345)), "");
  EXPECT_NE(logText().find("ZibNetwork::getWSAErrorString(): Unknown WSA error: 00003039"), std::string::npos);
}

TEST_F(NetworkTest, EmulatedConnectionsTakePortsInTurnAndFlushTheirPackets) {
  auto first = std::make_unique<NetConnection>(loopback(5000));
  auto second = std::make_unique<NetConnection>(loopback(5000));
  EXPECT_TRUE(first->bEmulated);
  EXPECT_EQ(text(first->address), "127.0.0.1:1");
  EXPECT_EQ(text(second->address), "127.0.0.1:2");
  for (const NetConnection* to : {first.get(), second.get(), first.get()}) {
    auto* queued = new Packet(Packet::kFlagReplication, 16);
    queued->peer = to->address;
    zib->pZibNetwork->emulatedPackets.appendChild(queued);
  }
  first.reset();
  EXPECT_NE(logText().find("Flushed packets for 127.0.0.1:1, queue length is now 1."), std::string::npos);
}

TEST_F(NetworkTest, RealSocketsBindTheLoopbackAndABusyPortIsFatal) {
  zib->pZibNetwork->bEmulateLocalhost = false;
  NetConnection bound(loopback(0));
  EXPECT_FALSE(bound.bEmulated);
  EXPECT_NE(bound.address.getPort(), 0);  // the system's choice
  EXPECT_NE(logText().find("Bound to address: " + text(bound.address) + "."), std::string::npos);
  EXPECT_FATAL(NetConnection busy(bound.address), "Error: WSAEADDRINUSE\n Statement: bind(wsaSocket, address.getSockAddr(), sizeofSockAddr)\n Function: NetConnection::NetConnection()\n File: NetConnection\n Line: 59");
}

TEST_F(NetworkTest, StatisticsCatchUpOneSecondPerCall) {
  TestPlatform platform;
  ManualTimeSource& clock = platform.clock();
  zib->pTimeKeeper = new TimeKeeper();
  {
    zib->pZibNetwork->bEmulateLocalhost = true;
    NetConnection connection(loopback(1));
    NetStatistics* first = connection.getStatistics();
    first->messages[0][3] = 2;
    const double start = first->startTime;
    EXPECT_EQ(connection.getStatistics(), first);
    clock.advance(12.5);
    for (int i = 1; i <= 12; ++i) {
      NetStatistics* record = connection.getStatistics();
      EXPECT_DOUBLE_EQ(record->startTime - start, i);
    }
    EXPECT_EQ(connection.statisticsTotal.messages[0][3], 2u);
    // Records older than the ten-second window went, one per call.
    EXPECT_EQ(connection.statisticsList.countChildren(), 10u);
  }
  delete zib->pTimeKeeper;
  zib->pTimeKeeper = nullptr;
}
