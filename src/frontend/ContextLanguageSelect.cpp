#include "frontend/ContextLanguageSelect.h"

#include "engine/ResourceManager.h"
#include "engine/SystemInfo.h"
#include "engine/Zib.h"
#include "frontend/LanguageFlag.h"
#include "graphics/Texture.h"
#include "graphics/text/FontGDI.h"
#include "graphics/text/FontQuad.h"
#include "localisation/Language.h"
#include "localisation/TextKeys.h"

int32_t ContextLanguageSelect::lastLanguage = -1;

namespace {

// The flags' row; the names hang below it, the heading above.
constexpr float kFlagY = 10, kFlagStep = 200, kNameGap = 58, kHeadingY = 160, kHeadingStep = 34;

}  // namespace

ContextLanguageSelect::ContextLanguageSelect() {
  bDeleteWhenFinished = 1;
  // The fonts of the game load after the question (their glyph set follows the
  // language): these texts take TrueType faces.
  pHeadingFont = new FontGDI(26, 1, 1, 1, u"DejaVu Sans");
  pNameFont = new FontGDI(20, 1, 1, 1, u"DejaVu Sans");
  std::vector<int32_t> offered;
  for (int32_t language = 0; language < Language::kLanguageCount; ++language)
    if (Language::isLanguageAllowed(language)) offered.push_back(language);
  auto* flags = dynamic_cast<Texture*>(zib->pResourceManager->find(false, u"flagsTex"));
  const float first = -kFlagStep * static_cast<float>(offered.size() - 1) / 2;
  for (size_t i = 0; i < offered.size(); ++i) {
    const int32_t language = offered[i];
    headings.emplace_back(Language::builtInString(language, LANGUAGE_SELECT_HEADING));
    const float x = first + kFlagStep * static_cast<float>(i);
    names.push_back({x, kFlagY - kNameGap, std::u16string(Language::builtInString(language, LANGUAGENAME))});
    if (!flags) continue;
    // Three looks per language, as the buttons have.
    auto* flag = new LanguageFlag(language, flags->getSkin(3 * language), flags->getSkin(3 * language + 1),
                                  flags->getSkin(3 * language + 2));
    flag->setPosition(x, kFlagY, 0);
    addItem(flag);
  }
  // The keyboard starts on the language that Escape would keep.
  const int32_t fallback = fallbackLanguage();
  for (size_t i = 0; i < offered.size(); ++i)
    if (offered[i] == fallback) focusedItem = static_cast<int32_t>(i);
}

ContextLanguageSelect::~ContextLanguageSelect() {
  // Never leave the choice open: the next start would ask again, and again.
  if (zib && zib->defaultLanguage < 0) zib->defaultLanguage = fallbackLanguage();
  if (pHeadingFont) pHeadingFont->destroy();
  if (pNameFont) pNameFont->destroy();
}

void ContextLanguageSelect::tickContents(double time, double delta) {
  const int32_t before = zib->defaultLanguage;
  ContextMenu::tickContents(time, delta);
  if (zib->defaultLanguage != before && zib->defaultLanguage >= 0) bFinished = 1;
}

void ContextLanguageSelect::renderContents() {
  Context::renderContents();
  constexpr int32_t kCentred = FontQuad::kAlignCentre | FontQuad::kCentreVertically;
  float y = kHeadingY;
  for (const std::u16string& heading : headings) {
    pHeadingFont->drawText(0, y, 0, 0xFFFFE8A0, kCentred, heading);
    y -= kHeadingStep;
  }
  for (const Label& name : names) pNameFont->drawText(name.x, name.y, 0, 0xFFFFFFFF, kCentred, name.text);
}

int32_t ContextLanguageSelect::autodetectLanguage() {
  const std::u16string code = getSystemLanguageCode();
  for (int32_t language = 0; language < Language::kLanguageCount; ++language)
    if (Language::builtInString(language, LANGUAGEISOCODE) == code) return language;
  return 0;
}

int32_t ContextLanguageSelect::fallbackLanguage() {
  return Language::isLanguageAllowed(lastLanguage) ? lastLanguage : autodetectLanguage();
}
