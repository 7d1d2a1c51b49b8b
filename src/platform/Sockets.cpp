#include "platform/Sockets.h"

#include <algorithm>

#include "base/CodeName.h"

namespace sockets {

namespace {

constexpr CodeName kErrorNames[] = {
    {10004, u"WSAEINTR"},
    {10009, u"WSAEBADF"},
    {10013, u"WSAEACCES"},
    {10014, u"WSAEFAULT"},
    {10022, u"WSAEINVAL"},
    {10024, u"WSAEMFILE"},
    {10035, u"WSAEWOULDBLOCK"},
    {10036, u"WSAEINPROGRESS"},
    {10037, u"WSAEALREADY"},
    {10038, u"WSAENOTSOCK"},
    {10039, u"WSAEDESTADDRREQ"},
    {10040, u"WSAEMSGSIZE"},
    {10041, u"WSAEPROTOTYPE"},
    {10042, u"WSAENOPROTOOPT"},
    {10043, u"WSAEPROTONOSUPPORT"},
    {10044, u"WSAESOCKTNOSUPPORT"},
    {10045, u"WSAEOPNOTSUPP"},
    {10046, u"WSAEPFNOSUPPORT"},
    {10047, u"WSAEAFNOSUPPORT"},
    {10048, u"WSAEADDRINUSE"},
    {10049, u"WSAEADDRNOTAVAIL"},
    {10050, u"WSAENETDOWN"},
    {10051, u"WSAENETUNREACH"},
    {10052, u"WSAENETRESET"},
    {10053, u"WSAECONNABORTED"},
    {10054, u"WSAECONNRESET"},
    {10055, u"WSAENOBUFS"},
    {10056, u"WSAEISCONN"},
    {10057, u"WSAENOTCONN"},
    {10058, u"WSAESHUTDOWN"},
    {10059, u"WSAETOOMANYREFS"},
    {10060, u"WSAETIMEDOUT"},
    {10061, u"WSAECONNREFUSED"},
    {10062, u"WSAELOOP"},
    {10063, u"WSAENAMETOOLONG"},
    {10064, u"WSAEHOSTDOWN"},
    {10065, u"WSAEHOSTUNREACH"},
    {10066, u"WSAENOTEMPTY"},
    {10067, u"WSAEPROCLIM"},
    {10068, u"WSAEUSERS"},
    {10069, u"WSAEDQUOT"},
    {10070, u"WSAESTALE"},
    {10071, u"WSAEREMOTE"},
    {10091, u"WSASYSNOTREADY"},
    {10092, u"WSAVERNOTSUPPORTED"},
    {10093, u"WSANOTINITIALISED"},
    {10101, u"WSAEDISCON"},
    {10102, u"WSAENOMORE"},
    {10103, u"WSAECANCELLED"},
    {10104, u"WSAEINVALIDPROCTABLE"},
    {10105, u"WSAEINVALIDPROVIDER"},
    {10106, u"WSAEPROVIDERFAILEDINIT"},
    {10107, u"WSASYSCALLFAILURE"},
    {10108, u"WSASERVICE_NOT_FOUND"},
    {10109, u"WSATYPE_NOT_FOUND"},
    {10110, u"WSA_E_NO_MORE"},
    {10111, u"WSA_E_CANCELLED"},
    {10112, u"WSAEREFUSED"},
    {11001, u"WSAHOST_NOT_FOUND"},
    {11002, u"WSATRY_AGAIN"},
    {11003, u"WSANO_RECOVERY"},
    {11004, u"WSANO_DATA"},
    {11005, u"WSA_QOS_RECEIVERS"},
    {11006, u"WSA_QOS_SENDERS"},
    {11007, u"WSA_QOS_NO_SENDERS"},
    {11008, u"WSA_QOS_NO_RECEIVERS"},
    {11009, u"WSA_QOS_REQUEST_CONFIRMED"},
    {11010, u"WSA_QOS_ADMISSION_FAILURE"},
    {11011, u"WSA_QOS_POLICY_FAILURE"},
    {11012, u"WSA_QOS_BAD_STYLE"},
    {11013, u"WSA_QOS_BAD_OBJECT"},
    {11014, u"WSA_QOS_TRAFFIC_CTRL_ERROR"},
    {11015, u"WSA_QOS_GENERIC_ERROR"},
    {11016, u"WSA_QOS_ESERVICETYPE"},
    {11017, u"WSA_QOS_EFLOWSPEC"},
    {11018, u"WSA_QOS_EPROVSPECBUF"},
    {11019, u"WSA_QOS_EFILTERSTYLE"},
    {11020, u"WSA_QOS_EFILTERTYPE"},
    {11021, u"WSA_QOS_EFILTERCOUNT"},
    {11022, u"WSA_QOS_EOBJLENGTH"},
    {11023, u"WSA_QOS_EFLOWCOUNT"},
    {11024, u"WSA_QOS_EUNKOWNPSOBJ"},
    {11025, u"WSA_QOS_EPOLICYOBJ"},
    {11026, u"WSA_QOS_EFLOWDESC"},
    {11027, u"WSA_QOS_EPSFLOWSPEC"},
    {11028, u"WSA_QOS_EPSFILTERSPEC"},
    {11029, u"WSA_QOS_ESDMODEOBJ"},
    {11030, u"WSA_QOS_ESHAPERATEOBJ"},
    {11031, u"WSA_QOS_RESERVED_PETYPE"},
};

}  // namespace

const char16_t* errorName(int code) {
  return findCodeName(kErrorNames, code);
}

uint16_t hostToNet16(uint16_t value) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  uint16_t out;
  std::copy(bytes, bytes + 2, reinterpret_cast<uint8_t*>(&out));
  return out;
}

uint32_t hostToNet32(uint32_t value) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  uint32_t out;
  std::copy(bytes, bytes + 4, reinterpret_cast<uint8_t*>(&out));
  return out;
}

// Both swaps are their own inverse.
uint16_t netToHost16(uint16_t value) { return hostToNet16(value); }
uint32_t netToHost32(uint32_t value) { return hostToNet32(value); }

}  // namespace sockets
