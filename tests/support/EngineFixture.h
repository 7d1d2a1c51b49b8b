#pragma once
// Test support: a bare engine root with the managers every engine object
// needs (object list, logger writing to a temporary user-data folder, error
// manager, resource manager). Fatal errors throw FatalError instead of ending
// the process.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/StringUtils.h"

class Zib;

struct FatalError : std::runtime_error {
  explicit FatalError(const std::u16string& text) : std::runtime_error(toUtf8(text)), message(text) {}
  std::u16string message;
};

// Sets (or, with nullptr, unsets) an environment variable for its lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void set(const char* value);
  const char* name;
  std::optional<std::string> oldValue;
};

// A fresh temporary folder that $XDG_DATA_HOME points at for its lifetime.
class TempDataHome {
 public:
  TempDataHome();
  ~TempDataHome();
  const std::filesystem::path& path() const { return dir; }

 private:
  std::filesystem::path dir;
  ScopedEnv env{"XDG_DATA_HOME", dir.c_str()};
};

// Installs the throwing fatal hook for its lifetime.
class FatalErrorsThrow {
 public:
  FatalErrorsThrow();
  ~FatalErrorsThrow();
};

// No file may grow beyond `limit` bytes for its lifetime (RLIMIT_FSIZE,
// SIGXFSZ ignored): writes past it fail with EFBIG, as on a full disk.
class NoFileGrowth {
 public:
  explicit NoFileGrowth(rlim_t limit = 0);
  ~NoFileGrowth();
  NoFileGrowth(const NoFileGrowth&) = delete;
  NoFileGrowth& operator=(const NoFileGrowth&) = delete;

 private:
  rlimit old{};
  void (*oldHandler)(int);
};

// Runs `body` in a forked child that writes no core file and returns the
// signal that ended the child: 0 when it exited, -1 when it could not start.
int signalEndingChild(const std::function<void()>& body);

class EngineTest : public ::testing::Test {
 public:
  // Reads a whole file as bytes; "" when it cannot be read.
  static std::string readFile(const std::filesystem::path& path);
  // Writes the bytes as the whole file, making its folders first.
  static void writeFile(const std::filesystem::path& path, std::string_view bytes);
  // The log file's bytes so far.
  static std::string logText();

 protected:
  void SetUp() override;
  void TearDown() override;

  // The user-data folder the engine writes into (ends with "/").
  std::filesystem::path userDataFolder() const;
  // Gives the root a file manager that reads from the disk alone.
  static void useDiskFiles();

  TempDataHome dataHome;
  FatalErrorsThrow fatalErrors;
  Zib* root = nullptr;
};

// Expects `statement` to reach a fatal report whose text contains `needle` (UTF-8).
#define EXPECT_FATAL(statement, needle)                                          \
  do {                                                                           \
    try {                                                                        \
      statement;                                                                 \
      ADD_FAILURE() << "no fatal error from: " #statement;                       \
    } catch (const FatalError& e) {                                              \
      EXPECT_NE(std::string(e.what()).find(needle), std::string::npos) << e.what(); \
    }                                                                            \
  } while (0)
