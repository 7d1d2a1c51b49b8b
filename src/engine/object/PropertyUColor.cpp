#include "engine/object/PropertyUColor.h"

#include "base/Format.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyText.h"

ZIB_DEFINE_CLASS(PropertyUColor, Property, nullptr);

PropertyUColor::PropertyUColor(std::u16string name, uint32_t flags, uint32_t* field) : Property(std::move(name), flags) {
  this->field = field;
  fieldSize = sizeof *field;
}

void PropertyUColor::serialize(Packet* packet) { packet->doRaw4(value()); }

std::u16string PropertyUColor::toString() { return formatString(u"%08x", *value()); }

void PropertyUColor::fromString(std::u16string text) {
  if (const auto parsed = scanHex(text, 0xFFFFFFFFu)) *value() = static_cast<uint32_t>(*parsed);
}
