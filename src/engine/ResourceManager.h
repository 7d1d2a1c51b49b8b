#pragma once
// The engine's name registry of loaded resources. It never owns or deletes
// them; names match exactly and are never replaced or removed.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "engine/ClassInfo.h"

class ZibBase;

class ResourceManager {
  ZIB_DECLARE_ROOT_CLASS()
 public:
  ResourceManager();
  ResourceManager(const ResourceManager&) = delete;
  ResourceManager& operator=(const ResourceManager&) = delete;
  virtual ~ResourceManager();

  // A name already registered is fatal. An object may carry several names;
  // it keeps its first for getResourceName.
  void addResource(ZibBase* resource, std::u16string name);
  // Null when the name is unknown and !mustExist; fatal when it must exist.
  ZibBase* find(bool mustExist, const std::u16string& name) const;
  // The object's first registered name, or "".
  std::u16string getResourceName(ZibBase* resource) const;

  std::unordered_map<std::u16string, ZibBase*> resources;
  std::unordered_map<ZibBase*, std::u16string> resourceNames;
  int32_t resourceCount = 0;
};
