#include "engine/net/NetRoleIdCounter.h"

#include "engine/net/NetRole.h"
#include "engine/object/PropertyContainer.h"
#include "engine/object/PropertyInt.h"

ZIB_DEFINE_HASHED_CLASS(NetRoleIdCounter, ZibBase, 0x04790976, u"_04790976", makeObject<NetRoleIdCounter>);

void NetRoleIdCounter::registerProperties(PropertyContainer* container) {
  ZibBase::registerProperties(container);
  // Without a role there is no counter to describe.
  if (NetRole* role = NetRole::active())
    container->add(new PropertyInt(u"THEROLE->nextObjectUID", Property::kUnsigned, &role->nextObjectUID));
}
