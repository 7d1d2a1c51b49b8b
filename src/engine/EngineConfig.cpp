#include "engine/EngineConfig.h"

#include "engine/AppPaths.h"
#include "engine/SystemInfo.h"

std::u16string staticConfigFolder;

std::u16string getConfigFileName() { return applicationName() + u".cfg"; }

std::u16string getConfigFilePath() { return getUserDataFolder() + getConfigFileName(); }

std::u16string getStaticConfigFileName() { return applicationName() + u".cfg.static"; }

std::u16string getStaticConfigFilePath() {
  return (staticConfigFolder.empty() ? baseDirectoryPath() : staticConfigFolder) + getStaticConfigFileName();
}
