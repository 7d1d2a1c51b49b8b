#pragma once
// Test support: the game's modules without a fatal report's graphics steps,
// so that a test expecting a fatal error keeps its device and writes no crash
// picture. Header only: the fuzz targets use it too.
#include "app/GameModules.h"

class QuietGameModules : public GameModules {
 public:
  void saveCrashScreenshot(Zib&, const std::u16string&) override {}
  void releaseDisplay(Zib&) override {}
};
