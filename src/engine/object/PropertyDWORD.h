#pragma once
// An unsigned 32-bit field: 4 raw bytes, "%08x" as text.
#include "engine/object/Property.h"

class PropertyDWORD : public Property {
  ZIB_DECLARE_CLASS()
 public:
  PropertyDWORD(std::u16string name, uint32_t flags, uint32_t* field);
  void serialize(Packet* packet) override;
  std::u16string toString() override;
  void fromString(std::u16string text) override;
  uint32_t* value() const { return static_cast<uint32_t*>(field); }
};
