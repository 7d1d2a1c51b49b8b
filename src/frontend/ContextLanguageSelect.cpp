#include "frontend/ContextLanguageSelect.h"

#include "engine/SystemInfo.h"
#include "localisation/Language.h"
#include "localisation/TextKeys.h"

int32_t ContextLanguageSelect::autodetectLanguage() {
  const std::u16string code = getSystemLanguageCode();
  for (int32_t language = 0; language < Language::kLanguageCount; ++language)
    if (Language::builtInString(language, LANGUAGEISOCODE) == code) return language;
  return 0;
}
