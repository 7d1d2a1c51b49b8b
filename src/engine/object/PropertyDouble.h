#pragma once
// A double field, carried as a float: 4 raw bytes, or a 16-bit float with
// kFloat16. Moving it rounds the field to what was carried.
#include "engine/object/Property.h"

class PropertyDouble : public Property {
  ZIB_DECLARE_CLASS()
 public:
  PropertyDouble(std::u16string name, uint32_t flags, double* field);
  void serialize(Packet* packet) override;
  std::u16string toString() override;
  void fromString(std::u16string text) override;
  double* value() const { return static_cast<double*>(field); }
};
