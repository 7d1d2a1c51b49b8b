#pragma once
// A run of one colour inside a line of text, without its tags.
#include <string>

#include "engine/ZibBase.h"
#include "graphics/UColor.h"

class FontQuad;

class TextLineSegment : public ZibBase {
 public:
  // The colour value 1 stands for the drawing object's own colour.
  TextLineSegment(FontQuad* font, UColor color, std::u16string text);

  std::u16string text;
  float width = 0;
  UColor color = 1;
};
