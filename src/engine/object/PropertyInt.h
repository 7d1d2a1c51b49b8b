#pragma once
// A signed 32-bit field: a signed varint, or unsigned with kUnsigned.
#include "engine/object/Property.h"

class PropertyInt : public Property {
  ZIB_DECLARE_CLASS()
 public:
  PropertyInt(std::u16string name, uint32_t flags, int32_t* field);
  void serialize(Packet* packet) override;
  std::u16string toString() override;
  void fromString(std::u16string text) override;
  int32_t* value() const { return static_cast<int32_t*>(field); }
};
