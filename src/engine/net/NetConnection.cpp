#include "engine/net/NetConnection.h"

#include "engine/ErrorManager.h"
#include "engine/Logger.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "engine/net/ZibNetwork.h"

namespace {

// The assertion form with the socket error's name in place of "Assertion
// failed.", and the source file and line the original reports.
[[noreturn]] void socketFailure(sockets::Socket& socket, const std::u16string& function, int line,
                                const char16_t* statement) {
  const int error = sockets::lastError();
  // The report ends the process; a test's throwing hook must not leak the socket.
  if (socket != sockets::kInvalidSocket) sockets::closeSocket(socket);
  socket = sockets::kInvalidSocket;
  reportFailedStatement(ZibNetwork::getWSAErrorString(error), statement, function, "src\\NetConnection", line);
}

#define SOCKET_CHECK(condition, line, statement) \
  do {                                           \
    if (!(condition)) socketFailure(wsaSocket, ZIB_FUNCTION, line, statement); \
  } while (0)

}  // namespace

NetConnection::NetConnection(NetAddress address) : address(address) {
  ZibNetwork* network = zib->pZibNetwork;
  if (address.getIP() == 0x7F000001 && network && network->bEmulateLocalhost) {
    bEmulated = true;
    this->address.setPort(network->nextEmulatedPort++);
    ZIB_LOG(u"Creating emulated localhost connection: %s.", this->address.toString());
  } else {
    wsaSocket = sockets::openUdpSocket();
    SOCKET_CHECK(wsaSocket != sockets::kInvalidSocket, 39, u"SOCKET_ERROR");
    SOCKET_CHECK(sockets::setNonBlocking(wsaSocket, true) == 0, 44, u"ioctlsocket(wsaSocket, FIONBIO, &nonBlocking)");
    SOCKET_CHECK(sockets::setReceiveBufferSize(wsaSocket, 0x40000) == 0, 46,
                 u"setsockopt(wsaSocket, SOL_SOCKET, SO_RCVBUF, (char*)&receiveBufferSize, sizeof(int))");
    SOCKET_CHECK(sockets::setBroadcast(wsaSocket, true) == 0, 48,
                 u"setsockopt(wsaSocket, SOL_SOCKET, SO_BROADCAST, (char*)&allowBroadcasting, sizeof(int))");
    ZIB_LOG(u"Binding to address: %s.", this->address.toString());
    SOCKET_CHECK(sockets::bindSocket(wsaSocket, this->address.sockAddr) == 0, 59,
                 u"bind(wsaSocket, address.getSockAddr(), sizeofSockAddr)");
    SOCKET_CHECK(sockets::getSocketName(wsaSocket, this->address.sockAddr) == 0, __LINE__,
                 u"sockets::getSocketName(wsaSocket, address.sockAddr)");
    ZIB_LOG(u"Bound to address: %s.", this->address.toString());
  }
  ZIB_LOG(u"Done.");
}

NetConnection::~NetConnection() {
  if (bEmulated) {
    if (zib && zib->pZibNetwork) zib->pZibNetwork->flushEmulatedPackets(address);
  } else if (wsaSocket != sockets::kInvalidSocket) {
    sockets::closeSocket(wsaSocket);
  }
}

NetStatistics* NetConnection::getStatistics() {
  const double now = zib->pTimeKeeper->getElapsedTime();
  auto* last = static_cast<NetStatistics*>(statisticsList.lastChild);
  if (!last) {
    auto* record = new NetStatistics(now);
    statisticsList.appendChild(record);
    return record;
  }
  if (now <= last->endTime) return last;
  statisticsTotal.add(*last);
  auto* record = new NetStatistics(last->endTime);
  statisticsList.appendChild(record);
  auto* first = static_cast<NetStatistics*>(statisticsList.firstChild);
  if (first != record && first->startTime < record->endTime - statisticsWindow) first->destroy();
  return record;
}
