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

// Slots per language.
constexpr int32_t LANGUAGEKEYCOUNT = 889;

// The options screens and the question before leaving a screen.
constexpr int32_t MENU_OPTIONS = 800;           // the title's button and the options screen's heading
constexpr int32_t MENU_ADVANCED_OPTIONS = 801;  // the advanced options screen's heading
constexpr int32_t MENU_ADVANCED = 802;          // the button that opens it
constexpr int32_t MENU_BACK = 803;
constexpr int32_t MENU_APPLY = 804;
constexpr int32_t MENU_YES = 805;
constexpr int32_t MENU_NO = 806;
constexpr int32_t MENU_OFF = 807;
constexpr int32_t MENU_ON = 808;
constexpr int32_t OPTIONS_SOUND_VOLUME = 809;
constexpr int32_t OPTIONS_MUSIC_VOLUME = 810;
constexpr int32_t OPTIONS_MUTE = 811;
constexpr int32_t OPTIONS_SAMPLE_RATE = 812;
constexpr int32_t OPTIONS_SAMPLE_RATE_NOTE = 813;  // the rate is used from the next start
constexpr int32_t OPTIONS_VIDEO_MODE = 814;
constexpr int32_t OPTIONS_FULL_SCREEN = 815;
constexpr int32_t OPTIONS_LETTERBOX = 816;
constexpr int32_t OPTIONS_BILINEAR_FILTER = 817;
constexpr int32_t OPTIONS_VERTICAL_SYNC = 818;
constexpr int32_t OPTIONS_DETAIL = 819;
constexpr int32_t OPTIONS_DETAIL_LOW = 820;
constexpr int32_t OPTIONS_DETAIL_HIGH = 821;
constexpr int32_t CONFIRM_LEAVE = 822;            // the question when a screen asks before Escape leaves it
constexpr int32_t CONFIRM_DISCARD_CHANGES = 823;  // leaving the advanced options with changes not applied

// The screens' own words: the title's buttons, the language question.
// The title's button that leaves the program.
constexpr int32_t MENU_QUIT = 860;
// The heading of the language-selection screen, asked in that language.
constexpr int32_t LANGUAGE_SELECT_HEADING = 861;
