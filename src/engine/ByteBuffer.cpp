#include "engine/ByteBuffer.h"

#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

#include "base/StringUtils.h"

ByteBuffer::~ByteBuffer() { delete[] data; }

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data(std::exchange(other.data, nullptr)), size(std::exchange(other.size, 0)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
  if (this != &other) {
    delete[] data;
    data = std::exchange(other.data, nullptr);
    size = std::exchange(other.size, 0);
  }
  return *this;
}

bool ByteBuffer::append(const void* bytes, size_t count) {
  if (count > std::numeric_limits<uint32_t>::max() - size) return false;
  if (count == 0) return true;
  auto* grown = new uint8_t[size + count];
  if (size) memcpy(grown, data, size);
  memcpy(grown + size, bytes, count);
  delete[] data;
  data = grown;
  size += static_cast<uint32_t>(count);
  return true;
}

void ByteBuffer::clear() {
  delete[] data;
  data = nullptr;
  size = 0;
}

std::u16string ByteBuffer::toText() const {
  const auto* chars = reinterpret_cast<const char*>(data);
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
    return fromUtf8(std::string_view(chars + 3, size - 3));
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    std::u16string text;
    for (uint32_t i = 2; i + 1 < size; i += 2) {
      const char16_t unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
      if (unit == 0) break;
      text += unit;
    }
    return text;
  }
  return fromUtf8(std::string_view(chars, size));
}
