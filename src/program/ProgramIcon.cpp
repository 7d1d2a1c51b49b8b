#include "program/ProgramIcon.h"

#include <cstddef>
#include <cstdint>

extern const unsigned char kProgramIconTga[];
extern const size_t kProgramIconTgaSize;

WindowIcon programIcon() {
  const unsigned char* tga = kProgramIconTga;
  if (kProgramIconTgaSize < 18 || tga[2] != 2 || tga[16] != 32) return {};
  WindowIcon icon;
  icon.width = tga[12] | tga[13] << 8;
  icon.height = tga[14] | tga[15] << 8;
  const size_t count = size_t(icon.width) * size_t(icon.height);
  const size_t start = 18 + tga[0];  // after the image id
  if (kProgramIconTgaSize < start + count * 4) return {};
  const bool bTopFirst = (tga[17] & 0x20) != 0;
  icon.argb.resize(count);
  for (int y = 0; y < icon.height; ++y) {
    const unsigned char* row = tga + start + size_t(bTopFirst ? y : icon.height - 1 - y) * icon.width * 4;
    for (int x = 0; x < icon.width; ++x) {
      const unsigned char* p = row + size_t(x) * 4;  // B, G, R, A
      icon.argb[size_t(y) * icon.width + x] = uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
  }
  return icon;
}
