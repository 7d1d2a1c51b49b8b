#include "engine/object/Property.h"

#include "base/Format.h"
#include "engine/net/Packet.h"

ZIB_DEFINE_CLASS(Property, ZibBase, nullptr);

Property::Property(std::u16string name, uint32_t flags) : flags(flags), name(std::move(name)) {}

void Property::netSerialize(Packet* packet) {
  if ((flags & kNotReplicated) && (packet->flags & Packet::kFlagReplication)) return;
  if ((flags & kNotSameProcess) && (packet->flags & Packet::kFlagSameProcess)) return;
  for (BasicLink* child = firstChild; child; child = child->next) static_cast<ZibBase*>(child)->netSerialize(packet);
}

std::u16string Property::nameAndValue() { return formatString(u"%s:%s", name, toString()); }
