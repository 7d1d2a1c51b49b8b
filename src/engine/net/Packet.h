#pragma once
// The binary message buffer of object replication. Every do-operation moves
// one value: appended when the packet is being written, filled from it when
// it is being read, so a message is described once for both directions.
//
// Reading never goes past the received bytes: a short or malformed message
// sets a sticky error, every later read yields zero values, and the caller
// drops the message. Writing past the capacity sets the same error.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "engine/ZibBase.h"
#include "engine/net/NetAddress.h"

class ClassInfo;

class Packet : public ZibBase {
 public:
  // Packet flags.
  static constexpr uint32_t kFlagReplication = 1;  // properties flagged 1 and unregistered children are left out
  static constexpr uint32_t kFlagSameProcess = 2;  // raw pointers may be copied; properties flagged 2 are left out
  static constexpr uint32_t kFlagChecked = 4;      // class ids as name hashes, markers after objects
  static constexpr int32_t kDefaultSize = 0x40000;
  // Strings hold fewer UTF-8 bytes than this.
  static constexpr uint32_t kStringBufferSize = 1024;
  static constexpr uint8_t kStringKey = 0x8F;
  static constexpr uint32_t kObjectMarker = 0xFEFDFCFB;

  // A negative size means the default of 256 KiB. Starts out writing.
  Packet(uint32_t flags, int32_t size);
  ~Packet() override;

  // Signed varint: sign in bit 6 of the first byte. INT_MIN cannot be written.
  inline void doInt(int32_t* value);
  // Unsigned varint, 0 to 2^31 - 1.
  inline void doUInt(int32_t* value);
  // Two bytes: half-precision layout without subnormals, infinities or NaN.
  inline void doFloat16(float* value);
  // One bit (`bit` of *byte) in the packet's bit stream.
  void doBool(uint8_t* byte, int bit);
  // The low `count` (1 to 8) bits of *byte, bit 0 first.
  void doBits(uint8_t* byte, int count);
  // Length-prefixed UTF-8, each byte XORed with the string key. A negative
  // maxLength is no limit; a longer string read is an error.
  void doUString(std::u16string* value, int32_t maxLength);
  // Object id as unsigned varint (0 = null); true when the id is not 0. A
  // received id that names no object is an error and gives null and false.
  virtual bool doPointer2(ZibBase** object);
  // The pointer itself (pointer-sized) in a same-process packet, else doPointer2.
  void doRawPointer(ZibBase** object);
  // The resource's registered name ("" for null).
  void doResourcePointer2(ZibBase** resource);
  // Class index as unsigned varint, or the 32-bit name hash with kFlagChecked.
  void doClassID(const ClassInfo** classInfo);
  // Four raw bytes (little-endian in the packet).
  inline void doRaw4(void* value);

  // Transport: empties the packet for a new message / reads the given bytes.
  void startWriting() {
    bWriting = true;
    cursor = 0;
    validLength = 0;
    bitByte = 0;
    bitMask = 0;
    bitPosition = 0;
    bError = false;
    writeLimit = static_cast<size_t>(capacity);
    readLimit = 0;
  }
  void startReading(size_t length) {
    startWriting();
    bWriting = false;
    validLength = length <= static_cast<size_t>(capacity) ? length : static_cast<size_t>(capacity);
    writeLimit = 0;
    readLimit = validLength;
  }
  // Copies a received message into the buffer and starts reading it; false
  // (and the error set) when it does not fit.
  bool load(const uint8_t* bytes, size_t length);
  const uint8_t* getData() const { return buffer.get(); }
  // Bytes written so far, or the position reached when reading.
  size_t getPosition() const { return cursor; }
  size_t getValidLength() const { return validLength; }
  bool hasError() const { return bError; }
  void setError() {
    bError = true;
    writeLimit = readLimit = 0;
  }

  // The 16-bit float coding on its own.
  static inline uint16_t encodeFloat16(float value);
  static inline float decodeFloat16(uint16_t code);

  uint32_t flags;
  bool bWriting = true;
  NetAddress peer;

 private:
  // The longest varint either form may take (32 bits of value).
  static constexpr size_t kMaxVarintBytes = 5;

  // Room for `count` bytes at the cursor, or the sticky error.
  bool reserve(size_t count);
  void doBit(uint8_t* byte, int bit);
  // The byte-by-byte forms, for the last bytes of the buffer and for errors.
  void doUIntChecked(int32_t* value);
  void doIntChecked(int32_t* value);
  void doFloat16Checked(float* value);
  void doRaw4Checked(void* value);
  void writeVarintTail(uint32_t value);
  // Reads the groups after the first byte; false when malformed.
  bool readVarintTail(uint32_t& value, int shift);

  // `value` as 7-bit groups, low first, bit 7 set on all but the last byte;
  // `at` has room for five. Returns the bytes written, or 0 for 2^31 or more
  // (checked only on the way to the long forms such values need).
  static size_t writeGroups(uint8_t* at, uint32_t value) {
    if (value < 1u << 7) {
      at[0] = static_cast<uint8_t>(value);
      return 1;
    }
    at[0] = static_cast<uint8_t>(value | 0x80);
    if (value < 1u << 14) {
      at[1] = static_cast<uint8_t>(value >> 7);
      return 2;
    }
    at[1] = static_cast<uint8_t>(value >> 7 | 0x80);
    if (value < 1u << 21) {
      at[2] = static_cast<uint8_t>(value >> 14);
      return 3;
    }
    at[2] = static_cast<uint8_t>(value >> 14 | 0x80);
    if (value >= 1u << 31) return 0;
    if (value < 1u << 28) {
      at[3] = static_cast<uint8_t>(value >> 21);
      return 4;
    }
    at[3] = static_cast<uint8_t>(value >> 21 | 0x80);
    at[4] = static_cast<uint8_t>(value >> 28);
    return 5;
  }

  size_t bitByte = 0;  // offset of the byte receiving or supplying bits
  uint8_t bitMask = 0;
  int32_t bitPosition = 0;
  int32_t capacity;
  std::unique_ptr<uint8_t[]> buffer;
  size_t cursor = 0;
  size_t validLength = 0;
  // Where the cursor must stop: writing up to the capacity, reading up to
  // the valid length. The other direction's limit is 0, and both are once
  // the error is set, so one comparison checks direction, error and room.
  size_t writeLimit;
  size_t readLimit = 0;
  bool bError = false;
};

// The hot operations are inline: with five bytes of room (or of valid data)
// left, a varint is coded after one check instead of one per byte; nearer the
// end, and for anything malformed or unrepresentable, the byte-by-byte forms
// in Packet.cpp take over.

inline void Packet::doUInt(int32_t* value) {
  const size_t start = cursor;
  uint8_t* const at = buffer.get() + start;
  if (start + kMaxVarintBytes <= writeLimit) {
    if (const size_t length = writeGroups(at, static_cast<uint32_t>(*value))) {
      cursor = start + length;
      return;
    }
  } else if (start + kMaxVarintBytes <= readLimit) {
    // Unrolled; the fifth byte may hold only bits 28 to 30.
    uint32_t byte = at[0], result = byte;
    size_t used = 1;
    if (byte >= 0x80) {
      byte = at[used++];
      result += (byte - 1) << 7;  // the -1 takes off the previous byte's bit 7
      if (byte >= 0x80) {
        byte = at[used++];
        result += (byte - 1) << 14;
        if (byte >= 0x80) {
          byte = at[used++];
          result += (byte - 1) << 21;
          if (byte >= 0x80) {
            byte = at[used++];
            result += (byte - 1) << 28;
            if (byte >= 0x08) used = 0;
          }
        }
      }
    }
    if (used) {
      *value = static_cast<int32_t>(result);
      cursor = start + used;
      return;
    }
  }
  doUIntChecked(value);
}

inline void Packet::doInt(int32_t* value) {
  const size_t start = cursor;
  uint8_t* const at = buffer.get() + start;
  if (start + kMaxVarintBytes <= writeLimit) {
    const int32_t v = *value;
    if (v != INT32_MIN) {
      // Sign and 6 bits of the magnitude in the first byte, then 7-bit groups.
      const uint32_t magnitude = static_cast<uint32_t>(v < 0 ? -v : v);
      const uint32_t rest = magnitude >> 6;
      at[0] = static_cast<uint8_t>((magnitude & 0x3F) | (v < 0 ? 0x40 : 0) | (rest ? 0x80 : 0));
      cursor = start + 1 + (rest ? writeGroups(at + 1, rest) : 0);
      return;
    }
  } else if (start + kMaxVarintBytes <= readLimit) {
    // Unrolled; the fifth byte may hold only bits 27 to 30.
    const uint32_t first = at[0];
    uint32_t byte = first, magnitude = first & 0x3F;
    size_t used = 1;
    if (byte >= 0x80) {
      byte = at[used++];
      magnitude |= (byte & 0x7F) << 6;
      if (byte >= 0x80) {
        byte = at[used++];
        magnitude |= (byte & 0x7F) << 13;
        if (byte >= 0x80) {
          byte = at[used++];
          magnitude |= (byte & 0x7F) << 20;
          if (byte >= 0x80) {
            byte = at[used++];
            magnitude |= (byte & 0x0F) << 27;
            if (byte >= 0x10) used = 0;
          }
        }
      }
    }
    if (used) {
      *value = (first & 0x40) ? -static_cast<int32_t>(magnitude) : static_cast<int32_t>(magnitude);
      cursor = start + used;
      return;
    }
  }
  doIntChecked(value);
}

inline uint16_t Packet::encodeFloat16(float value) {
  // Clamped on the magnitude's bits, which order as the magnitudes do. NaN
  // has no code; it travels as zero, as does negative zero.
  constexpr uint32_t kSmallest = std::bit_cast<uint32_t>(3.1e-05f);
  constexpr uint32_t kLargest = std::bit_cast<uint32_t>(130000.0f);
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  const uint32_t magnitude = bits & 0x7FFFFFFF;
  const uint32_t clamped = magnitude < kSmallest ? kSmallest : (magnitude > kLargest ? kLargest : magnitude);
  // Exponent less 112 (the two biases) and the top 10 fraction bits.
  const uint32_t code = (bits >> 16 & 0x8000) | (clamped - (112u << 23)) >> 13;
  return static_cast<uint16_t>(magnitude == 0 || magnitude > 0x7F800000 ? 0 : code);
}

inline float Packet::decodeFloat16(uint16_t code) {
  const uint32_t bits = (static_cast<uint32_t>(code & 0x8000) << 16) | (((code & 0x7FFFu) << 13) + (112u << 23));
  float value;
  std::memcpy(&value, &bits, 4);
  return code ? value : 0.0f;
}

// Raw values are little-endian in the packet, as on every supported host.

inline void Packet::doFloat16(float* value) {
  const size_t start = cursor;
  uint8_t* const at = buffer.get() + start;
  if (start + 2 <= writeLimit) {
    const uint16_t code = encodeFloat16(*value);
    std::memcpy(at, &code, 2);
  } else if (start + 2 <= readLimit) {
    uint16_t code;
    std::memcpy(&code, at, 2);
    *value = decodeFloat16(code);
  } else {
    doFloat16Checked(value);
    return;
  }
  cursor = start + 2;
}

inline void Packet::doRaw4(void* value) {
  const size_t start = cursor;
  if (start + 4 <= writeLimit) std::memcpy(buffer.get() + start, value, 4);
  else if (start + 4 <= readLimit) std::memcpy(value, buffer.get() + start, 4);
  else {
    doRaw4Checked(value);
    return;
  }
  cursor = start + 4;
}
