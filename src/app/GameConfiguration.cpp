#include "app/GameConfiguration.h"

#include "app/AppPaths.h"
#include "app/Global.h"
#include "engine/SaveContainer.h"
#include "engine/SystemInfo.h"

bool GameConfiguration::load() {
  return loadChecksummedFile(this, sizeof(*this), getUserDataFolder(), applicationName() + u".hst", kSaveVersion);
}

void GameConfiguration::save() const {
  saveChecksummedFile(this, sizeof(*this), getUserDataFolder(), applicationName() + u".hst", kSaveVersion);
}
