#include "engine/ResourceManager.h"

#include "engine/ErrorManager.h"
#include "engine/Logger.h"

ZIB_DEFINE_ROOT_CLASS(ResourceManager, nullptr);

ResourceManager::ResourceManager() { ZIB_LOG(u"Starting..."); }

ResourceManager::~ResourceManager() { ZIB_LOG(u"Destroying %d resources.", resourceCount); }

void ResourceManager::addResource(ZibBase* resource, std::u16string name) {
  {
    // Named so that the report's statement reads as the registry's rule.
    const auto& map = resources;
    const auto& key = name;
    ZIB_ASSERT(map.find(key) == map.end());
  }
  resourceNames.try_emplace(resource, name);
  resources.emplace(std::move(name), resource);
  ++resourceCount;
}

ZibBase* ResourceManager::find(bool mustExist, const std::u16string& name) const {
  auto found = resources.find(name);
  if (found != resources.end()) return found->second;
  if (mustExist) ZIB_ERROR(u"Could not find resource '%s'.", name);
  return nullptr;
}

std::u16string ResourceManager::getResourceName(ZibBase* resource) const {
  auto found = resourceNames.find(resource);
  return found != resourceNames.end() ? found->second : std::u16string();
}
