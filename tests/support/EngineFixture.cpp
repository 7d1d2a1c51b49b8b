#include "support/EngineFixture.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "engine/ErrorManager.h"
#include "engine/Logger.h"
#include "engine/ResourceManager.h"
#include "engine/SystemInfo.h"
#include "engine/Zib.h"

TempDataHome::TempDataHome() {
  char pattern[] = "/tmp/zibtest-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  dir = pattern;
  if (const char* old = std::getenv("XDG_DATA_HOME")) {
    oldValue = old;
    hadOldValue = true;
  }
  setenv("XDG_DATA_HOME", pattern, 1);
}

TempDataHome::~TempDataHome() {
  if (hadOldValue)
    setenv("XDG_DATA_HOME", oldValue.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

FatalErrorsThrow::FatalErrorsThrow() {
  ErrorManager::setFatalHook([](const std::u16string& message) { throw FatalError(message); });
}

FatalErrorsThrow::~FatalErrorsThrow() { ErrorManager::setFatalHook({}); }

void EngineTest::SetUp() {
  root = new Zib();
  zib->pLogger = new Logger();
  zib->pErrorManager = new ErrorManager();
  zib->pResourceManager = new ResourceManager();
}

void EngineTest::TearDown() {
  delete root;
  root = nullptr;
}

std::filesystem::path EngineTest::userDataFolder() const { return toUtf8(getUserDataFolder()); }

std::string EngineTest::readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
