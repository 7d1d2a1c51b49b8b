#pragma once
// Walks the children of one node while the walk itself may destroy nodes:
// the next node is taken before the current one is handed out.
//   for (ChildIterator it(node, ChildIterator::ITERATE_DESTROY_PENDING, true); !it.bDone; it.next())
//     use(it.current);
#include <cstdint>

class BasicLink;

class ChildIterator {
 public:
  enum : uint32_t {
    ITERATE_BACKWARDS = 1,        // follow prev, starting at the last child
    ITERATE_DESTROY_PENDING = 2,  // destroy the bDeletePending nodes passed or just handed out
    ITERATE_INCLUDE_SKIPPED = 4,  // hand out bSkip nodes too
  };
  // Flags 0, from the first child; the second argument is ignored.
  explicit ChildIterator(BasicLink* owner, int unused = 0);
  // With flags; the bool only tells this overload apart from the one above.
  ChildIterator(BasicLink* owner, uint32_t flags, bool);

  BasicLink* getCurrent() const { return current; }
  void next();

  bool bDone = false;
  BasicLink* current = nullptr;
  uint32_t flags = 0;
  BasicLink* owner;
  BasicLink* nextNode;
};
