#pragma once
// The datagram socket layer the network manager uses, with WinSock's error
// codes: start-up, address resolution and a non-blocking UDP socket bound to
// an address. The POSIX backend maps errno and resolver failures to the codes.
#include <cstdint>
#include <string>
#include <vector>

namespace sockets {

// An IPv4 socket address in the wire layout: port and address in network order.
struct SockAddrIn {
  uint16_t family = 0;
  uint16_t port = 0;
  uint32_t address = 0;
  uint8_t zero[8] = {};
};
static_assert(sizeof(SockAddrIn) == 16);

constexpr uint16_t kAfInet = 2;
constexpr uint32_t kInaddrAny = 0;

using Socket = intptr_t;
constexpr Socket kInvalidSocket = -1;
constexpr int kSocketError = -1;

// The error codes the layer reports (WinSock numbering).
enum Error : int {
  WSAEINTR = 10004,
  WSAEBADF = 10009,
  WSAEACCES = 10013,
  WSAEFAULT = 10014,
  WSAEINVAL = 10022,
  WSAEMFILE = 10024,
  WSAEWOULDBLOCK = 10035,
  WSAEINPROGRESS = 10036,
  WSAEALREADY = 10037,
  WSAENOTSOCK = 10038,
  WSAEMSGSIZE = 10040,
  WSAEPROTOTYPE = 10041,
  WSAENOPROTOOPT = 10042,
  WSAEPROTONOSUPPORT = 10043,
  WSAESOCKTNOSUPPORT = 10044,
  WSAEOPNOTSUPP = 10045,
  WSAEAFNOSUPPORT = 10047,
  WSAEADDRINUSE = 10048,
  WSAEADDRNOTAVAIL = 10049,
  WSAENETDOWN = 10050,
  WSAENETUNREACH = 10051,
  WSAECONNREFUSED = 10061,
  WSAENOBUFS = 10055,
  WSAEHOSTUNREACH = 10065,
  WSASYSNOTREADY = 10091,
  WSAVERNOTSUPPORTED = 10092,
  WSANOTINITIALISED = 10093,
  WSAHOST_NOT_FOUND = 11001,
  WSATRY_AGAIN = 11002,
  WSANO_RECOVERY = 11003,
  WSANO_DATA = 11004,
};

// The symbolic name of a code (10004 to 10101, 11001 to 11031); null for any other.
const char16_t* errorName(int code);

// Starts the layer; 0 or an error code. `granted` receives the version given
// (low byte major, high byte minor), which is at most the one requested.
int startup(uint16_t requestedVersion, uint16_t* granted);
void cleanup();
// The error code of this thread's last failing call.
int lastError();

// A name lookup: the address family and the addresses (network order) found.
struct HostEntry {
  int16_t addressType = 0;
  std::vector<uint32_t> addresses;
};
// Resolves a host name (UTF-8); false (and lastError set) when nothing is found.
bool resolveHost(const std::string& name, HostEntry& out);
// Test seam: replaces the system resolver (null puts it back).
using Resolver = bool (*)(const std::string& name, HostEntry& out);
void setResolver(Resolver resolver);

// A UDP socket, or kInvalidSocket. The rest return 0, or kSocketError.
Socket openUdpSocket();
int setNonBlocking(Socket socket, bool nonBlocking);
int setReceiveBufferSize(Socket socket, int bytes);
int setBroadcast(Socket socket, bool allow);
int bindSocket(Socket socket, const SockAddrIn& address);
int getSocketName(Socket socket, SockAddrIn& address);
int closeSocket(Socket socket);

// Byte order between host and network.
uint16_t hostToNet16(uint16_t value);
uint32_t hostToNet32(uint32_t value);
uint16_t netToHost16(uint16_t value);
uint32_t netToHost32(uint32_t value);

}  // namespace sockets
