#pragma once
// Fatal error reporting: the engine's one way to fail.
#include <cstdint>
#include <functional>
#include <string>

#include "engine/ClassInfo.h"
#include "base/Format.h"
#include "base/StringUtils.h"

class ErrorManager {
  ZIB_DECLARE_ROOT_CLASS()
 public:
  ErrorManager();
  virtual ~ErrorManager() = default;

  // Logs, saves the crash screenshot, leaves full screen, shows the message,
  // closes the log (copying it to the crash log) and ends the process.
  template <class... Args>
  [[noreturn]] void error(std::u16string_view format, const Args&... args) {
    fail(formatString(format, args...));
  }

  // The report itself. Safe without an engine root or any manager. A failure
  // inside the report does not start it again: the steps after the failing
  // one run, and the process ends.
  [[noreturn]] static void fail(const std::u16string& message);

  // "S_OK" for every value >= 0, else "NAME (0x%08x)".
  static std::u16string getHRESULTString(int32_t hr);

  // Test seam: called with the message after the report and before the
  // process ends. A hook that throws turns fatal errors into exceptions.
  using FatalHook = std::function<void(const std::u16string& message)>;
  static void setFatalHook(FatalHook hook);

  // The exit status of a fatal error (-1 as an 8-bit process status).
  static constexpr int kExitCode = 255;
};

// The two report forms, filled with the calling function, file and line.
[[noreturn]] void reportError(const std::u16string& function, const char* file, int line,
                              const std::u16string& message);
[[noreturn]] void reportAssertion(const std::u16string& function, const char* file, int line,
                                  const char16_t* statement);
// The assertion form with `message` in place of "Assertion failed.": a failed
// platform call named by its result.
[[noreturn]] void reportFailedStatement(const std::u16string& message, const char16_t* statement,
                                        const std::u16string& function, const char* file, int line);

#define ZIB_ERROR(format, ...) \
  ::reportError(ZIB_FUNCTION, __FILE__, __LINE__, ::formatString(format __VA_OPT__(, ) __VA_ARGS__))
#define ZIB_ASSERT(condition)                                                   \
  do {                                                                          \
    if (!(condition)) ::reportAssertion(ZIB_FUNCTION, __FILE__, __LINE__, u"" #condition); \
  } while (0)
