#include "engine/ClassInfo.h"

#include <algorithm>

ClassInfo::ClassInfo(uint32_t hash, const char16_t* name, const ClassInfo* parent, Factory factory)
    : ClassInfo(getClassRegistry(), hash, name, parent, factory) {}

ClassInfo::ClassInfo(ClassRegistry& registry, uint32_t hash, const char16_t* name,
                     const ClassInfo* parent, Factory factory)
    : name(name), hash(hash), factory(factory), parent(parent == this ? nullptr : parent) {
  next = registry.head;
  registry.head = this;
}

ClassInfo::ClassInfo(Reserved, uint32_t hash, const char16_t* name, const ClassInfo* parent, Factory factory)
    : ClassInfo(getClassRegistry(), Reserved{}, hash, name, parent, factory) {}

ClassInfo::ClassInfo(ClassRegistry& registry, Reserved, uint32_t hash, const char16_t* name, const ClassInfo* parent,
                     Factory factory)
    : ClassInfo(registry, hash, name, parent, factory) {
  bReserved = true;
}

bool ClassInfo::isA(const ClassInfo* other) const {
  for (const ClassInfo* c = this; c; c = c->parent)
    if (c == other) return true;
  return false;
}

void ClassRegistry::assignClassIds() {
  if (!classes.empty()) return;
  for (ClassInfo** link = &head; *link;) {
    ClassInfo* record = *link;
    bool replaced = false;
    if (record->bReserved)
      for (const ClassInfo* c = head; c && !replaced; c = c->next) replaced = !c->bReserved && c->name == record->name;
    if (replaced) *link = record->next;
    else link = &record->next;
  }
  for (ClassInfo* c = head; c; c = c->next) classes.push_back(c);
  // UTF-16 unit order, a prefix first: the indices depend on the names alone.
  std::sort(classes.begin(), classes.end(),
            [](const ClassInfo* a, const ClassInfo* b) { return a->name < b->name; });
  if (std::adjacent_find(classes.begin(), classes.end(), [](const ClassInfo* a, const ClassInfo* b) {
        return a->name == b->name;
      }) != classes.end())
    bBadClasses = true;
  for (size_t i = 0; i < classes.size(); ++i) classes[i]->classIndex = static_cast<int32_t>(i);
}

const ClassInfo* ClassRegistry::findByIndex(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= classes.size()) return nullptr;
  return classes[index];
}

const ClassInfo* ClassRegistry::findByHash(uint32_t hash) const {
  for (const ClassInfo* c = head; c; c = c->next)
    if (c->hash == hash) return c;
  return nullptr;
}

const ClassInfo* ClassRegistry::findByName(std::u16string_view name) const {
  for (const ClassInfo* c = head; c; c = c->next)
    if (c->name == name) return c;
  return nullptr;
}

size_t ClassRegistry::countRecords() const {
  size_t count = 0;
  for (const ClassInfo* c = head; c; c = c->next) ++count;
  return count;
}

ClassRegistry& getClassRegistry() {
  static ClassRegistry registry;
  return registry;
}
