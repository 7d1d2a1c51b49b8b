#include "app/TextBlockView.h"

#include "graphics/text/FontQuad.h"
#include "graphics/text/TextBlock.h"
#include "graphics/text/TextLanguage.h"
#include "graphics/text/TextLine.h"
#include "graphics/text/TextLineSegment.h"

TextBlockView::TextBlockView(FontQuad* font, float maxWidth, float lineSpacing, std::u16string text, bool bCentred)
    : pFont(font), maxWidth(maxWidth), lineSpacing(lineSpacing), bCentred(bCentred) {
  setText(std::move(text));
}

TextBlockView::~TextBlockView() {
  if (pBlock) pBlock->destroy();
}

void TextBlockView::setText(std::u16string text) {
  if (pBlock) pBlock->destroy();
  pBlock = new TextBlock(pFont, maxWidth, lineSpacing, std::move(text));
}

void TextBlockView::render() {
  if (bHidden || !pBlock) return;
  float y = position.y;
  for (BasicLink* row = pBlock->firstChild; row; row = row->next) {
    const auto* line = static_cast<TextLine*>(row);
    // A right-to-left language puts a row's spare space in front.
    float x = bCentred                                ? position.x - line->width / 2
              : TextLanguage::current.bRightToLeft ? position.x + (maxWidth - line->width)
                                                      : position.x;
    for (BasicLink* node = line->firstChild; node; node = node->next) {
      const auto* segment = static_cast<TextLineSegment*>(node);
      const UColor segmentColor = segment->color == TextLine::kOwnColor ? color : segment->color;
      pFont->drawText(x, y, position.z, segmentColor, 0, segment->text);
      x += segment->width;
    }
    y -= pBlock->lineSpacing;
  }
}
