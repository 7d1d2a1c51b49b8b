#pragma once
// A flag of the language-selection screen: a button whose click makes its
// language the engine root's defaultLanguage.
#include <cstdint>

#include "app/MenuButton.h"

class LanguageFlag : public MenuButton {
 public:
  LanguageFlag(int32_t language, Skin* normal, Skin* hover, Skin* pressed);

  void tick(double time, double delta) override;

  int32_t language;
};
