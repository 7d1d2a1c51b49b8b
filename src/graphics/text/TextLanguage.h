#pragma once
// What the text classes need of the current language: the glyph fonts' code
// page, whether accented letters are composed, and the reading order. The
// language subsystem keeps it current.
#include <string>

struct TextLanguage {
  std::u16string codePage = u"1252";
  std::u16string compositeChars = u"Yes";
  bool bRightToLeft = false;

  static TextLanguage current;
};
