#include "graphics/text/TextLineSegment.h"

#include "graphics/text/FontQuad.h"

TextLineSegment::TextLineSegment(FontQuad* font, UColor color, std::u16string text)
    : text(std::move(text)), color(color) {
  width = font->measureText(true, nullptr, nullptr, 0, this->text).x;
}
