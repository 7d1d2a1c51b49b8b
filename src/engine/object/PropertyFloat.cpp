#include "engine/object/PropertyFloat.h"

#include "engine/net/Packet.h"
#include "engine/object/PropertyText.h"

ZIB_DEFINE_CLASS(PropertyFloat, Property, nullptr);

PropertyFloat::PropertyFloat(std::u16string name, uint32_t flags, float* field) : Property(std::move(name), flags) {
  this->field = field;
  fieldSize = sizeof *field;
}

void PropertyFloat::serialize(Packet* packet) {
  if (flags & kFloat16) packet->doFloat16(value());
  else packet->doRaw4(value());
}

std::u16string PropertyFloat::toString() { return trimmedDouble(static_cast<double>(*value())); }

void PropertyFloat::fromString(std::u16string text) {
  if (const auto parsed = scanFloat(text)) *value() = *parsed;
}
