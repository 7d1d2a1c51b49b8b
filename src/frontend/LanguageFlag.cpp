#include "frontend/LanguageFlag.h"

#include "engine/Zib.h"

LanguageFlag::LanguageFlag(int32_t language, Skin* normal, Skin* hover, Skin* pressed)
    : MenuButton(normal, hover, pressed, nullptr, u""), language(language) {}

void LanguageFlag::tick(double time, double delta) {
  MenuButton::tick(time, delta);
  if (bClicked) zib->defaultLanguage = language;
}
