// POSIX backend of the socket layer: BSD sockets, getaddrinfo for IPv4, errno
// and resolver errors mapped to the layer's codes.
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/Sockets.h"

namespace sockets {

namespace {

thread_local int lastErrorCode = 0;
Resolver customResolver = nullptr;

int fromErrno(int error) {
  switch (error) {
    case EINTR: return WSAEINTR;
    case EBADF: return WSAEBADF;
    case EACCES: case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE: case ENFILE: return WSAEMFILE;
    case EAGAIN: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEINPROGRESS;
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ENOBUFS: case ENOMEM: return WSAENOBUFS;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    default: return WSASYSNOTREADY;
  }
}

int fail() {
  lastErrorCode = fromErrno(errno);
  return kSocketError;
}

int fromResolverError(int error) {
  switch (error) {
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
#ifdef EAI_NODATA
    case EAI_NODATA: return WSANO_DATA;
#endif
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_SYSTEM: return fromErrno(errno);
    case EAI_MEMORY: return WSAENOBUFS;
    default: return WSANO_RECOVERY;
  }
}

}  // namespace

int startup(uint16_t requestedVersion, uint16_t* granted) {
  if (granted) *granted = requestedVersion;
  return 0;
}

void cleanup() {}

int lastError() { return lastErrorCode; }

void setResolver(Resolver resolver) { customResolver = resolver; }

bool resolveHost(const std::string& name, HostEntry& out) {
  out = HostEntry{};
  if (customResolver) {
    if (customResolver(name, out)) return true;
    lastErrorCode = WSAHOST_NOT_FOUND;
    return false;
  }
  if (name.find('\0') != std::string::npos) {
    lastErrorCode = WSAHOST_NOT_FOUND;
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* list = nullptr;
  const int result = getaddrinfo(name.c_str(), nullptr, &hints, &list);
  if (result != 0) {
    lastErrorCode = fromResolverError(result);
    return false;
  }
  out.addressType = kAfInet;
  for (const addrinfo* entry = list; entry; entry = entry->ai_next)
    if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in))
      out.addresses.push_back(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(list);
  if (out.addresses.empty()) {
    lastErrorCode = WSANO_DATA;
    return false;
  }
  return true;
}

Socket openUdpSocket() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    fail();
    return kInvalidSocket;
  }
  return fd;
}

int setNonBlocking(Socket socket, bool nonBlocking) {
  const int flags = fcntl(static_cast<int>(socket), F_GETFL, 0);
  if (flags < 0) return fail();
  const int wanted = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return fcntl(static_cast<int>(socket), F_SETFL, wanted) < 0 ? fail() : 0;
}

int setReceiveBufferSize(Socket socket, int bytes) {
  return setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) < 0 ? fail() : 0;
}

int setBroadcast(Socket socket, bool allow) {
  const int value = allow ? 1 : 0;
  return setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_BROADCAST, &value, sizeof value) < 0 ? fail() : 0;
}

int bindSocket(Socket socket, const SockAddrIn& address) {
  sockaddr_in native{};
  native.sin_family = address.family;
  native.sin_port = address.port;
  native.sin_addr.s_addr = address.address;
  return bind(static_cast<int>(socket), reinterpret_cast<const sockaddr*>(&native), sizeof native) < 0 ? fail()
                                                                                                   : 0;
}

int getSocketName(Socket socket, SockAddrIn& address) {
  sockaddr_in native{};
  socklen_t length = sizeof native;
  if (getsockname(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&native), &length) < 0) return fail();
  address = SockAddrIn{};
  address.family = native.sin_family;
  address.port = native.sin_port;
  address.address = native.sin_addr.s_addr;
  return 0;
}

int closeSocket(Socket socket) { return ::close(static_cast<int>(socket)) < 0 ? fail() : 0; }

}  // namespace sockets
