#include "engine/AppPaths.h"

#include "engine/SystemInfo.h"

namespace {

std::u16string& nameSlot() {
  static std::u16string name;
  return name;
}

std::u16string crashPath(std::u16string_view extension) {
  return getUserDataFolder() + u"crash." + applicationName() + std::u16string(extension);
}

}  // namespace

void setApplicationName(std::u16string name) { nameSlot() = std::move(name); }

std::u16string applicationName() { return nameSlot(); }

std::u16string baseDirectoryPath() { return getInstallFolder(); }

std::u16string crashMiniDumpPath() { return crashPath(u".mdmp"); }

std::u16string crashLogPath() { return crashPath(u".log"); }

std::u16string crashScreenshotPath() { return crashPath(u".jpg"); }

