#include "engine/object/PropertyDWORD.h"

#include "base/Format.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyText.h"

ZIB_DEFINE_CLASS(PropertyDWORD, Property, nullptr);

PropertyDWORD::PropertyDWORD(std::u16string name, uint32_t flags, uint32_t* field) : Property(std::move(name), flags) {
  this->field = field;
  fieldSize = sizeof *field;
}

void PropertyDWORD::serialize(Packet* packet) { packet->doRaw4(value()); }

std::u16string PropertyDWORD::toString() { return formatString(u"%08x", *value()); }

void PropertyDWORD::fromString(std::u16string text) {
  if (const auto parsed = scanHex(text, 0xFFFFFFFFu)) *value() = static_cast<uint32_t>(*parsed);
}
