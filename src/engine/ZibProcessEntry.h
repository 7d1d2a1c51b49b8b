#pragma once
// One process of the start-up log's process tree. The tree hangs on the
// ordinary object links; destroying its root destroys it.
#include <cstdint>
#include <string>

#include "engine/ZibBase.h"
#include "platform/Process.h"

class ZibProcessEntry : public ZibBase {
 public:
  // Process id -1: the root of a tree.
  ZibProcessEntry() = default;
  explicit ZibProcessEntry(const ProcessEntry& process) : process(process) {}

  // This entry or the first of its descendants (depth-first) with that process id; null when none.
  ZibProcessEntry* find(int32_t processId);
  // Called on the root with the next process of a snapshot, in snapshot
  // order: adopts the root's children that are its child processes, then
  // goes under its parent process's entry, else under the root. Process ids
  // may be reused, so an entry never goes under itself or its own descendant.
  void insert(ZibProcessEntry* entry);
  // Logs this entry's line, then its children's, each level indented by two characters.
  void dump(const std::u16string& prefix);

  ProcessEntry process{-1, 0, {}};
};
