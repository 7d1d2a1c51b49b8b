#include "engine/ZibProcessEntry.h"

#include "engine/Logger.h"

ZibProcessEntry* ZibProcessEntry::find(int32_t processId) {
  if (process.pid == processId) return this;
  for (BasicLink* child = firstChild; child; child = child->next)
    if (ZibProcessEntry* found = static_cast<ZibProcessEntry*>(child)->find(processId)) return found;
  return nullptr;
}

void ZibProcessEntry::insert(ZibProcessEntry* entry) {
  for (BasicLink* child = firstChild; child;) {
    BasicLink* const next = child->next;
    if (static_cast<ZibProcessEntry*>(child)->process.parentPid == entry->process.pid) {
      removeChild(child);
      entry->appendChild(child);
    }
    child = next;
  }
  BasicLink* parent = find(entry->process.parentPid);
  // A parent found inside the new entry's own subtree is a reused id, not its parent.
  for (BasicLink* above = parent; above; above = above->parent)
    if (above == entry) parent = nullptr;
  (parent ? parent : this)->appendChild(entry);
}

void ZibProcessEntry::dump(const std::u16string& prefix) {
  ZIB_LOG(u"%s%s %s", prefix, u"|_", process.exeFileName);
  for (BasicLink* child = firstChild; child; child = child->next)
    static_cast<ZibProcessEntry*>(child)->dump(prefix + (next ? u"| " : u"  "));
}
