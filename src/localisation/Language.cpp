#include "localisation/Language.h"

#include <algorithm>
#include <span>

#include "engine/ErrorManager.h"
#include "base/Format.h"
#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "graphics/text/TextLanguage.h"
#include "localisation/TextKeys.h"

namespace {

struct TextEntry {
  int32_t key;
  const char16_t* text;
};

struct ScanCodeName {
  uint8_t scanCode;
  const char16_t* name;
};

struct TranslatedKey {
  uint8_t scanCode;
  const char16_t* names[Language::kLanguageCount];
};

// Display names of one language for the key slots.
struct KeyNameTexts {
  const char16_t* directions[4];  // controller up, down, left, right
  const char16_t* button;         // "%d": controller button from 1
  const char16_t* mouse[4];       // mouse up, down, left, right
  const char16_t* mouseButton;    // "%d": mouse button from 1
  const char16_t* other;          // "%d": the slot number
};

struct LanguageData {
  std::span<const TextEntry> texts;
  KeyNameTexts keyNames;
};

constexpr TextEntry kEnglishTexts[] = {
    {LANGUAGENAME, u"English"}, {LANGUAGEISOCODE, u"en"},      {LANGUAGEREADINGORDER, u"LTR"},
    {LANGUAGECODEPAGE, u"1252"}, {LANGUAGECOMPOSITECHARS, u"Yes"},
    // The screens' words.
    {MENU_QUIT, u"Quit"}, {LANGUAGE_SELECT_HEADING, u"Choose your language"},
};

constexpr TextEntry kGermanTexts[] = {
    {LANGUAGENAME, u"Deutsch"}, {LANGUAGEISOCODE, u"de"},      {LANGUAGEREADINGORDER, u"LTR"},
    {LANGUAGECODEPAGE, u"1252"}, {LANGUAGECOMPOSITECHARS, u"Yes"},
    // The screens' words.
    {MENU_QUIT, u"Beenden"}, {LANGUAGE_SELECT_HEADING, u"W\u00e4hle deine Sprache"},
};

// Keyboard keys labelled alike in every language (scan codes in DirectInput numbering).
constexpr ScanCodeName kCommonKeys[] = {
    {0x0C, u"-"},     {0x0D, u"="},     {0x1A, u"["},     {0x1B, u"]"},     {0x27, u";"},
    {0x28, u"'"},     {0x29, u"`"},     {0x2B, u"\\"},    {0x33, u","},     {0x34, u"."},
    {0x35, u"/"},     {0x37, u"Num *"}, {0x47, u"Num 7"}, {0x48, u"Num 8"}, {0x49, u"Num 9"},
    {0x4A, u"Num -"}, {0x4B, u"Num 4"}, {0x4C, u"Num 5"}, {0x4D, u"Num 6"}, {0x4E, u"Num +"},
    {0x4F, u"Num 1"}, {0x50, u"Num 2"}, {0x51, u"Num 3"}, {0x52, u"Num 0"}, {0x53, u"Num ."},
    {0x57, u"F11"},   {0x58, u"F12"},   {0xB5, u"Num /"}, {0xC5, u"Pause"},
};

// Keyboard keys named differently in each language, by language index.
constexpr TranslatedKey kTranslatedKeys[] = {
    {0x01, {u"Escape", u"Esc"}},                  {0x0E, {u"Backspace", u"R\u00fccktaste"}},
    {0x0F, {u"Tab", u"Tabulator"}},               {0x1C, {u"Enter", u"Eingabe"}},
    {0x1D, {u"Left Ctrl", u"Strg links"}},        {0x2A, {u"Left Shift", u"Umschalt links"}},
    {0x36, {u"Right Shift", u"Umschalt rechts"}}, {0x38, {u"Left Alt", u"Alt"}},
    {0x39, {u"Space", u"Leertaste"}},             {0x3A, {u"Caps Lock", u"Feststelltaste"}},
    {0x45, {u"Num Lock", u"Num-Taste"}},          {0x46, {u"Scroll Lock", u"Rollen"}},
    {0x9C, {u"Num Enter", u"Num Eingabe"}},       {0x9D, {u"Right Ctrl", u"Strg rechts"}},
    {0xB7, {u"Print Screen", u"Druck"}},          {0xB8, {u"Right Alt", u"Alt Gr"}},
    {0xC7, {u"Home", u"Pos1"}},                   {0xC8, {u"Up", u"Pfeil hoch"}},
    {0xC9, {u"Page Up", u"Bild auf"}},            {0xCB, {u"Left", u"Pfeil links"}},
    {0xCD, {u"Right", u"Pfeil rechts"}},          {0xCF, {u"End", u"Ende"}},
    {0xD0, {u"Down", u"Pfeil runter"}},           {0xD1, {u"Page Down", u"Bild ab"}},
    {0xD2, {u"Insert", u"Einfg"}},                {0xD3, {u"Delete", u"Entf"}},
    {0xDB, {u"Left Windows", u"Windows links"}},  {0xDC, {u"Right Windows", u"Windows rechts"}},
    {0xDD, {u"Menu", u"Anwendung"}},
};

constexpr LanguageData kLanguages[Language::kLanguageCount] = {
    {kEnglishTexts,
     {{u"Up", u"Down", u"Left", u"Right"}, u"Button %d",
      {u"Mouse up", u"Mouse down", u"Mouse left", u"Mouse right"}, u"Mouse button %d", u"Key %d"}},
    {kGermanTexts,
     {{u"Hoch", u"Runter", u"Links", u"Rechts"}, u"Knopf %d",
      {u"Maus hoch", u"Maus runter", u"Maus links", u"Maus rechts"}, u"Maustaste %d", u"Taste %d"}},
};

// Rows of keys named by their one character, from their first scan code.
struct KeyRow {
  uint8_t firstScanCode;
  std::u16string_view labels;
};
constexpr KeyRow kCharacterRows[] = {{0x02, u"1234567890"}, {0x10, u"QWERTYUIOP"}, {0x1E, u"ASDFGHJKL"},
                                     {0x2C, u"ZXCVBNM"}};
constexpr uint8_t kF1 = 0x3B;  // F1 to F10 follow one another

constexpr int32_t kControllerFirstSlot = 256;
constexpr int32_t kControllerSlots = 48;
constexpr int32_t kControllerFirstButton = 16;
constexpr int32_t kControllerButtons = 32;
constexpr int32_t kMouseFirstSlot = 448;


// The options screens and the question before leaving a screen, by language index.
constexpr TextEntry kEnglishOptionTexts[] = {
    {MENU_OPTIONS, u"Options"},
    {MENU_ADVANCED_OPTIONS, u"Advanced options"},
    {MENU_ADVANCED, u"Advanced"},
    {MENU_BACK, u"Back"},
    {MENU_APPLY, u"Apply"},
    {MENU_YES, u"Yes"},
    {MENU_NO, u"No"},
    {MENU_OFF, u"Off"},
    {MENU_ON, u"On"},
    {OPTIONS_SOUND_VOLUME, u"Sound volume"},
    {OPTIONS_MUSIC_VOLUME, u"Music volume"},
    {OPTIONS_MUTE, u"Mute all sound"},
    {OPTIONS_SAMPLE_RATE, u"Sample rate"},
    {OPTIONS_SAMPLE_RATE_NOTE, u"A new sample rate is used from the next start."},
    {OPTIONS_VIDEO_MODE, u"Video mode"},
    {OPTIONS_FULL_SCREEN, u"Full screen"},
    {OPTIONS_LETTERBOX, u"Bars at the sides"},
    {OPTIONS_BILINEAR_FILTER, u"Bilinear filtering"},
    {OPTIONS_VERTICAL_SYNC, u"Vertical sync"},
    {OPTIONS_DETAIL, u"Detail"},
    {OPTIONS_DETAIL_LOW, u"Low"},
    {OPTIONS_DETAIL_HIGH, u"High"},
    {CONFIRM_LEAVE, u"Do you really want to leave?"},
    {CONFIRM_DISCARD_CHANGES, u"Leave without applying your changes?"},
};

constexpr TextEntry kGermanOptionTexts[] = {
    {MENU_OPTIONS, u"Optionen"},
    {MENU_ADVANCED_OPTIONS, u"Erweiterte Optionen"},
    {MENU_ADVANCED, u"Erweitert"},
    {MENU_BACK, u"Zur\u00fcck"},
    {MENU_APPLY, u"\u00dcbernehmen"},
    {MENU_YES, u"Ja"},
    {MENU_NO, u"Nein"},
    {MENU_OFF, u"Aus"},
    {MENU_ON, u"An"},
    {OPTIONS_SOUND_VOLUME, u"Lautst\u00e4rke Ger\u00e4usche"},
    {OPTIONS_MUSIC_VOLUME, u"Lautst\u00e4rke Musik"},
    {OPTIONS_MUTE, u"Ton ganz aus"},
    {OPTIONS_SAMPLE_RATE, u"Abtastrate"},
    {OPTIONS_SAMPLE_RATE_NOTE, u"Eine neue Abtastrate gilt ab dem n\u00e4chsten Start."},
    {OPTIONS_VIDEO_MODE, u"Aufl\u00f6sung"},
    {OPTIONS_FULL_SCREEN, u"Vollbild"},
    {OPTIONS_LETTERBOX, u"Balken am Rand"},
    {OPTIONS_BILINEAR_FILTER, u"Bilineare Filterung"},
    {OPTIONS_VERTICAL_SYNC, u"Vertikale Synchronisation"},
    {OPTIONS_DETAIL, u"Details"},
    {OPTIONS_DETAIL_LOW, u"Wenig"},
    {OPTIONS_DETAIL_HIGH, u"Viel"},
    {CONFIRM_LEAVE, u"Wirklich verlassen?"},
    {CONFIRM_DISCARD_CHANGES, u"Verlassen, ohne die \u00c4nderungen zu \u00fcbernehmen?"},
};

constexpr std::span<const TextEntry> kOptionTexts[Language::kLanguageCount] = {kEnglishOptionTexts,
                                                                              kGermanOptionTexts};
}  // namespace

Language::Language() : tables(kLanguageCount, std::vector<std::u16string>(LANGUAGEKEYCOUNT)), keyNames(kKeySlotCount) {
  for (int32_t language = 0; language < kLanguageCount; ++language)
    for (const auto texts : {kLanguages[language].texts, kOptionTexts[language]})
      for (const TextEntry& entry : texts) tables[language][entry.key] = entry.text;
}

// The static configuration's "languageMask" holds one character per language
// index, '1' allowing that language; an empty mask allows them all. A
// single-language edition ("singleLanguage" not 0) offers only the first
// language its mask allows.
bool Language::isLanguageAllowed(int32_t language) {
  if (language < 0 || language >= kLanguageCount) return false;
  const std::u16string& mask = zib->languageMask;
  auto inMask = [&](int32_t i) { return mask.empty() || (static_cast<size_t>(i) < mask.size() && mask[i] == u'1'); };
  if (!inMask(language)) return false;
  if (zib->singleLanguage == 0) return true;
  for (int32_t i = 0; i < language; ++i)
    if (inMask(i)) return false;
  return true;
}

void Language::setLanguage(int32_t language) {
  currentLanguage = isLanguageAllowed(language) ? language : 0;
  bRightToLeft = getString(LANGUAGEREADINGORDER) == u"RTL";
  // The text classes read the code page and reading order from here.
  TextLanguage::current = {getString(LANGUAGECODEPAGE), getString(LANGUAGECOMPOSITECHARS), bRightToLeft != 0};
  applyKeyNames();
}

void Language::applyKeyNames() {
  const KeyNameTexts& texts = kLanguages[currentLanguage].keyNames;
  for (int32_t slot = 0; slot < kKeySlotCount; ++slot) keyNames[slot] = formatString(texts.other, slot);

  for (const KeyRow& row : kCharacterRows)
    for (size_t i = 0; i < row.labels.size(); ++i) keyNames[row.firstScanCode + i] = std::u16string(1, row.labels[i]);
  for (int32_t i = 0; i < 10; ++i) keyNames[kF1 + i] = formatString(u"F%d", i + 1);
  for (const ScanCodeName& key : kCommonKeys) keyNames[key.scanCode] = key.name;
  for (const TranslatedKey& key : kTranslatedKeys) keyNames[key.scanCode] = key.names[currentLanguage];

  for (int32_t j = 0; j < 4; ++j) {
    const int32_t first = kControllerFirstSlot + kControllerSlots * j;
    const std::u16string prefix = formatString(u"(%d) ", j + 1);
    for (int32_t d = 0; d < 4; ++d) keyNames[first + d] = prefix + texts.directions[d];
    for (int32_t b = 0; b < kControllerButtons; ++b)
      keyNames[first + kControllerFirstButton + b] = prefix + formatString(texts.button, b + 1);
  }
  for (int32_t i = 0; i < 4; ++i) {
    keyNames[kMouseFirstSlot + i] = texts.mouse[i];
    keyNames[kMouseFirstSlot + 4 + i] = formatString(texts.mouseButton, i + 1);
  }
  // The input manager owns the names the game shows.
  if (zib && zib->pZibInput) std::ranges::copy(keyNames, zib->pZibInput->keyNames);
}

const std::u16string& Language::getString(int32_t key) const {
  ZIB_ASSERT(key >= 0 && key < LANGUAGEKEYCOUNT);
  return tables[currentLanguage][key];
}

std::u16string_view Language::builtInString(int32_t language, int32_t key) {
  if (language < 0 || language >= kLanguageCount) return {};
  for (const TextEntry& entry : kLanguages[language].texts)
    if (entry.key == key) return entry.text;
  return {};
}
