#include "engine/ZibBase.h"

#include "engine/ChildIterator.h"
#include "engine/ErrorManager.h"
#include "base/Format.h"
#include "engine/Zib.h"
#include "engine/net/NetRole.h"
#include "engine/net/Packet.h"
#include "engine/object/PropertyContainer.h"
#include "engine/object/PropertyDouble.h"
#include "engine/object/PropertyInt.h"

ZIB_DEFINE_CLASS(ZibBase, BasicLink, makeObject<ZibBase>);

namespace {
// A ZibBase's parent, when it has one, is a ZibBase.
ZibBase* parentOf(const ZibBase* object) { return static_cast<ZibBase*>(object->parent); }
}  // namespace

ZibBase::ZibBase() {
  ZIB_ASSERT(zib != nullptr);
  listNode.owner = this;
  zib->objectList.appendChild(&listNode);
}

ZibBase::~ZibBase() {
  if (objectUID > 0 && NetRole::active())
    ZIB_ERROR(u"Deletion of registered object %d is not allowed (use NETDELETE instead).", objectUID);
  ZibBase::destroyChildren();
  if (listNode.parent) listNode.parent->removeChild(&listNode);
  // linkList (emptying every link aimed here) and the BasicLink part go next.
}

void ZibBase::destroy() {
  if (NetRole* role = NetRole::active(); role && objectUID > 0) {
    role->netDeleteObject(this);
    return;
  }
  delete this;
}

void ZibBase::registerProperties(PropertyContainer* container) {
  container->add(new PropertyInt(u"objectUID", Property::kNotReplicated | Property::kNotSameProcess, &objectUID));
  StateBase::registerProperties(container->add(new PropertyContainer(u"StateBase", 0)));
}

PropertyContainer* ZibBase::makePropertyContainer() {
  auto* container = new PropertyContainer(
      getClass()->getName() + formatString(u" (%08lx)", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this))), 0);
  registerProperties(container);
  return container;
}

namespace {

// Whether `child` may join `parent`'s child list: not already in a list, and
// not the parent itself or one of its ancestors.
bool mayAdopt(const BasicLink* parent, const BasicLink* child) {
  if (child->parent) return false;
  for (const BasicLink* node = parent; node; node = node->parent)
    if (node == child) return false;
  return true;
}

void serializeChildList(ZibBase* object, Packet* packet, bool registeredOnly) {
  uint8_t hasChildren = object->firstChild != nullptr;
  packet->doBool(&hasChildren, 0);
  if (!hasChildren) return;
  if (packet->bWriting) {
    for (BasicLink* node = object->firstChild; node; node = node->next) {
      ZibBase* child = static_cast<ZibBase*>(node);
      const bool listed = registeredOnly ? child->objectUID > 0
                                         : (!(packet->flags & Packet::kFlagReplication) || child->objectUID > 0) &&
                                               !child->bLocalOnly;
      if (listed) packet->doPointer2(&child);
    }
    ZibBase* terminator = nullptr;
    packet->doPointer2(&terminator);
    return;
  }
  ZibBase* child = nullptr;
  while (packet->doPointer2(&child)) {
    if (!mayAdopt(object, child)) {
      packet->setError();
      return;
    }
    object->appendChild(child);
  }
}

}  // namespace

void ZibBase::netSerialize(Packet* packet) {
  // The same container as makePropertyContainer's, less the display name
  // that plays no part in the packet and would be formatted for every object.
  PropertyContainer properties(u"", 0);
  registerProperties(&properties);
  properties.serialize(packet);
  if (packet->flags & Packet::kFlagChecked) {
    uint32_t marker = Packet::kObjectMarker;
    packet->doRaw4(&marker);
    // A damaged message is dropped, never fatal.
    if (marker != Packet::kObjectMarker) packet->setError();
  }
  serializeChildList(this, packet, false);
}

void ZibBase::netSerializeChildren(Packet* packet) { serializeChildList(this, packet, true); }

void ZibBase::destroyChildren() {
  while (BasicLink* child = lastChild) {
    child->destroy();
    // A child that survives its destroy must still leave, or this would never end.
    if (lastChild == child) removeChild(child);
  }
}

void ZibBase::tick(double time, double delta) {
  tickState(time, delta);
  for (ChildIterator it(this, ChildIterator::ITERATE_DESTROY_PENDING, true); !it.bDone; it.next())
    static_cast<ZibBase*>(it.current)->tick(time, delta);
}

void ZibBase::render() {
  for (ChildIterator it(this, ChildIterator::ITERATE_DESTROY_PENDING, true); !it.bDone; it.next())
    static_cast<ZibBase*>(it.current)->render();
}

ZibBase* ZibBase::pickObject(int* skipCount) {
  if (bDisabled) return nullptr;
  for (ChildIterator it(this, ChildIterator::ITERATE_BACKWARDS, true); !it.bDone; it.next()) {
    ZibBase* hit = static_cast<ZibBase*>(it.current)->pickObject(skipCount);
    if (hit && --*skipCount < 0) return hit;
  }
  if (hitTest() && --*skipCount < 0) return this;
  return nullptr;
}

bool ZibBase::previewEvent(ZibEvent* e) {
  if (bDisabled) return true;
  if (ZibBase* p = parentOf(this); p && p->previewEvent(e)) return true;
  return onPreviewEvent(e);
}

bool ZibBase::bubbleEvent(ZibEvent* e) {
  if (bDisabled) return false;
  if (onBubbleEvent(e)) return true;
  ZibBase* p = parentOf(this);
  return p && p->bubbleEvent(e);
}

bool ZibBase::onPreviewEvent(ZibEvent* e) { return eventHandler && eventHandler->onPreviewEvent(e); }
bool ZibBase::onEvent(ZibEvent* e) { return eventHandler && eventHandler->onEvent(e); }
bool ZibBase::onBubbleEvent(ZibEvent* e) { return eventHandler && eventHandler->onBubbleEvent(e); }

ZibBase* ZibBase::findContext() {
  // Context registers its record with the graphics layer; records are static,
  // so one lookup serves the whole run.
  static const ClassInfo* const contextClass = getClassRegistry().findByName(u"Context");
  for (ZibBase* object = this; object; object = parentOf(object))
    if (contextClass && object->getClass()->isA(contextClass)) return object;
  ZIB_ERROR(u"Could not find any Context object.");
}

void dispatchEvent(ZibBase* target, ZibEvent* e) {
  ZibBase* parent = parentOf(target);
  if (parent && parent->previewEvent(e)) return;
  if (!target->bDisabled && target->onEvent(e)) return;
  if (parent) parent->bubbleEvent(e);
}

void addIntProperty(PropertyContainer* container, const std::u16string& name, int32_t* field) {
  container->add(new PropertyInt(name, 0, field));
}

void addDoubleProperty(PropertyContainer* container, const std::u16string& name, double* field) {
  container->add(new PropertyDouble(name, Property::kFloat16, field));
}
