#include "engine/CrashDump.h"

#include "engine/AppPaths.h"
#include "engine/ErrorManager.h"
#include "engine/Logger.h"
#include "platform/CrashFilter.h"

void installCrashFilter() {
  startCrashFilter({crashMiniDumpPath(), getLogFilePath(), crashLogPath()});
}

void uninstallCrashFilter() { stopCrashFilter(); }
