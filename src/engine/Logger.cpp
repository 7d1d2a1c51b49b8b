#include "engine/Logger.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "engine/AppPaths.h"
#include "engine/FileStream.h"
#include "engine/SystemInfo.h"
#include "engine/Zib.h"
#include "platform/CrashFilter.h"
#include "platform/System.h"
#include "platform/Timers.h"

ZIB_DEFINE_ROOT_CLASS(Logger, nullptr);

std::u16string logFileName() { return applicationName() + u".log"; }

std::u16string getLogFilePath() { return getUserDataFolder() + logFileName(); }

Logger::Logger() : logFilePath(getLogFilePath()) {
  auto* file = new FileStream(logFilePath, FileStream::kWrite);
  if (!file->isOpen) {
    // The run goes on without a log; the user learns where and why once.
    const std::string reason = toUtf8(errnoText(errno));
    std::fprintf(stderr, "%s: cannot open the log %s: %s\n", toUtf8(edition().windowTitle).c_str(),
                 toUtf8(logFilePath).c_str(), reason.c_str());
    delete file;
    return;
  }
  stream = file;
  setCrashLogOpen(true);
  static const unsigned char bom[] = {0xEF, 0xBB, 0xBF};
  stream->write(bom, sizeof(bom));

  log(u"Application: %s", getVersionString());
  log(u"Executing %s->%s->%s", getComputerName(), getUserName(), getProgramPath());
  log(u"Current directory: %s", getCurrentFolder());
  for (const std::u16string& argument : commandLineArgs) log(u"Command-line parameter: [%s]", argument);
  log(u"Log file: %s", logFilePath);
  log(u"Log date: %s UTC", getUtcTimeStampString(std::time(nullptr)));
}

Logger::~Logger() {
  setCrashLogOpen(false);
  delete stream;
}

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
