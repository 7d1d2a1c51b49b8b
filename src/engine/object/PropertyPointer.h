#pragma once
// A ZibBase pointer field: an object id, a resource name (kResourceName) or a
// raw pointer (kRawPointer); as text the resource name or the address.
#include "engine/object/Property.h"

class PropertyPointer : public Property {
  ZIB_DECLARE_CLASS()
 public:
  PropertyPointer(std::u16string name, uint32_t flags, ZibBase** field, const ClassInfo* targetClass);
  void serialize(Packet* packet) override;
  std::u16string toString() override;
  // A registered resource name, else a hexadecimal address that is 0 or that
  // of a live object; anything else changes nothing.
  void fromString(std::u16string text) override;
  std::u16string nameAndValue() override;
  // Stores the pointer into the field; an object not of the target class is refused.
  virtual void setValue(ZibBase* object);

  ZibBase** value() const { return static_cast<ZibBase**>(field); }

  const ClassInfo* targetClass;
};
