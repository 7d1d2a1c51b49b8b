#pragma once
// Indices of the text keys in every language's table.
#include <cstdint>

// The language's own name, in that language ("English", "Deutsch").
constexpr int32_t LANGUAGENAME = 0;
// ISO 639 code ("en", "de"), matched against the system's language.
constexpr int32_t LANGUAGEISOCODE = 1;
// "LTR" or "RTL".
constexpr int32_t LANGUAGEREADINGORDER = 2;
// The code page of the glyph fonts: "1250", "1251", "1252", "1253", "1255", "Korean" or "Japanese".
constexpr int32_t LANGUAGECODEPAGE = 3;
// "Yes" when accented letters are built from base and accent glyphs.
constexpr int32_t LANGUAGECOMPOSITECHARS = 5;

// The screens' own words: the title's buttons, the language question.
// The title's button that leaves the program.
constexpr int32_t MENUQUIT = 860;
// The heading of the language-selection screen, asked in that language.
constexpr int32_t LANGUAGESELECTHEADING = 861;

// Slots per language.
constexpr int32_t LANGUAGEKEYCOUNT = 889;
