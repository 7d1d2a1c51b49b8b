#pragma once
// Describes one field of another object: its name, flags and address. A
// class lists its fields in registerProperties; the tree built from them
// moves the fields into and out of packets and turns them into text. A tree
// lives for one operation; the described object must outlive it.
#include <cstdint>
#include <string>

#include "engine/ZibBase.h"

class Packet;

class Property : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // Flag bits.
  static constexpr uint32_t kNotReplicated = 0x1;    // left out of packets with flag 1
  static constexpr uint32_t kNotSameProcess = 0x2;   // left out of packets with flag 2
  static constexpr uint32_t kFloat16 = 0x4;          // double/float sent as a 16-bit float
  static constexpr uint32_t kResourceName = 0x20;    // pointer sent as a resource name
  static constexpr uint32_t kUnsigned = 0x40;        // int sent as an unsigned varint
  static constexpr uint32_t kRawPointer = 0x100;     // pointer sent through doRawPointer
  static constexpr uint32_t kWriteOnly = 0x200;      // a container moves it only when writing
  static constexpr uint32_t kReadOnly = 0x400;       // a container moves it only when reading

  Property(std::u16string name, uint32_t flags);

  // Each child's netSerialize, unless the flags leave this property out of the packet.
  void netSerialize(Packet* packet) override;
  // Moves the field into or out of the packet.
  virtual void serialize(Packet*) {}
  virtual std::u16string toString() { return u""; }
  // Text that does not parse leaves the field unchanged.
  virtual void fromString(std::u16string) {}
  // "name:value".
  virtual std::u16string nameAndValue();

  uint32_t flags;
  std::u16string name;
  void* field = nullptr;
  // Bytes of the described field (at most 8); 0 for a property without one.
  uint8_t fieldSize = 0;
};
