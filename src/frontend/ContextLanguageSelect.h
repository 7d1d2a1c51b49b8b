#pragma once
// The language-selection screen: one flag per language; a click on a flag
// makes it the engine's language for this and later starts. The loading
// screen shows it when no language is chosen, and the first start picks one
// from the system's language without asking.
#include <cstdint>

#include "graphics/Context.h"

class ContextLanguageSelect : public Context {
 public:
  // Deleted by the screen manager once a flag was clicked.
  ContextLanguageSelect();

  void tickContents(double time, double delta) override;

  // The language whose ISO code is the system's language, else 0 (English).
  static int32_t autodetectLanguage();
};
