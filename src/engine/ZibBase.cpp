#include "engine/ZibBase.h"

#include <cstring>
#include <unordered_set>
#include <vector>

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

void writeChildList(ZibBase* object, Packet* packet, bool registeredOnly) {
  uint8_t hasChildren = object->firstChild != nullptr;
  packet->doBool(&hasChildren, 0);
  if (!hasChildren) return;
  for (BasicLink* node = object->firstChild; node; node = node->next) {
    ZibBase* child = static_cast<ZibBase*>(node);
    const bool listed = registeredOnly ? child->objectUID > 0
                                       : (!(packet->flags & Packet::kFlagReplication) || child->objectUID > 0) &&
                                             !child->bLocalOnly;
    if (listed) packet->doPointer2(&child);
  }
  ZibBase* terminator = nullptr;
  packet->doPointer2(&terminator);
}

// The received child list, checked but not yet adopted: a child already in a
// list, listed twice, or that would make a cycle sets the packet's error.
std::vector<ZibBase*> readChildList(ZibBase* object, Packet* packet) {
  std::vector<ZibBase*> children;
  uint8_t hasChildren = 0;
  packet->doBool(&hasChildren, 0);
  if (!hasChildren) return children;
  std::unordered_set<ZibBase*> listed;
  ZibBase* child = nullptr;
  while (packet->doPointer2(&child)) {
    if (!mayAdopt(object, child) || !listed.insert(child).second) {
      packet->setError();
      break;
    }
    children.push_back(child);
  }
  return children;
}

void adoptChildren(ZibBase* object, const std::vector<ZibBase*>& children) {
  for (ZibBase* child : children) object->appendChild(child);
}

// The fields of a property tree moved aside: each property reads into a copy
// of its field's value, and the copies go into the fields only on apply().
class StagedFields {
 public:
  explicit StagedFields(Property& root) {
    std::vector<Property*> leaves;
    collect(root, leaves);
    staged.resize(leaves.size());
    for (size_t i = 0; i < leaves.size(); ++i) {
      staged[i].live = leaves[i]->field;
      staged[i].size = leaves[i]->fieldSize;
      std::memcpy(staged[i].scratch, staged[i].live, staged[i].size);
      leaves[i]->field = staged[i].scratch;
    }
  }
  void apply() const {
    for (const Staged& s : staged) std::memcpy(s.live, s.scratch, s.size);
  }

 private:
  struct Staged {
    void* live = nullptr;
    size_t size = 0;
    alignas(8) unsigned char scratch[8];
  };
  static void collect(Property& property, std::vector<Property*>& leaves) {
    if (property.field && property.fieldSize > 0 && property.fieldSize <= sizeof(Staged::scratch))
      leaves.push_back(&property);
    for (BasicLink* child = property.firstChild; child; child = child->next)
      collect(*static_cast<Property*>(child), leaves);
  }
  std::vector<Staged> staged;
};

}  // namespace

void ZibBase::netSerialize(Packet* packet) {
  // The same container as makePropertyContainer's, less the display name
  // that plays no part in the packet and would be formatted for every object.
  PropertyContainer properties(u"", 0);
  registerProperties(&properties);
  if (packet->bWriting) {
    properties.serialize(packet);
    if (packet->flags & Packet::kFlagChecked) {
      uint32_t marker = Packet::kObjectMarker;
      packet->doRaw4(&marker);
    }
    writeChildList(this, packet, false);
    return;
  }
  // A damaged message is dropped, never fatal, and changes nothing: it is
  // read into temporaries, applied only once all of it was read.
  const StagedFields fields(properties);
  properties.serialize(packet);
  if (packet->flags & Packet::kFlagChecked) {
    uint32_t marker = 0;
    packet->doRaw4(&marker);
    if (marker != Packet::kObjectMarker) packet->setError();
  }
  const std::vector<ZibBase*> children = readChildList(this, packet);
  if (packet->hasError()) return;
  fields.apply();
  adoptChildren(this, children);
}

void ZibBase::netSerializeChildren(Packet* packet) {
  if (packet->bWriting) {
    writeChildList(this, packet, true);
    return;
  }
  const std::vector<ZibBase*> children = readChildList(this, packet);
  if (!packet->hasError()) adoptChildren(this, children);
}

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
