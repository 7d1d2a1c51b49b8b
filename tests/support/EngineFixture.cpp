#include "support/TempFolder.h"

#include "support/EngineFixture.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>

#include "engine/ErrorManager.h"
#include "engine/FileManager.h"
#include "engine/Logger.h"
#include "engine/ResourceManager.h"
#include "engine/SystemInfo.h"
#include "engine/Zib.h"

namespace {

std::filesystem::path makeTestFolder() {
  const std::string folder = ::makeTempFolder("zibtest");
  if (folder.empty()) throw std::runtime_error("mkdtemp failed");
  return folder;
}

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const char* value) : name(name) {
  if (const char* old = std::getenv(name)) oldValue = old;
  set(value);
}

ScopedEnv::~ScopedEnv() { set(oldValue ? oldValue->c_str() : nullptr); }

void ScopedEnv::set(const char* value) {
  value ? setenv(name, value, 1) : unsetenv(name);
  tzset();  // in case it is TZ
}

TempDataHome::TempDataHome() : dir(makeTestFolder()) {}

TempDataHome::~TempDataHome() {
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

void EngineTest::useDiskFiles() {
  zib->pFileManager = new FileManager();
  zib->pFileManager->bForceDisk = true;
}

std::filesystem::path EngineTest::userDataFolder() const { return toUtf8(getUserDataFolder()); }

void EngineTest::writeFile(const std::filesystem::path& path, std::string_view bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string EngineTest::logText() { return readFile(toUtf8(getLogFilePath())); }

std::string EngineTest::readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

NoFileGrowth::NoFileGrowth(rlim_t limit) : oldHandler(signal(SIGXFSZ, SIG_IGN)) {
  getrlimit(RLIMIT_FSIZE, &old);
  const rlimit reduced = {limit, old.rlim_max};
  setrlimit(RLIMIT_FSIZE, &reduced);
}

NoFileGrowth::~NoFileGrowth() {
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
}

int signalEndingChild(const std::function<void()>& body) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    const rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    body();
    _exit(0);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) return -1;
  return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}
