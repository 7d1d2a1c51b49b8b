#pragma once
// The loading screen: settles the language, loads the resources a slice per
// frame, then hands over to the title screen.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "graphics/Context.h"

class ContextManager;
class Renderable;

class Loader : public Context {
 public:
  // Longest stretch of loading in one frame, in seconds.
  static constexpr double kSliceSeconds = 0.25;

  // The title screen is pushed onto `manager`. Deleted by it once finished.
  explicit Loader(ContextManager* manager);

  void tickContents(double time, double delta) override;

  // What is left to load, in order; each step registers its resources.
  std::vector<std::function<void()>> loadSteps;
  size_t nextStep = 0;
  bool bLanguageSet = false;
  // The progress bar: its empty frame and the fill that grows with the steps.
  Renderable* pBarFrame = nullptr;
  Renderable* pBarFill = nullptr;

 private:
  // Picks the language on the first run and makes it current.
  void setupLanguage();
  // The bar's frame and its fill, once the bar's texture is registered.
  void showProgress();
  // Registers a font's glyph pages "<name>1"..., "<name>Extra1"... and the
  // code page's lookup table when its file is there.
  static void fontRes(const std::u16string& name);
  // Creates a glyph font from its registered pages and its settings in
  // "gfx/font/fonts.settings", and registers it under its name.
  static void loadFont(const std::u16string& name);
  // The HUD font: one page from slot 44 (the comma).
  static void loadHudFont();

  ContextManager* manager;
};
