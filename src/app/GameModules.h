#pragma once
// This game's part of the engine root: its edition's name, its graphics
// manager and its language, started and stopped in the root's order.
#include "engine/ZibModules.h"

class GameModules : public ZibModules {
 public:
  void startGraphics(Zib& zib) override;
  void startDefaultFont(Zib& zib) override;
  void startConsole(Zib& zib) override;
  void startLanguage(Zib& zib) override;
  void stopLanguage(Zib& zib) override;
  void stopConsole(Zib& zib) override;
  void stopDefaultFont(Zib& zib) override;
  void stopGraphics(Zib& zib) override;
  void saveGraphicsSettings(Zib& zib) override;
  void onZIBmodeChange(Zib& zib, int32_t oldMode, int32_t newMode) override;
  void frameTick(Context* root) override;
  void frameRender(Context* root) override;
  void tickConsole(Zib& zib) override;
  void renderConsole(Zib& zib) override;
  ZibBase* rootObject(Context* root) override;
  void saveScreenshot(Zib& zib, Context* root, const std::u16string& path) override;
  int32_t residentTextureBytes() const override;
  int32_t residentImageBytes() const override;
  int32_t screenWidth(const Zib& zib) const override;
  void saveCrashScreenshot(Zib& zib, const std::u16string& path) override;
  void releaseDisplay(Zib& zib) override;
};

// Names the edition (setEdition) and installs the game's modules: the
// program and the tests call it before they build the root.
void installGameModules();
