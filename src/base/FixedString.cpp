#include "base/FixedString.h"

#include <cstring>
#include <utility>

#include "base/StringUtils.h"

namespace {

void assignFixedString(char* destination, size_t fieldSize, std::u16string text) {
  std::string bytes = toUtf8(text);
  while (bytes.size() >= fieldSize) {
    text.pop_back();
    bytes = toUtf8(text);
  }
  memcpy(destination, bytes.c_str(), bytes.size() + 1);
}

}  // namespace

void assignFixedString32(char (&destination)[32], std::u16string text) {
  assignFixedString(destination, sizeof destination, std::move(text));
}

void assignFixedString16(char (&destination)[16], std::u16string text) {
  assignFixedString(destination, sizeof destination, std::move(text));
}
