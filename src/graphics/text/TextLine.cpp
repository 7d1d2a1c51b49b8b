#include "graphics/text/TextLine.h"

#include "engine/ErrorManager.h"
#include "graphics/text/TextLineSegment.h"

bool TextLine::readTag(std::u16string_view tag, UColor& color) {
  // As "{%08x}" reads it: the brace, blanks, a sign, "0x", then hex digits.
  if (tag.size() < kTagLength || tag[0] != u'{') return false;
  size_t i = 1;
  const size_t end = kTagLength;
  while (i < end && (tag[i] == u' ' || (tag[i] >= u'\t' && tag[i] <= u'\r'))) ++i;
  bool bNegative = false;
  if (i < end && (tag[i] == u'+' || tag[i] == u'-')) bNegative = tag[i++] == u'-';
  if (i + 1 < end && tag[i] == u'0' && (tag[i + 1] == u'x' || tag[i + 1] == u'X')) {
    const char16_t after = i + 2 < end ? tag[i + 2] : 0;
    const bool bHexAfter = (after >= u'0' && after <= u'9') || (after >= u'a' && after <= u'f') ||
                           (after >= u'A' && after <= u'F');
    if (bHexAfter) i += 2;
  }
  uint32_t value = 0;
  int digits = 0;
  for (; i < end; ++i) {
    const char16_t c = tag[i];
    uint32_t digit;
    if (c >= u'0' && c <= u'9')
      digit = c - u'0';
    else if (c >= u'a' && c <= u'f')
      digit = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
      digit = c - u'A' + 10;
    else
      break;
    value = value << 4 | digit;
    ++digits;
  }
  if (digits == 0) return false;
  if (bNegative) value = 0u - value;
  color = value == kOwnColor ? kOwnColor : (0xFF000000u | (value & 0x00FFFFFFu));
  return true;
}

TextLine::TextLine(FontQuad* font, UColor color, std::u16string text) {
  if (text.empty()) {
    appendChild(new TextLineSegment(font, color, u""));
    endColor = color;
    return;
  }
  UColor current = color;
  size_t from = 0;
  while (from < text.size()) {
    const size_t mark = text.find(kTagMark, from);
    const size_t runEnd = mark == std::u16string::npos ? text.size() : mark;
    if (runEnd > from) {
      auto* segment = new TextLineSegment(font, current, text.substr(from, runEnd - from));
      width += segment->width;
      appendChild(segment);
    }
    if (mark == std::u16string::npos) break;
    const std::u16string_view tag = std::u16string_view(text).substr(mark + 1, kTagLength);
    // A tag cut short by the end of the text is as unreadable as a malformed one.
    if (tag.size() < kTagLength || !readTag(tag, current))
      ZIB_ERROR(u"Couldn't extract markup from line '%s'", tag);
    from = mark + 1 + kTagLength;
  }
  endColor = current;
}
