#include "engine/net/Packet.h"

#include <cstring>
#include <string>

#include "engine/ClassInfo.h"
#include "engine/ErrorManager.h"
#include "engine/ResourceManager.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "engine/net/NetRole.h"

// A failed check reported with the statement's text and the source file as
// the original states them.
#define PACKET_CHECK(condition, statement) \
  do {                                     \
    if (!(condition)) ::reportAssertion(ZIB_FUNCTION, "src\\Packet", __LINE__, statement); \
  } while (0)

namespace {
constexpr uint32_t kMaxInt = 0x7FFFFFFF;
}  // namespace

Packet::Packet(uint32_t flags, int32_t size)
    : flags(flags),
      capacity(size < 0 ? kDefaultSize : size),
      buffer(new uint8_t[static_cast<size_t>(capacity)]()),
      writeLimit(static_cast<size_t>(capacity)) {
  peer.sockAddr.port = 0;
}

Packet::~Packet() = default;

bool Packet::load(const uint8_t* bytes, size_t length) {
  if (length > static_cast<size_t>(capacity)) {
    startReading(0);
    setError();
    return false;
  }
  if (length) std::memcpy(buffer.get(), bytes, length);
  startReading(length);
  return true;
}

bool Packet::reserve(size_t count) {
  // The limits are 0 once the error is set.
  const size_t limit = bWriting ? writeLimit : readLimit;
  if (count > limit || cursor > limit - count) {
    setError();
    return false;
  }
  return true;
}

void Packet::doRaw4Checked(void* value) {
  if (!reserve(4)) {
    if (!bWriting) std::memset(value, 0, 4);
    return;
  }
  if (bWriting) std::memcpy(buffer.get() + cursor, value, 4);
  else std::memcpy(value, buffer.get() + cursor, 4);
  cursor += 4;
}

void Packet::writeVarintTail(uint32_t value) {
  while (value) {
    if (!reserve(1)) return;
    buffer[cursor++] = static_cast<uint8_t>((value & 0x7F) | (value > 0x7F ? 0x80 : 0));
    value >>= 7;
  }
}

bool Packet::readVarintTail(uint32_t& value, int shift) {
  uint64_t result = value;
  for (size_t used = shift == 0 ? 0 : 1;; ++used) {
    if (used >= kMaxVarintBytes || !reserve(1)) return false;
    const uint8_t byte = buffer[cursor++];
    result |= static_cast<uint64_t>(byte & 0x7F) << shift;
    shift += 7;
    if (!(byte & 0x80)) break;
  }
  if (result > kMaxInt) return false;
  value = static_cast<uint32_t>(result);
  return true;
}

void Packet::doUIntChecked(int32_t* value) {
  if (bWriting) {
    if (*value < 0) {
      setError();
      return;
    }
    if (*value == 0) {
      if (reserve(1)) buffer[cursor++] = 0;
      return;
    }
    writeVarintTail(static_cast<uint32_t>(*value));
    return;
  }
  uint32_t result = 0;
  if (!readVarintTail(result, 0)) {
    setError();
    result = 0;
  }
  *value = static_cast<int32_t>(result);
}

void Packet::doIntChecked(int32_t* value) {
  if (bWriting) {
    if (*value == INT32_MIN) {
      setError();
      return;
    }
    const uint32_t magnitude = static_cast<uint32_t>(*value < 0 ? -*value : *value);
    const uint32_t rest = magnitude >> 6;
    if (!reserve(1)) return;
    buffer[cursor++] = static_cast<uint8_t>((magnitude & 0x3F) | (*value < 0 ? 0x40 : 0) | (rest ? 0x80 : 0));
    writeVarintTail(rest);
    return;
  }
  *value = 0;
  if (!reserve(1)) return;
  const uint8_t first = buffer[cursor++];
  uint32_t magnitude = first & 0x3F;
  if ((first & 0x80) && !readVarintTail(magnitude, 6)) {
    setError();
    return;
  }
  *value = (first & 0x40) ? -static_cast<int32_t>(magnitude) : static_cast<int32_t>(magnitude);
}

void Packet::doFloat16Checked(float* value) {
  // Only reached without room for the two bytes.
  setError();
  if (!bWriting) *value = 0.0f;
}

void Packet::doBit(uint8_t* byte, int bit) {
  const uint8_t valueMask = static_cast<uint8_t>(1u << bit);
  bitMask = static_cast<uint8_t>(bitMask << 1);
  ++bitPosition;
  if (bitMask == 0) {
    // A new bit byte where the first of its bits was needed.
    if (!reserve(1)) {
      if (!bWriting) *byte &= static_cast<uint8_t>(~valueMask);
      return;
    }
    bitByte = cursor;
    if (bWriting) buffer[cursor] = 0;
    ++cursor;
    bitMask = 1;
    bitPosition = 0;
  }
  if (bError) {
    if (!bWriting) *byte &= static_cast<uint8_t>(~valueMask);
    return;
  }
  if (bWriting) {
    if (*byte & valueMask) buffer[bitByte] |= bitMask;
  } else {
    *byte = static_cast<uint8_t>((*byte & ~valueMask) | ((buffer[bitByte] & bitMask) ? valueMask : 0));
  }
}

void Packet::doBool(uint8_t* byte, int bit) { doBit(byte, bit & 7); }

void Packet::doBits(uint8_t* byte, int count) {
  PACKET_CHECK(count >= 1 && count <= 8, u"count >= 1 && count <= 8");
  for (int bit = 0; bit < count; ++bit) doBit(byte, bit);
}

void Packet::doUString(std::u16string* value, int32_t maxLength) {
  if (bWriting) {
    std::string bytes = toUtf8(*value);
    const uint32_t length = static_cast<uint32_t>(bytes.size());
    PACKET_CHECK(length < kStringBufferSize, u"length < BUFFERSIZE");
    int32_t wireLength = static_cast<int32_t>(length);
    doUInt(&wireLength);
    if (!reserve(length)) return;
    for (uint32_t i = 0; i < length; ++i) buffer[cursor++] = static_cast<uint8_t>(bytes[i] ^ kStringKey);
    return;
  }
  value->clear();
  int32_t length = 0;
  doUInt(&length);
  if (bError) return;
  if (static_cast<uint32_t>(length) >= kStringBufferSize || !reserve(static_cast<size_t>(length))) {
    setError();
    return;
  }
  std::string bytes(reinterpret_cast<const char*>(buffer.get() + cursor), static_cast<size_t>(length));
  cursor += static_cast<size_t>(length);
  for (char& c : bytes) c = static_cast<char>(c ^ kStringKey);
  const size_t nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  std::u16string text = fromUtf8(bytes);
  if (maxLength >= 0 && text.length() > static_cast<size_t>(maxLength)) {
    setError();
    return;
  }
  *value = std::move(text);
}

bool Packet::doPointer2(ZibBase** object) {
  int32_t id = 0;
  if (bWriting) {
    if (*object) {
      id = (*object)->objectUID;
      PACKET_CHECK(id >= 0, u"objectUID >= 0");
    }
    doUInt(&id);
    return id != 0;
  }
  *object = nullptr;
  doUInt(&id);
  if (bError || id == 0) return false;
  NetRole* role = NetRole::active();
  ZibBase* found = role ? role->lookupObject(id) : nullptr;
  if (!found) {
    setError();
    return false;
  }
  *object = found;
  return true;
}

void Packet::doRawPointer(ZibBase** object) {
  if (!(flags & kFlagSameProcess)) {
    doPointer2(object);
    return;
  }
  if (!reserve(sizeof(ZibBase*))) {
    if (!bWriting) *object = nullptr;
    return;
  }
  if (bWriting) std::memcpy(buffer.get() + cursor, object, sizeof(ZibBase*));
  else std::memcpy(object, buffer.get() + cursor, sizeof(ZibBase*));
  cursor += sizeof(ZibBase*);
}

void Packet::doResourcePointer2(ZibBase** resource) {
  if (bWriting) {
    std::u16string s;
    if (*resource) {
      s = zib->pResourceManager->getResourceName(*resource);
      PACKET_CHECK(!s.empty(), u"s != TT(\"\")");
    }
    doUString(&s, -1);
    return;
  }
  std::u16string name;
  *resource = nullptr;
  doUString(&name, -1);
  if (bError || name.empty()) return;
  ZibBase* found = zib && zib->pResourceManager ? zib->pResourceManager->find(false, name) : nullptr;
  if (!found) setError();
  *resource = found;
}

void Packet::doClassID(const ClassInfo** classInfo) {
  const ClassRegistry& registry = getClassRegistry();
  if (flags & kFlagChecked) {
    uint32_t hash = bWriting && *classInfo ? (*classInfo)->hash : 0;
    if (bWriting) PACKET_CHECK(*classInfo != nullptr, u"*_class != NULL");
    doRaw4(&hash);
    if (bWriting) return;
    *classInfo = bError ? nullptr : registry.findByHash(hash);
  } else {
    int32_t index = 0;
    if (bWriting) {
      PACKET_CHECK(*classInfo != nullptr, u"*_class != NULL");
      index = (*classInfo)->classIndex;
    }
    doUInt(&index);
    if (bWriting) return;
    *classInfo = bError ? nullptr : registry.findByIndex(index);
  }
  if (!*classInfo) setError();
}
