#pragma once
// Test support: a bare engine root with the managers every engine object
// needs (object list, logger writing to a temporary user-data folder, error
// manager, resource manager). Fatal errors throw FatalError instead of ending
// the process.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "engine/StringUtils.h"

class Zib;

struct FatalError : std::runtime_error {
  explicit FatalError(const std::u16string& text) : std::runtime_error(toUtf8(text)), message(text) {}
  std::u16string message;
};

// Points $XDG_DATA_HOME at a fresh temporary folder for the test's lifetime
// and restores the old value afterwards.
class TempDataHome {
 public:
  TempDataHome();
  ~TempDataHome();
  const std::filesystem::path& path() const { return dir; }

 private:
  std::filesystem::path dir;
  std::string oldValue;
  bool hadOldValue = false;
};

// Installs the throwing fatal hook for its lifetime.
class FatalErrorsThrow {
 public:
  FatalErrorsThrow();
  ~FatalErrorsThrow();
};

class EngineTest : public ::testing::Test {
 public:
  // Reads a whole file as bytes; "" when it cannot be read.
  static std::string readFile(const std::filesystem::path& path);

 protected:
  void SetUp() override;
  void TearDown() override;

  // The user-data folder the engine writes into (ends with "/").
  std::filesystem::path userDataFolder() const;

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
