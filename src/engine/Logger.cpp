#include "engine/Logger.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "engine/AppPaths.h"
#include "engine/FileStream.h"
#include "engine/SystemInfo.h"
#include "engine/Zib.h"
#include "platform/Timers.h"

ZIB_DEFINE_ROOT_CLASS(Logger, nullptr);

namespace {

std::u16string computerName() {
  char name[256] = {};
  if (gethostname(name, sizeof(name) - 1) != 0) return {};
  return fromUtf8(name);
}

std::u16string userName() {
  if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name) return fromUtf8(entry->pw_name);
  const char* name = std::getenv("USER");
  return name ? fromUtf8(name) : std::u16string();
}

std::u16string programPath() {
  std::error_code error;
  return fromUtf8(std::filesystem::read_symlink("/proc/self/exe", error).string());
}

}  // namespace

std::u16string logFileName() { return applicationName() + u".log"; }

std::u16string getLogFilePath() { return getUserDataFolder() + logFileName(); }

Logger::Logger() : logFilePath(getLogFilePath()) {
  auto* file = new FileStream(logFilePath, FileStream::kWrite);
  if (!file->isOpen) {
    delete file;  // no log for this run
    return;
  }
  stream = file;
  static const unsigned char bom[] = {0xEF, 0xBB, 0xBF};
  stream->write(bom, sizeof(bom));

  log(u"Application: %s", getVersionString());
  log(u"Executing %s->%s->%s", computerName(), userName(), programPath());
  log(u"Current directory: %s", getCurrentFolder());
  for (const std::u16string& argument : commandLineArgs) log(u"Command-line parameter: [%s]", argument);
  log(u"Log file: %s", logFilePath);
  log(u"Log date: %s UTC", getUtcTimeStampString(std::time(nullptr)));
}

Logger::~Logger() { delete stream; }

void Logger::writeMessage(const std::u16string& message) {
  const std::lock_guard lock(lineMutex);
  if (!stream) return;
  // Whole milliseconds as an unsigned difference: exact, and right across the
  // wrap of the 32-bit clock.
  const uint32_t now = timeGetTime();
  const uint32_t delta = now - lastLineTime;
  if (bHasLastLine && delta != 0)
    stream->writeLine(formatString(u"+%lu\t%s", static_cast<unsigned long>(delta), message));
  else
    stream->writeLine(formatString(u"\t%s", message));
  stream->flush();
  lastLineTime = now;
  bHasLastLine = true;
}

void Logger::close() {
  const std::lock_guard lock(lineMutex);
  if (!stream) return;
  delete stream;  // flushes and closes
  stream = nullptr;
  copyFile(logFilePath, crashLogPath());
}

void logFunctionMessage(const std::u16string& function, const std::u16string& message) {
  if (zib && zib->pLogger) zib->pLogger->log(u"%s(): %s", function, message);
}
