#include "app/ProfileManager.h"

#include "engine/AppPaths.h"
#include "app/Global.h"
#include "engine/SaveContainer.h"
#include "engine/SystemInfo.h"

bool ProfileManager::load() {
  return loadChecksummedFile(this, sizeof(*this), getUserDataFolder(), applicationName() + u".pro", kSaveVersion);
}

void ProfileManager::save() const {
  saveChecksummedFile(this, sizeof(*this), getUserDataFolder(), applicationName() + u".pro", kSaveVersion);
}
