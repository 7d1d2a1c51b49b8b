#pragma once
// Every language's text table, the current language and the display names of
// the input key slots.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Language {
 public:
  // English and German, compiled in.
  static constexpr int32_t kLanguageCount = 2;
  // Keyboard 0-255, four game controllers of 48 slots from 256, the mouse block 448-455.
  static constexpr int32_t kKeySlotCount = 456;

  // Copies the compiled-in texts into one table per language; language 0 is current.
  Language();
  Language(const Language&) = delete;
  Language& operator=(const Language&) = delete;

  // Makes the language current (language 0 when it is out of range or not
  // allowed), sets the reading order and renames the key slots.
  void setLanguage(int32_t language);
  // In range and allowed by the static configuration (see Language.cpp).
  static bool isLanguageAllowed(int32_t language);
  // Fills keyNames in the current language.
  void applyKeyNames();
  // The current language's text; a key outside the table is fatal.
  const std::u16string& getString(int32_t key) const;
  // A compiled-in text, without a Language object; "" for an unknown language or key.
  static std::u16string_view builtInString(int32_t language, int32_t key);

  // kLanguageCount tables of LANGUAGEKEYCOUNT texts.
  std::vector<std::vector<std::u16string>> tables;
  int32_t currentLanguage = 0;
  uint8_t bRightToLeft = 0;
  // The display name of every key slot; applyKeyNames copies them into the
  // input manager's keyNames when it exists.
  std::vector<std::u16string> keyNames;
};
