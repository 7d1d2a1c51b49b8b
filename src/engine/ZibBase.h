#pragma once
// The base of every engine and game object: a node of the object tree (its
// children are ZibBase objects it owns), a timed state, the links aimed at
// it and an entry in the engine-wide object list.
//
// The state machine's own tick is StateBase::tickState; ZibBase::tick calls
// it, then ticks the children, and both stay separately overridable.
#include <cstdint>
#include <string>

#include "engine/BasicLink.h"
#include "engine/ObjectLinkList.h"
#include "engine/ObjectListNode.h"
#include "engine/StateBase.h"

struct ZibEvent;
class Packet;

class ZibBase : public BasicLink, public StateBase {
  ZIB_DECLARE_CLASS()
 public:
  // Joins the engine root's objectList, which must exist.
  ZibBase();
  // Destroys the children (the last first), leaves objectList, empties the
  // links aimed at this object, then leaves the parent.
  ~ZibBase() override;

  // Deletes the object; a registered object while a network role is active
  // is deleted on every side through the role instead.
  void destroy() final;
  // tickState, then every child's tick; children marked bDeletePending are
  // destroyed by the walk.
  virtual void tick(double time, double delta);
  virtual void render();
  // The (*skipCount + 1)-th hit of a walk that visits the children from the
  // last to the first, each before its parent; null when none or disabled.
  virtual ZibBase* pickObject(int* skipCount);
  virtual bool hitTest() { return false; }
  // Capture phase, root first; a disabled object consumes the event.
  virtual bool previewEvent(ZibEvent* e);
  // Bubble phase, upwards; a disabled object stops it unconsumed.
  virtual bool bubbleEvent(ZibEvent* e);
  // Forward to eventHandler when set; else not consumed.
  virtual bool onPreviewEvent(ZibEvent* e);
  virtual bool onEvent(ZibEvent* e);
  virtual bool onBubbleEvent(ZibEvent* e);
  virtual void onZIBmodeChange(int32_t /*oldMode*/, int32_t /*newMode*/) {}
  virtual void onInputModeChange() {}
  virtual void purge() {}
  virtual void onPresentationRestored() {}
  // The object's properties, with kFlagChecked a marker, then the child list
  // as object ids. A received child that already has a parent or would make
  // a cycle is refused (the packet's error is set).
  virtual void netSerialize(Packet* packet);
  // The child list alone; writing lists every registered child.
  virtual void netSerializeChildren(Packet* packet);
  // Run on their target by two remote calls; nothing here.
  virtual void reservedOperation1() {}
  virtual void reservedOperation2() {}
  // Destroys every child, the last first.
  virtual void destroyChildren();

  // "objectUID", then the container "StateBase" with the state fields.
  void registerProperties(PropertyContainer* container) override;
  // A new container named after the class and address describing the object;
  // the caller deletes it.
  PropertyContainer* makePropertyContainer();

  // The nearest object, this one or an ancestor, whose class is "Context" or
  // derives from it; fatal when there is none.
  ZibBase* findContext();

  uint8_t bVisible = 1;
  uint8_t bSkipVisibility = 0;
  uint8_t bDisabled = 0;
  uint8_t bLocalOnly = 0;
  int32_t objectUID = -1;
  ZibBase* eventHandler = nullptr;
  ObjectLinkList linkList;
  ObjectListNode listNode;
};

// The one way events are sent: the target's parent's previewEvent, then the
// target's onEvent unless it is disabled, then the parent's bubbleEvent; each
// step that consumes the event ends the dispatch.
void dispatchEvent(ZibBase* target, ZibEvent* e);

// A PropertyInt (flags 0) / PropertyDouble (16-bit float) on the field, appended to the container.
void addIntProperty(PropertyContainer* container, const std::u16string& name, int32_t* field);
void addDoubleProperty(PropertyContainer* container, const std::u16string& name, double* field);
