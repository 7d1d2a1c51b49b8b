#pragma once
// A named group of properties: its children, in append order.
#include "engine/object/Property.h"

class PropertyContainer : public Property {
  ZIB_DECLARE_CLASS()
 public:
  PropertyContainer(std::u16string name, uint32_t flags);

  // Each member in order, except those flagged 1 or 2, write-only members
  // when reading and read-only members when writing.
  void serialize(Packet* packet) override;
  // "(empty)" or "...".
  std::u16string toString() override;
  // "name(member:value,...)".
  std::u16string nameAndValue() override;

  // Appends a property as the last member and returns it.
  template <class P>
  P* add(P* property) {
    appendChild(property);
    return property;
  }
};
