#include "platform/d3dcore/PixelFormat.h"

#include <cstring>

namespace {

uint32_t expand(uint32_t value, int bits) {
  // Replicates the top bits so that the largest value becomes 255.
  value <<= 8 - bits;
  return value | (value >> bits);
}

uint32_t shrink(uint32_t value, int bits) { return (value * ((1u << bits) - 1) + 127) / 255; }

uint32_t decode(const uint8_t* p, D3DFORMAT format) {
  uint32_t v;
  switch (format) {
    case D3DFMT_A8R8G8B8:
      std::memcpy(&v, p, 4);
      return v;
    case D3DFMT_X8R8G8B8:
      std::memcpy(&v, p, 4);
      return v | 0xFF000000u;
    default:
      break;
  }
  const uint32_t w = p[0] | (p[1] << 8);
  switch (format) {
    case D3DFMT_R5G6B5:
      return 0xFF000000u | expand(w >> 11, 5) << 16 | expand((w >> 5) & 63, 6) << 8 | expand(w & 31, 5);
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
      const uint32_t a = format == D3DFMT_X1R5G5B5 || (w & 0x8000) ? 0xFF000000u : 0;
      return a | expand((w >> 10) & 31, 5) << 16 | expand((w >> 5) & 31, 5) << 8 | expand(w & 31, 5);
    }
    case D3DFMT_A4R4G4B4:
      return (w >> 12) * 17 << 24 | ((w >> 8) & 15) * 17 << 16 | ((w >> 4) & 15) * 17 << 8 | (w & 15) * 17;
    default:
      return 0;
  }
}

void encode(uint32_t argb, uint8_t* p, D3DFORMAT format) {
  const uint32_t a = argb >> 24, r = (argb >> 16) & 255, g = (argb >> 8) & 255, b = argb & 255;
  uint32_t w;
  switch (format) {
    case D3DFMT_A8R8G8B8:
      std::memcpy(p, &argb, 4);
      return;
    case D3DFMT_X8R8G8B8:
      w = argb | 0xFF000000u;
      std::memcpy(p, &w, 4);
      return;
    case D3DFMT_R5G6B5:
      w = shrink(r, 5) << 11 | shrink(g, 6) << 5 | shrink(b, 5);
      break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
      w = (a >= 128 ? 0x8000u : 0) | shrink(r, 5) << 10 | shrink(g, 5) << 5 | shrink(b, 5);
      break;
    case D3DFMT_A4R4G4B4:
      w = shrink(a, 4) << 12 | shrink(r, 4) << 8 | shrink(g, 4) << 4 | shrink(b, 4);
      break;
    default:
      return;
  }
  p[0] = static_cast<uint8_t>(w);
  p[1] = static_cast<uint8_t>(w >> 8);
}

}  // namespace

int bytesPerPixel(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
      return 4;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
      return 2;
    default:
      return 0;
  }
}

bool formatHasAlpha(D3DFORMAT format) {
  return format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5 || format == D3DFMT_A4R4G4B4;
}

void convertPixels(const uint8_t* source, D3DFORMAT sourceFormat, uint8_t* dest, D3DFORMAT destFormat, int count) {
  const int sourceSize = bytesPerPixel(sourceFormat), destSize = bytesPerPixel(destFormat);
  if (sourceFormat == destFormat) {
    std::memmove(dest, source, static_cast<size_t>(count) * sourceSize);
    return;
  }
  for (int i = 0; i < count; ++i) encode(decode(source + i * sourceSize, sourceFormat), dest + i * destSize, destFormat);
}
