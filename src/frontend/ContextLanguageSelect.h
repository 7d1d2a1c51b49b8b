#pragma once
// The language-selection screen. For now only its choice of a first language;
// the screen itself comes with the other front-end screens.
#include <cstdint>

class ContextLanguageSelect {
 public:
  // The language whose ISO code is the system's language, else 0 (English).
  static int32_t autodetectLanguage();
};
