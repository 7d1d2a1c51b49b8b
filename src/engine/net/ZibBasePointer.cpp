#include "engine/net/ZibBasePointer.h"

#include "engine/net/Packet.h"
#include "engine/object/PropertyContainer.h"
#include "engine/object/PropertyPointer.h"

ZIB_DEFINE_CLASS(ZibBasePointer, ZibBase, makeObject<ZibBasePointer>);

void ZibBasePointer::registerProperties(PropertyContainer* container) {
  ZibBase::registerProperties(container);
  container->add(new PropertyPointer(u"pObject", 0, &pObject, &ZibBase::classInfo));
}

void ZibBasePointer::netSerializeChildren(Packet* packet) {
  ZibBase::netSerializeChildren(packet);
  packet->doPointer2(&pObject);
}
