#include "engine/object/PropertyInt.h"

#include "base/Format.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyText.h"

ZIB_DEFINE_CLASS(PropertyInt, Property, nullptr);

PropertyInt::PropertyInt(std::u16string name, uint32_t flags, int32_t* field) : Property(std::move(name), flags) {
  this->field = field;
  fieldSize = sizeof *field;
}

void PropertyInt::serialize(Packet* packet) {
  if (flags & kUnsigned) packet->doUInt(value());
  else packet->doInt(value());
}

std::u16string PropertyInt::toString() { return formatString(u"%d", *value()); }

void PropertyInt::fromString(std::u16string text) {
  if (const auto parsed = scanDecimal(text)) *value() = *parsed;
}
