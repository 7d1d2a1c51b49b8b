// Reads a received message with a random sequence of packet operations, then
// as an object's state and as a remote call: nothing may read past the bytes,
// and once the error is set every value read is zero.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/ClassInfo.h"
#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "engine/net/NetRole.h"
#include "engine/net/Packet.h"
#include "engine/net/ZibNetwork.h"
#include "support/FuzzSupport.h"

namespace {

// Reads one value; true when it came out zero (or empty).
bool readOne(Packet& packet, uint8_t op) {
  switch (op % 9) {
    case 0: { int32_t v = 1; packet.doInt(&v); return v == 0; }
    case 1: { int32_t v = 1; packet.doUInt(&v); return v == 0; }
    case 2: { float v = 1; packet.doFloat16(&v); return v == 0.0f; }
    case 3: { uint8_t v = 0xFF; packet.doBool(&v, op >> 4 & 7); return v == static_cast<uint8_t>(~(1u << (op >> 4 & 7))); }
    case 4: { uint8_t v = 0; packet.doBits(&v, (op >> 4) % 8 + 1); return v == 0; }
    case 5: { std::u16string s = u"x"; packet.doUString(&s, op >> 4); return s.empty(); }
    case 6: { ZibBase* p = nullptr; packet.doPointer2(&p); return p == nullptr; }
    case 7: { const ClassInfo* c = &ZibBase::classInfo; packet.doClassID(&c); return c == nullptr; }
    default: { uint32_t v = 1; packet.doRaw4(&v); return v == 0; }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  // The class ids, the network manager and the two roles are made once; each
  // input starts from an empty object map.
  static NetRole* const roles = [] {
    fuzzEnsureEngine();
    getClassRegistry().assignClassIds();
    zib->pZibNetwork = new ZibNetwork();
    return new NetRole[2]{{nullptr, false, nullptr}, {nullptr, true, nullptr}};
  }();
  if (size < 2) return 0;
  const uint32_t flags = data[0] & 5;  // raw pointers are same-process only
  const size_t opCount = data[1] < size - 2 ? data[1] : size - 2;
  const uint8_t* ops = data + 2;
  const uint8_t* message = ops + opCount;
  const size_t length = size - 2 - opCount;

  NetRole& role = roles[data[0] & 8 ? 1 : 0];
  role.objects.clear();
  role.nextObjectUID = 1;
  role.bInServerCall = role.bInClientCall = false;
  role.mt = {};
  role.packet.startWriting();
  role.callsSent.clear();
  zib->pZibNetwork->THEROLE = &role;
  std::vector<ZibBase*> objects;
  for (int i = 0; i < 4; ++i) {
    objects.push_back(new ZibBase);
    role.registerObject(objects.back());
  }
  role.anchor = objects[0];

  // Exactly the message's size: a read past it is one ASan reports.
  Packet packet(flags, static_cast<int32_t>(length));
  packet.load(message, length);
  for (size_t i = 0; i < opCount; ++i) {
    const bool wasError = packet.hasError();
    const bool zero = readOne(packet, ops[i]);
    if (packet.getPosition() > packet.getValidLength()) abort();
    if (wasError && !zero) abort();
  }
  packet.load(message, length);
  objects[1]->netSerialize(&packet);
  packet.load(message, length);
  role.receiveMessage(&packet);
  if (packet.getPosition() > packet.getValidLength()) abort();

  // Tear down whatever the calls left: detach, unregister, delete.
  std::vector<ZibBase*> left;
  for (auto [id, object] : role.objects) left.push_back(object);
  for (ZibBase* object : left)
    if (object->parent) object->parent->removeChild(object);
  for (ZibBase* object : left) role.unregisterObject(object);
  zib->pZibNetwork->THEROLE = nullptr;
  for (ZibBase* object : left) delete object;
  return 0;
}
