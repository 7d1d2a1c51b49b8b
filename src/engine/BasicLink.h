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
  // Leaves the parent, then deletes the children.
  virtual ~BasicLink();
  // Deletes the node.
  virtual void destroy();

  // A new child must not be in any list; `after` and a removed child must be
  // children of this node (checked: a wrong node would corrupt both lists).
  virtual void appendChild(BasicLink* child);
  // Leaves the removed child's own prev/next as they were.
  virtual void removeChild(BasicLink* child);
  void prependChild(BasicLink* child);
  void insertChildAfter(BasicLink* child, BasicLink* after);
  // Unlinks and deletes every child, the last first.
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
