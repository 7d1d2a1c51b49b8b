#include "engine/net/ZibNetwork.h"

#include "engine/ErrorManager.h"
#include "engine/Logger.h"
#include "engine/MemoryIniFile.h"
#include "engine/Zib.h"
#include "engine/net/NetAddress.h"
#include "engine/net/Packet.h"
#include "platform/Sockets.h"

ZIB_DEFINE_ROOT_CLASS(ZibNetwork, nullptr);

ZibNetwork::ZibNetwork() {
  ZIB_LOG(u"Starting...");
  uint16_t granted = 0;
  if (sockets::startup(0x0101, &granted) != 0)
    reportAssertion(ZIB_FUNCTION, "src\\ZibNetwork", 54, u"WSAStartup(versionRequested, &wsaData) == 0");
  if ((granted & 0xFF) != 1 || (granted >> 8) != 1)
    reportAssertion(ZIB_FUNCTION, "src\\ZibNetwork", 55,
                    u"LOBYTE(wsaData.wVersion) == 1 && HIBYTE(wsaData.wVersion) == 1");
  bEmulateLocalhost = true;
  if (zib && zib->pConfig) {
    const std::u16string section = classInfo.getName();
    if (!zib->pConfig->hasKey(section, u"bEmulateLocalhost"))
      zib->pConfig->setBool(bEmulateLocalhost, section, u"bEmulateLocalhost");
    bEmulateLocalhost = zib->pConfig->getBool(section, u"bEmulateLocalhost");
  }
  ZIB_LOG(u"Done.");
}

ZibNetwork::~ZibNetwork() {
  ZIB_LOG(u"Cleaning up...");
  emulatedPackets.destroyChildren();
  sockets::cleanup();
  ZIB_LOG(u"Done.");
}

std::u16string ZibNetwork::getWSAErrorString(int code) {
  if (const char16_t* name = sockets::errorName(code)) return name;
  ZIB_LOG(u"Unknown WSA error: %08x", static_cast<uint32_t>(code));
  return u"";
}

void ZibNetwork::flushEmulatedPackets(const NetAddress& address) {
  BasicLink* node = emulatedPackets.firstChild;
  while (node) {
    BasicLink* following = node->next;
    if (static_cast<Packet*>(node)->peer.sameEndpoint(address)) static_cast<ZibBase*>(node)->destroy();
    node = following;
  }
  ZIB_LOG(u"Flushed packets for %s, queue length is now %d.", address.toString(),
          static_cast<int32_t>(emulatedPackets.countChildren()));
}
