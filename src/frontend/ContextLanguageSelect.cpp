#include "frontend/ContextLanguageSelect.h"

#include "engine/ResourceManager.h"
#include "engine/SystemInfo.h"
#include "engine/Zib.h"
#include "frontend/LanguageFlag.h"
#include "graphics/Texture.h"
#include "localisation/Language.h"
#include "localisation/TextKeys.h"

ContextLanguageSelect::ContextLanguageSelect() {
  bDeleteWhenFinished = 1;
  bEscapeAllowed = 0;  // the loading waits for the choice
  auto* flags = dynamic_cast<Texture*>(zib->pResourceManager->find(false, u"flagsTex"));
  if (!flags) return;
  for (int32_t language = 0; language < Language::kLanguageCount; ++language) {
    if (!Language::isLanguageAllowed(language)) continue;
    // Three looks per language, as the buttons have.
    auto* flag = new LanguageFlag(language, flags->getSkin(3 * language), flags->getSkin(3 * language + 1),
                                  flags->getSkin(3 * language + 2));
    flag->setPosition(-80.0f + 160.0f * static_cast<float>(language), 0, 0);
    appendChild(flag);
  }
}

void ContextLanguageSelect::tickContents(double time, double delta) {
  const int32_t before = zib->defaultLanguage;
  Context::tickContents(time, delta);
  if (zib->defaultLanguage != before && zib->defaultLanguage >= 0) bFinished = 1;
}

int32_t ContextLanguageSelect::autodetectLanguage() {
  const std::u16string code = getSystemLanguageCode();
  for (int32_t language = 0; language < Language::kLanguageCount; ++language)
    if (Language::builtInString(language, LANGUAGEISOCODE) == code) return language;
  return 0;
}
