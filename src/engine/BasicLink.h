#pragma once
// Intrusive tree node: the parent owns its children.
#include <cstdint>

#include "engine/ClassInfo.h"

class BasicLink {
  ZIB_DECLARE_ROOT_CLASS()
 public:
  BasicLink() = default;
  BasicLink(const BasicLink&) = delete;
  BasicLink& operator=(const BasicLink&) = delete;
  virtual ~BasicLink();
  // Deletes the node; nothing for a null object.
  virtual void destroy();

  virtual void appendChild(BasicLink* child);
  virtual void removeChild(BasicLink* child);
  void prependChild(BasicLink* child);
  void insertChildAfter(BasicLink* child, BasicLink* after);
  void deleteChildren();
  uint32_t countChildren() const;

  BasicLink* prev = nullptr;
  BasicLink* next = nullptr;
  BasicLink* firstChild = nullptr;
  BasicLink* lastChild = nullptr;
  BasicLink* parent = nullptr;
  uint8_t bDeletePending = 0;
  uint8_t bSkip = 0;
};

// Walks the children of one node; the walk itself may destroy nodes.
class ChildIterator {
 public:
  enum : uint32_t {
    ITERATE_BACKWARDS = 1,
    ITERATE_DESTROY_PENDING = 2,
    ITERATE_INCLUDE_SKIPPED = 4,
  };
  // Flags 0, from the first child.
  ChildIterator(BasicLink* owner, int unused = 0);
  // With flags: from the last child when ITERATE_BACKWARDS is set.
  ChildIterator(BasicLink* owner, uint32_t flags, bool);

  BasicLink* getCurrent() const { return current; }
  void next();

  bool bDone = false;
  BasicLink* current = nullptr;
  uint32_t flags = 0;
  BasicLink* owner;
  BasicLink* nextNode;
};
