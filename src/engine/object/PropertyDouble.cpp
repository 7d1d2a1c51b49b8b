#include "engine/object/PropertyDouble.h"

#include <cmath>
#include <limits>

#include "engine/net/Packet.h"
#include "engine/object/PropertyText.h"

ZIB_DEFINE_CLASS(PropertyDouble, Property, nullptr);

PropertyDouble::PropertyDouble(std::u16string name, uint32_t flags, double* field)
    : Property(std::move(name), flags) {
  this->field = field;
  fieldSize = sizeof *field;
}

void PropertyDouble::serialize(Packet* packet) {
  // Values beyond the float range saturate instead of becoming undefined.
  constexpr double kMax = std::numeric_limits<float>::max();
  const double wide = *value();
  float narrow = std::isnan(wide) ? std::numeric_limits<float>::quiet_NaN()
                                  : static_cast<float>(wide > kMax ? kMax : (wide < -kMax ? -kMax : wide));
  if (flags & kFloat16) packet->doFloat16(&narrow);
  else packet->doRaw4(&narrow);
  *value() = narrow;
}

std::u16string PropertyDouble::toString() { return trimmedDouble(*value()); }

void PropertyDouble::fromString(std::u16string text) {
  if (const auto parsed = scanDouble(text)) *value() = *parsed;
}
