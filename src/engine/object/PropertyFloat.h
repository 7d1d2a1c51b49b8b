#pragma once
// A float field: 4 raw bytes, or a 16-bit float with kFloat16.
#include "engine/object/Property.h"

class PropertyFloat : public Property {
  ZIB_DECLARE_CLASS()
 public:
  PropertyFloat(std::u16string name, uint32_t flags, float* field);
  void serialize(Packet* packet) override;
  std::u16string toString() override;
  void fromString(std::u16string text) override;
  float* value() const { return static_cast<float*>(field); }
};
