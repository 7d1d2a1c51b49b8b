#include "localisation/Language.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/Zib.h"
#include "frontend/ContextLanguageSelect.h"
#include "localisation/TextKeys.h"
#include "support/EngineFixture.h"

namespace {

using LanguageTest = EngineTest;

TEST_F(LanguageTest, SetLanguageKeepsOnlyAllowedLanguagesAndTheirReadingOrder) {
  Language language;
  auto chosen = [&](int32_t index) {
    language.setLanguage(index);
    return language.currentLanguage;
  };
  EXPECT_EQ(chosen(1), 1);
  EXPECT_EQ(language.getString(LANGUAGEISOCODE), u"de");
  EXPECT_EQ(language.getString(LANGUAGECODEPAGE), u"1252");
  EXPECT_EQ(language.getString(LANGUAGECOMPOSITECHARS), u"Yes");
  EXPECT_EQ(chosen(2), 0);
  EXPECT_EQ(chosen(-1), 0);
  EXPECT_FATAL(language.getString(LANGUAGEKEYCOUNT), "key < LANGUAGEKEYCOUNT");

  zib->languageMask = u"10";
  EXPECT_EQ(chosen(1), 0);
  zib->languageMask = u"1";  // none past the mask's end
  EXPECT_EQ(chosen(1), 0);
  zib->languageMask = u"01";
  zib->singleLanguage = 1;
  EXPECT_EQ(chosen(1), 1);
  zib->languageMask = u"11";  // a single-language edition keeps the mask's first
  EXPECT_EQ(chosen(1), 0);

  zib->singleLanguage = 0;
  language.tables[1][LANGUAGEREADINGORDER] = u"RTL";
  chosen(1);
  EXPECT_TRUE(language.bRightToLeft);
  chosen(0);
  EXPECT_FALSE(language.bRightToLeft);
}

TEST_F(LanguageTest, KeyNamesCoverEverySlotInTheCurrentLanguage) {
  Language language;
  language.setLanguage(0);
  const auto& names = language.keyNames;
  ASSERT_EQ(names.size(), 456u);
  for (const std::u16string& name : names) EXPECT_FALSE(name.empty());
  const std::pair<int, const char16_t*> english[] = {
      {0x01, u"Escape"},         {0x0B, u"0"},           {0x32, u"M"},          {0x44, u"F10"},
      {0x57, u"F11"},            {0x54, u"Key 84"},      {256, u"(1) Up"},      {259, u"(1) Right"},
      {260, u"Key 260"},         {272, u"(1) Button 1"}, {447, u"(4) Button 32"}, {448, u"Mouse up"},
      {455, u"Mouse button 4"}};
  for (const auto& [slot, name] : english) EXPECT_EQ(names[slot], name) << slot;

  language.setLanguage(1);
  EXPECT_EQ(names[0x01], u"Esc");
  EXPECT_EQ(names[0x10], u"Q");
  EXPECT_EQ(names[304], u"(2) Hoch");
  EXPECT_EQ(names[455], u"Maustaste 4");
}

TEST(LanguageDetectTest, PicksTheLanguageOfTheSystemLocaleElseEnglish) {
  const std::pair<const char*, int32_t> cases[] = {{"de_DE.UTF-8", 1}, {"fr_FR.UTF-8", 0}, {"en_GB", 0}};
  for (const auto& [locale, expected] : cases) {
    ScopedEnv lcAll("LC_ALL", locale);
    EXPECT_EQ(ContextLanguageSelect::autodetectLanguage(), expected) << locale;
  }
}

}  // namespace
