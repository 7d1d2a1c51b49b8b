#include "engine/AppPaths.h"

#include "engine/SystemInfo.h"

namespace {

Edition& editionSlot() {
  static Edition edition;
  return edition;
}

std::u16string crashPath(std::u16string_view extension) {
  return getUserDataFolder() + u"crash." + applicationName() + std::u16string(extension);
}

}  // namespace

void setEdition(Edition edition) { editionSlot() = std::move(edition); }

const Edition& edition() { return editionSlot(); }

std::u16string applicationName() { return editionSlot().name; }

std::u16string baseDirectoryPath() { return getInstallFolder(); }

std::u16string crashMiniDumpPath() { return crashPath(u".mdmp"); }

std::u16string crashLogPath() { return crashPath(u".log"); }

std::u16string crashScreenshotPath() { return crashPath(u".jpg"); }

