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
  } else if (!TextLanguage::current.bRightToLeft) {
    text.push_back(u' ');
    const std::vector<uint8_t> mask = breakMask(text);
    UColor color = TextLine::kOwnColor;
    size_t begin = 0;
    while (begin < text.size()) {
      size_t previous = npos, end = npos;
      for (size_t at = begin; at < text.size(); ++at) {
        if (!mask[at]) continue;
        if (font->getTextSize(text.substr(begin, at - begin)).x > maxWidth) {
          end = previous == npos || previous == begin ? at : previous;
          break;
        }
        if (text[at] == u'|') {
          end = at;
          break;
        }
        previous = at;
      }
      if (end == npos) {
        // No break left: the rest, without the added space.
        color = addRow(color, text.substr(begin, text.size() - 1 - begin));
        break;
      }
      color = addRow(color, text.substr(begin, end - begin));
      begin = end + 1;
    }
  } else {
    text.insert(text.begin(), u' ');
    const std::vector<uint8_t> mask = breakMask(text);
    UColor color = TextLine::kOwnColor;
    size_t end = text.size();  // the rows are taken from the end backward
    while (end > 0) {
      size_t previous = npos, start = npos;
      for (size_t at = end; at-- > 0;) {
        if (!mask[at]) continue;
        if (font->getTextSize(text.substr(at + 1, end - at - 1)).x > maxWidth) {
          start = previous == npos || previous + 1 == end ? at : previous;
          break;
        }
        if (text[at] == u'|') {
          start = at;
          break;
        }
        previous = at;
      }
      if (start == npos) {
        color = addRow(color, text.substr(1, end - 1));
        break;
      }
      color = addRow(color, text.substr(start + 1, end - start - 1));
      end = start;
    }
  }
  height = this->lineSpacing * static_cast<float>(rows - 1) + static_cast<float>(font->fontHeight);
}
