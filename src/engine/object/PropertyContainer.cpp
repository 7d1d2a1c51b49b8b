#include "engine/object/PropertyContainer.h"

#include "engine/net/Packet.h"

ZIB_DEFINE_CLASS(PropertyContainer, Property, nullptr);

PropertyContainer::PropertyContainer(std::u16string name, uint32_t flags) : Property(std::move(name), flags) {}

void PropertyContainer::serialize(Packet* packet) {
  for (BasicLink* node = firstChild; node; node = node->next) {
    Property* member = static_cast<Property*>(node);
    if (member->flags & (kNotReplicated | kNotSameProcess)) continue;
    if ((member->flags & kWriteOnly) && !packet->bWriting) continue;
    if ((member->flags & kReadOnly) && packet->bWriting) continue;
    member->serialize(packet);
  }
}

std::u16string PropertyContainer::toString() { return firstChild ? u"..." : u"(empty)"; }

std::u16string PropertyContainer::nameAndValue() {
  std::u16string text = name + u"(";
  for (BasicLink* node = firstChild; node; node = node->next) {
    if (node != firstChild) text += u",";
    text += static_cast<Property*>(node)->nameAndValue();
  }
  return text + u")";
}
