// Sets a property of every kind from arbitrary text: a text either changes
// nothing or gives a value whose text reads back to the same value.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "engine/object/PropertyContainer.h"
#include "engine/object/PropertyDWORD.h"
#include "engine/object/PropertyDouble.h"
#include "engine/object/PropertyFloat.h"
#include "engine/object/PropertyInt.h"
#include "engine/object/PropertyPointer.h"
#include "engine/object/PropertyUColor.h"
#include "support/FuzzSupport.h"

namespace {

template <class P, class T>
void check(const std::u16string& text, T start) {
  T value = start;
  P property(u"p", 0, &value);
  property.fromString(text);
  const std::u16string printed = property.toString();
  T again = start;
  P(u"p", 0, &again).fromString(printed);
  property.nameAndValue();
  if constexpr (std::is_floating_point_v<T>) {
    // Printed with nine decimals: huge and tiny values come back rounded.
    if (std::isfinite(value) && std::fabs(value) < 1e6 && std::fabs(again - value) > 1e-8 * (1 + std::fabs(value)))
      abort();
  } else if (again != value) {
    abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  fuzzEnsureEngine();
  static ZibBase* resource = [] {
    auto* object = new ZibBase;
    zib->pResourceManager->addResource(object, u"named");
    return object;
  }();
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  check<PropertyInt>(text, int32_t{7});
  check<PropertyDouble>(text, 0.25);
  check<PropertyFloat>(text, 0.5f);
  check<PropertyUColor>(text, uint32_t{0xFF00FF00});
  check<PropertyDWORD>(text, uint32_t{3});

  ZibBase* field = resource;
  PropertyPointer pointer(u"p", 0, &field, &ZibBase::classInfo);
  pointer.fromString(text);
  // Only null, the resource or a live object may come out.
  if (field && field != resource && field != &pointer) {
    bool live = false;
    for (BasicLink* node = zib->objectList.firstChild; node && !live; node = node->next)
      live = static_cast<ObjectListNode*>(node)->owner == field;
    if (!live) abort();
  }
  pointer.nameAndValue();
  PropertyContainer group(u"g", 0);
  group.fromString(text);
  return 0;
}
