#include "engine/net/Packet.h"

#include <cmath>
#include <cstring>
#include <string>

#include "engine/ClassInfo.h"
#include "engine/ErrorManager.h"
#include "engine/ResourceManager.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "engine/net/NetRole.h"

// A failed check reported with the statement's text as the original states it.
#define PACKET_CHECK(condition, statement) \
  do {                                     \
    if (!(condition)) ::reportAssertion(ZIB_FUNCTION, __FILE__, __LINE__, statement); \
  } while (0)

namespace {

constexpr uint32_t kMaxInt = 0x7FFFFFFF;
// An unsigned varint of 32 bits takes at most 5 bytes; so does a signed one.
constexpr int kMaxVarintBytes = 5;

uint32_t floatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  return bits;
}

float bitsFloat(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

}  // namespace

Packet::Packet(uint32_t flags, int32_t size)
    : flags(flags), capacity(size < 0 ? kDefaultSize : size), buffer(new uint8_t[capacity > 0 ? capacity : 1]()) {
  peer.sockAddr.port = 0;
}

Packet::~Packet() = default;

void Packet::startWriting() {
  bWriting = true;
  cursor = 0;
  validLength = 0;
  bitByte = 0;
  bitMask = 0;
  bitPosition = 0;
  bError = false;
}

void Packet::startReading(size_t length) {
  startWriting();
  bWriting = false;
  validLength = length <= static_cast<size_t>(capacity) ? length : static_cast<size_t>(capacity);
}

bool Packet::load(const uint8_t* bytes, size_t length) {
  if (length > static_cast<size_t>(capacity)) {
    startReading(0);
    bError = true;
    return false;
  }
  if (length) std::memcpy(buffer.get(), bytes, length);
  startReading(length);
  return true;
}

bool Packet::reserve(size_t count) {
  if (bError) return false;
  const size_t limit = bWriting ? static_cast<size_t>(capacity) : validLength;
  if (count > limit - cursor) {
    bError = true;
    return false;
  }
  return true;
}

void Packet::doRaw4(void* value) {
  if (!reserve(4)) {
    if (!bWriting) std::memset(value, 0, 4);
    return;
  }
  // Little-endian in the packet, as on every supported host.
  if (bWriting) std::memcpy(buffer.get() + cursor, value, 4);
  else std::memcpy(value, buffer.get() + cursor, 4);
  cursor += 4;
}

void Packet::writeVarintTail(uint32_t value) {
  if (!bError && static_cast<size_t>(capacity) - cursor >= kMaxVarintBytes) {
    // Room for the longest form: no check per byte.
    uint8_t* out = buffer.get() + cursor;
    for (; value > 0x7F; value >>= 7) *out++ = static_cast<uint8_t>(value | 0x80);
    if (value) *out++ = static_cast<uint8_t>(value);
    cursor = static_cast<size_t>(out - buffer.get());
    return;
  }
  while (value) {
    if (!reserve(1)) return;
    buffer[cursor++] = static_cast<uint8_t>((value & 0x7F) | (value > 0x7F ? 0x80 : 0));
    value >>= 7;
  }
}

bool Packet::readVarintTail(uint32_t& value, int shift) {
  uint64_t result = value;
  if (shift == 0 && !bError && validLength - cursor >= kMaxVarintBytes) {
    // All five bytes a varint may use are there: no check per byte.
    const uint8_t* in = buffer.get() + cursor;
    for (int used = 0; used < kMaxVarintBytes; ++used, shift += 7) {
      result |= static_cast<uint64_t>(in[used] & 0x7F) << shift;
      if (!(in[used] & 0x80)) {
        cursor += static_cast<size_t>(used + 1);
        if (result > kMaxInt) return false;
        value = static_cast<uint32_t>(result);
        return true;
      }
    }
    return false;
  }
  for (int used = shift == 0 ? 0 : 1;; ++used) {
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

void Packet::doUInt(int32_t* value) {
  if (bWriting) {
    if (*value < 0) {
      bError = true;
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
    bError = true;
    result = 0;
  }
  *value = static_cast<int32_t>(result);
}

void Packet::doInt(int32_t* value) {
  if (bWriting) {
    if (*value == INT32_MIN) {
      bError = true;
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
    bError = true;
    return;
  }
  *value = (first & 0x40) ? -static_cast<int32_t>(magnitude) : static_cast<int32_t>(magnitude);
}

uint16_t Packet::encodeFloat16(float value) {
  // NaN has no code; it travels as zero, as does negative zero.
  if (std::isnan(value) || value == 0.0f) return 0;
  if (value > 0.0f) value = value < 3.1e-05f ? 3.1e-05f : (value > 130000.0f ? 130000.0f : value);
  else value = value > -3.1e-05f ? -3.1e-05f : (value < -130000.0f ? -130000.0f : value);
  const uint32_t bits = floatBits(value);
  const uint32_t exponent = ((bits >> 23) & 0xFF) - 112;
  return static_cast<uint16_t>(((bits >> 16) & 0x8000) | ((exponent & 0x1F) << 10) | ((bits >> 13) & 0x3FF));
}

float Packet::decodeFloat16(uint16_t code) {
  if (code == 0) return 0.0f;
  const uint32_t exponent = ((code >> 10) & 0x1F) + 112;
  return bitsFloat((static_cast<uint32_t>(code & 0x8000) << 16) | (exponent << 23) |
                   (static_cast<uint32_t>(code & 0x3FF) << 13));
}

void Packet::doFloat16(float* value) {
  if (bWriting) {
    const uint16_t code = encodeFloat16(*value);
    if (!reserve(2)) return;
    buffer[cursor++] = static_cast<uint8_t>(code);
    buffer[cursor++] = static_cast<uint8_t>(code >> 8);
    return;
  }
  if (!reserve(2)) {
    *value = 0.0f;
    return;
  }
  const uint16_t code = static_cast<uint16_t>(buffer[cursor] | (buffer[cursor + 1] << 8));
  cursor += 2;
  *value = decodeFloat16(code);
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
  ZIB_ASSERT(count >= 1 && count <= 8);
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
    bError = true;
    return;
  }
  std::string bytes(reinterpret_cast<const char*>(buffer.get() + cursor), static_cast<size_t>(length));
  cursor += static_cast<size_t>(length);
  for (char& c : bytes) c = static_cast<char>(c ^ kStringKey);
  const size_t nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  std::u16string text = fromUtf8(bytes);
  if (maxLength >= 0 && text.length() > static_cast<size_t>(maxLength)) {
    bError = true;
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
    bError = true;
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
  if (!found) bError = true;
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
  if (!*classInfo) bError = true;
}
