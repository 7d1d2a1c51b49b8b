#include "graphics/text/TextBlock.h"

#include <algorithm>
#include <vector>

#include "graphics/text/FontQuad.h"
#include "graphics/text/TextLanguage.h"
#include "graphics/text/TextLine.h"

namespace {

constexpr size_t npos = std::u16string::npos;

// Positions that may end a row: spaces and bars outside colour tags.
std::vector<uint8_t> breakMask(const std::u16string& text) {
  std::vector<uint8_t> mask(text.size(), 0);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == TextLine::kTagMark) {
      i += TextLine::kTagLength;
      continue;
    }
    mask[i] = text[i] == u' ' || text[i] == u'|';
  }
  return mask;
}

}  // namespace

TextBlock::TextBlock(FontQuad* font, float maxWidth, float lineSpacing, std::u16string text) {
  this->lineSpacing = lineSpacing < 0 ? static_cast<float>(font->fontHeight) : lineSpacing;
  int32_t rows = 0;
  const auto addRow = [&](UColor color, std::u16string row) {
    auto* line = new TextLine(font, color, std::move(row));
    appendChild(line);
    width = std::max(width, line->width);
    ++rows;
    return line->endColor;
  };

  if (text.empty()) {
    addRow(TextLine::kOwnColor, u"");
  } else {
    // Rows are taken from the front of a left-to-right text and from the end
    // of a right-to-left one: one loop over positions counted from the side
    // the rows start at. An added space is the last break.
    const bool bFromEnd = TextLanguage::current.bRightToLeft;
    if (bFromEnd)
      text.insert(text.begin(), u' ');
    else
      text.push_back(u' ');
    const std::vector<uint8_t> mask = breakMask(text);
    const size_t n = text.size();
    const auto index = [&](size_t at) { return bFromEnd ? n - 1 - at : at; };
    // The text between two boundaries, read forward.
    const auto row = [&](size_t from, size_t to) { return text.substr(bFromEnd ? n - to : from, to - from); };
    UColor color = TextLine::kOwnColor;
    size_t begin = 0;
    while (begin < n) {
      size_t previous = npos, end = npos;
      for (size_t at = begin; at < n; ++at) {
        if (!mask[index(at)]) continue;
        if (font->getTextSize(row(begin, at)).x > maxWidth) {
          end = previous == npos || previous == begin ? at : previous;
          break;
        }
        if (text[index(at)] == u'|') {
          end = at;
          break;
        }
        previous = at;
      }
      if (end == npos) {
        // No break left: the rest, without the added space.
        color = addRow(color, row(begin, n - 1));
        break;
      }
      color = addRow(color, row(begin, end));
      begin = end + 1;
    }
  }
  height = this->lineSpacing * static_cast<float>(rows - 1) + static_cast<float>(font->fontHeight);
}
