#include "engine/object/PropertyPointer.h"

#include "base/Format.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyText.h"

ZIB_DEFINE_CLASS(PropertyPointer, Property, nullptr);

PropertyPointer::PropertyPointer(std::u16string name, uint32_t flags, ZibBase** field, const ClassInfo* targetClass)
    : Property(std::move(name), flags), targetClass(targetClass) {
  this->field = field;
  fieldSize = sizeof *field;
}

void PropertyPointer::serialize(Packet* packet) {
  if (flags & kRawPointer) packet->doRawPointer(value());
  else if (flags & kResourceName) packet->doResourcePointer2(value());
  else packet->doPointer2(value());
  setValue(*value());
}

namespace {

std::u16string resourceNameOf(ZibBase* object) {
  return object && zib && zib->pResourceManager ? zib->pResourceManager->getResourceName(object) : u"";
}

ZibBase* liveObjectAt(uint64_t address) {
  if (!zib) return nullptr;
  for (BasicLink* node = zib->objectList.firstChild; node; node = node->next) {
    ZibBase* object = static_cast<ObjectListNode*>(node)->owner;
    if (reinterpret_cast<uintptr_t>(object) == address) return object;
  }
  return nullptr;
}

}  // namespace

std::u16string PropertyPointer::toString() {
  std::u16string text = resourceNameOf(*value());
  if (!text.empty()) return text;
  if (!*value()) return u"NULL";
  return formatString(u"%08lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(*value())));
}

void PropertyPointer::fromString(std::u16string text) {
  if (zib && zib->pResourceManager) {
    if (ZibBase* resource = zib->pResourceManager->find(false, text)) {
      setValue(resource);
      return;
    }
  }
  const auto address = scanHex(text, UINTPTR_MAX);
  if (!address) return;
  if (*address == 0) {
    setValue(nullptr);
    return;
  }
  // Only the address of an object that exists: any other number would be a wild pointer.
  if (ZibBase* object = liveObjectAt(*address)) setValue(object);
}

std::u16string PropertyPointer::nameAndValue() {
  ZibBase* target = *value();
  if (!target) return formatString(u"%s:NULL", name);
  return formatString(u"%s:%s%d", name, target->getClass()->getName(), target->objectUID);
}

void PropertyPointer::setValue(ZibBase* object) {
  // A received name or id may name an object of another class; the field's
  // owner would then misuse it.
  if (object && targetClass && !object->getClass()->isA(targetClass)) return;
  *value() = object;
}
