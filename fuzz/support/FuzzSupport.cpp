#include "support/FuzzSupport.h"

#include <cstdlib>
#include <filesystem>

#include "engine/ErrorManager.h"
#include "engine/Logger.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"

namespace {

std::filesystem::path dataHome;

void removeDataHome() {
  std::error_code ignored;
  std::filesystem::remove_all(dataHome, ignored);
}

}  // namespace

void fuzzEnsureEngine() {
  if (zib) return;
  char pattern[] = "/tmp/zibfuzz-XXXXXX";
  if (!mkdtemp(pattern)) std::abort();
  dataHome = pattern;
  std::atexit(removeDataHome);
  setenv("XDG_DATA_HOME", pattern, 1);
  setenv("ZIB_NO_MESSAGE_BOX", "1", 1);
  ErrorManager::setFatalHook([](const std::u16string& message) { throw FuzzFatal(toUtf8(message)); });

  new Zib();
  zib->pLogger = new Logger();
  zib->pErrorManager = new ErrorManager();
  zib->pResourceManager = new ResourceManager();
}
