#include "engine/net/NetAddress.h"

#include "engine/ErrorManager.h"
#include "base/Format.h"
#include "engine/Logger.h"
#include "base/StringUtils.h"

NetAddress::NetAddress() {
  sockAddr.family = sockets::kAfInet;
  sockAddr.address = sockets::hostToNet32(sockets::kInaddrAny);
  sockAddr.port = sockets::hostToNet16(kDefaultPort);
}

namespace {

// "%d" without its undefined overflow: an optional sign, then decimal digits
// taken modulo 2^32; 0 when no digit follows.
uint32_t parsePortNumber(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) value = value * 10u + (text[i] - u'0');
  return negative ? 0u - value : value;
}

}  // namespace

void NetAddress::setFromString(const std::u16string& text) {
  const size_t colon = text.find(u':');
  if (colon == std::u16string::npos) {
    setBoth(0, text);
    return;
  }
  setBoth(static_cast<uint16_t>(parsePortNumber(std::u16string_view(text).substr(colon + 1))),
          text.substr(0, colon));
}

void NetAddress::setBoth(uint16_t port, const std::u16string& host) {
  sockAddr = sockets::SockAddrIn{};
  sockAddr.family = sockets::kAfInet;
  if (host == u"localhost") {
    sockAddr.address = sockets::hostToNet32(0x7F000001);
  } else {
    sockets::HostEntry entry;
    if (!sockets::resolveHost(toUtf8(host), entry) || entry.addresses.empty()) {
      ZIB_LOG(u"Could not resolve host '%s' (%s).", host,
              sockets::errorName(sockets::lastError()) ? sockets::errorName(sockets::lastError()) : u"?");
      setBoth(0, u"localhost");
      return;
    }
    if (entry.addressType != sockets::kAfInet)
      reportAssertion(ZIB_FUNCTION, "src\\NetAddress", 75, u"hostEntry->h_addrtype == AF_INET");
    sockAddr.address = entry.addresses.front();
  }
  sockAddr.port = sockets::hostToNet16(port);
}

uint32_t NetAddress::getIP() const { return sockets::netToHost32(sockAddr.address); }
uint16_t NetAddress::getPort() const { return sockets::netToHost16(sockAddr.port); }
void NetAddress::setPort(uint16_t port) { sockAddr.port = sockets::hostToNet16(port); }

bool NetAddress::sameEndpoint(const NetAddress& other) const {
  return sockAddr.address == other.sockAddr.address && sockAddr.port == other.sockAddr.port;
}

std::u16string NetAddress::toString() const {
  const uint32_t ip = getIP();
  return formatString(u"%d.%d.%d.%d:%d", static_cast<int>(ip >> 24), static_cast<int>((ip >> 16) & 0xFF),
                      static_cast<int>((ip >> 8) & 0xFF), static_cast<int>(ip & 0xFF), static_cast<int>(getPort()));
}
