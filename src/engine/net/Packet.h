#pragma once
// The binary message buffer of object replication. Every do-operation moves
// one value: appended when the packet is being written, filled from it when
// it is being read, so a message is described once for both directions.
//
// Reading never goes past the received bytes: a short or malformed message
// sets a sticky error, every later read yields zero values, and the caller
// drops the message. Writing past the capacity sets the same error.
#include <cstddef>
#include <cstdint>
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
  void doInt(int32_t* value);
  // Unsigned varint, 0 to 2^31 - 1.
  void doUInt(int32_t* value);
  // Two bytes: half-precision layout without subnormals, infinities or NaN.
  void doFloat16(float* value);
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
  void doRaw4(void* value);

  // Transport: empties the packet for a new message / reads the given bytes.
  void startWriting();
  void startReading(size_t validLength);
  // Copies a received message into the buffer and starts reading it; false
  // (and the error set) when it does not fit.
  bool load(const uint8_t* bytes, size_t length);
  const uint8_t* getData() const { return buffer.get(); }
  // Bytes written so far, or the position reached when reading.
  size_t getPosition() const { return cursor; }
  size_t getValidLength() const { return validLength; }
  bool hasError() const { return bError; }
  void setError() { bError = true; }

  // The 16-bit float coding on its own.
  static uint16_t encodeFloat16(float value);
  static float decodeFloat16(uint16_t code);

  uint32_t flags;
  bool bWriting = true;
  NetAddress peer;

 private:
  // Room for `count` bytes at the cursor, or the sticky error.
  bool reserve(size_t count);
  void doBit(uint8_t* byte, int bit);
  void writeVarintTail(uint32_t value);
  // Reads the groups after the first byte; false when malformed.
  bool readVarintTail(uint32_t& value, int shift);

  size_t bitByte = 0;  // offset of the byte receiving or supplying bits
  uint8_t bitMask = 0;
  int32_t bitPosition = 0;
  int32_t capacity;
  std::unique_ptr<uint8_t[]> buffer;
  size_t cursor = 0;
  size_t validLength = 0;
  bool bError = false;
};
