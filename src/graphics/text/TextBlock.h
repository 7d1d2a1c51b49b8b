#pragma once
// A text with colour tags word-wrapped into rows no wider than a width, at
// spaces and at the forced break '|', in the current language's reading
// order. A word wider than the width gets a row of its own.
#include <string>

#include "engine/ZibBase.h"

class FontQuad;

class TextBlock : public ZibBase {
 public:
  // A line spacing below 0 means the font's height. Children: the rows'
  // TextLines, top row first; each row starts in the colour the last ended in.
  TextBlock(FontQuad* font, float maxWidth, float lineSpacing, std::u16string text);

  float width = 0;
  float height = 0;
  float lineSpacing = 0;
};
