#pragma once
// A text with colour tags word-wrapped to a width and drawn row by row, each
// row segment by segment in the segment's colour (or the view's own colour
// where the text asks for it). The word-wrapped label centres its rows; the
// message viewer sets them flush left on a panel.
#include <string>

#include "graphics/Renderable.h"

class FontQuad;
class TextBlock;

class TextBlockView : public Renderable {
 public:
  // The rows' top edge is at the view's position.
  TextBlockView(FontQuad* font, float maxWidth, float lineSpacing, std::u16string text, bool bCentred);
  ~TextBlockView() override;

  void render() override;
  // Wraps `text` anew.
  void setText(std::u16string text);

  FontQuad* pFont;
  float maxWidth;
  float lineSpacing;
  bool bCentred;
  // Owned.
  TextBlock* pBlock = nullptr;
};
