#include "app/GameConfiguration.h"

#include "engine/AppPaths.h"
#include "app/Global.h"
#include "engine/SaveContainer.h"
#include "engine/SystemInfo.h"

bool GameConfiguration::load() {
  return loadChecksummedFile(this, sizeof(*this), getUserDataFolder(), applicationName() + u".hst", kSaveVersion);
}

void GameConfiguration::save() const {
  saveChecksummedFile(this, sizeof(*this), getUserDataFolder(), applicationName() + u".hst", kSaveVersion);
}
