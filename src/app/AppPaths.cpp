#include "app/AppPaths.h"

#include "engine/SystemInfo.h"

namespace {

std::u16string crashPath(std::u16string_view extension) {
  return getUserDataFolder() + u"crash." + applicationName() + std::u16string(extension);
}

}  // namespace

std::u16string applicationName() { return u"Skerrion2demo"; }

std::u16string baseDirectoryPath() { return getInstallFolder(); }

std::u16string crashMiniDumpPath() { return crashPath(u".mdmp"); }

std::u16string crashLogPath() { return crashPath(u".log"); }

std::u16string crashScreenshotPath() { return crashPath(u".jpg"); }

