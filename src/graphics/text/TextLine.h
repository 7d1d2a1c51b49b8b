#pragma once
// One line of text with colour tags split into coloured runs: U+001E and the
// 8 characters "{RRGGBB}" switch to opaque RRGGBB; "{000001}" back to the
// drawing object's own colour (the value 1).
#include <string>

#include "engine/ZibBase.h"
#include "graphics/UColor.h"

class FontQuad;

class TextLine : public ZibBase {
 public:
  static constexpr char16_t kTagMark = 0x1E;
  static constexpr size_t kTagLength = 8;
  // The colour value that stands for the drawing object's own colour.
  static constexpr UColor kOwnColor = 1;

  // Children: the TextLineSegments in text order. A tag that cannot be read,
  // or one cut off by the end of the text, is fatal.
  TextLine(FontQuad* font, UColor color, std::u16string text);

  // The colour of a tag's 8 characters; false when they hold none.
  static bool readTag(std::u16string_view tag, UColor& color);

  float width = 0;
  UColor endColor = kOwnColor;
};
