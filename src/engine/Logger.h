#pragma once
// The engine's text log: one UTF-8 file per run in the user-data folder,
// each line prefixed with the milliseconds since the previous one.
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/ClassInfo.h"
#include "base/Format.h"
#include "base/StringUtils.h"

class FileStream;

class Logger {
  ZIB_DECLARE_ROOT_CLASS()
 public:
  // Opens getLogFilePath() and writes the header.
  Logger();
  virtual ~Logger();

  template <class... Args>
  void log(std::u16string_view format, const Args&... args) {
    writeMessage(formatString(format, args...));
  }
  // Writes one already formatted line; whole lines from any thread (timers,
  // the audio mixer). Recursive, so that a fault reported while a line is
  // being written still gets its lines out.
  void writeMessage(const std::u16string& message);
  // Flushes, closes and copies the log to the crash-log path; later lines are dropped.
  void close();

  std::u16string logFilePath;
  FileStream* stream = nullptr;
  // Milliseconds clock of the previous line; set once the first line is out.
  uint32_t lastLineTime = 0;
  bool bHasLastLine = false;

 private:
  std::recursive_mutex lineMutex;
};

std::u16string logFileName();
std::u16string getLogFilePath();

// "%s(): %s" with the calling function's name, through zib's logger when there is one.
void logFunctionMessage(const std::u16string& function, const std::u16string& message);
#define ZIB_LOG(format, ...) ::logFunctionMessage(ZIB_FUNCTION, ::formatString(format __VA_OPT__(, ) __VA_ARGS__))
