#include "engine/ZibBase.h"

#include "engine/ChildIterator.h"
#include "engine/ErrorManager.h"
#include "engine/Zib.h"

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
  // Registered objects are refused here once the network layer exists.
  ZibBase::destroyChildren();
  if (listNode.parent) listNode.parent->removeChild(&listNode);
  // linkList (emptying every link aimed here) and the BasicLink part go next.
}

// Registered objects go through the network role's remote delete once that layer exists.
void ZibBase::destroy() { delete this; }

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
