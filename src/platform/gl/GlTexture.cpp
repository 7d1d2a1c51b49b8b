#include "platform/gl/GlTexture.h"

#include "platform/gl/GlDevice.h"
#include "platform/d3dcore/PixelFormat.h"

#include <vector>

namespace {

struct GlFormat {
  GLint internalFormat;
  GLenum format, type;
  bool bOpaque;  // alpha reads 1
};

GlFormat glFormatOf(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_X8R8G8B8: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, true};
    case D3DFMT_R5G6B5: return {GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, true};
    case D3DFMT_X1R5G5B5: return {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, true};
    case D3DFMT_A1R5G5B5: return {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, false};
    case D3DFMT_A4R4G4B4: return {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, false};
    default: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, false};
  }
}

// Whether every pixel of `rect` has full alpha.
bool opaqueIn(const MemorySurface& level, const RECT& rect) {
  const D3DFORMAT format = level.getFormat();
  if (glFormatOf(format).bOpaque) return true;
  const auto width = static_cast<size_t>(rect.right - rect.left);
  std::vector<uint32_t> argb(format == D3DFMT_A8R8G8B8 ? 0 : width);
  for (int32_t y = rect.top; y < rect.bottom; ++y) {
    const uint8_t* row = level.bits() + static_cast<size_t>(y) * level.getPitch() +
                         static_cast<size_t>(rect.left) * bytesPerPixel(format);
    if (format != D3DFMT_A8R8G8B8) {
      convertPixels(row, format, reinterpret_cast<uint8_t*>(argb.data()), D3DFMT_A8R8G8B8, static_cast<int>(width));
      row = reinterpret_cast<const uint8_t*>(argb.data());
    }
    uint8_t alpha = 255;
    for (size_t x = 0; x < width; ++x) alpha &= row[4 * x + 3];
    if (alpha != 255) return false;
  }
  return true;
}

}  // namespace

GlTexture::GlTexture(GlDevice* device_, UINT width, UINT height, D3DFORMAT format, D3DPOOL pool)
    : MemoryTexture(device_, width, height, format, pool), glDevice(device_) {
  const GlFormat gl = glFormatOf(format);
  glGenTextures(1, &texture);
  glDevice->bindForUpload(texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  if (gl.bOpaque) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  bStorage = !GlDevice::outOfMemoryIn([&] {
    glTexImage2D(GL_TEXTURE_2D, 0, gl.internalFormat, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
                 gl.format, gl.type, texels().bits());
  });
  noteOpacity({0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)});
}

GlTexture::~GlTexture() { release(); }

void GlTexture::release() {
  if (!glDevice) return;
  glDevice->flushIfUsing(texture);
  glDevice->forgetBinding(texture);
  glDeleteTextures(1, &texture);
  glDevice = nullptr;
}

void GlTexture::detach() {
  release();
  MemoryTexture::detach();
}

HRESULT GlTexture::beginLock(DWORD flags) {
  // Draws already merged must still see the old texels.
  if (glDevice && !(flags & D3DLOCK_READONLY)) glDevice->flushIfUsing(texture);
  return D3D_OK;
}

void GlTexture::endLock(const RECT& rect, DWORD flags) {
  if (glDevice && !(flags & D3DLOCK_READONLY)) upload(rect);
}

void GlTexture::upload(const RECT& rect) {
  const MemorySurface& level = texels();
  const GlFormat gl = glFormatOf(level.getFormat());
  glDevice->bindForUpload(texture);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(level.getWidth()));
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  const uint8_t* first = level.bits() + static_cast<size_t>(rect.top) * level.getPitch() +
                         static_cast<size_t>(rect.left) * bytesPerPixel(level.getFormat());
  glTexSubImage2D(GL_TEXTURE_2D, 0, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, gl.format,
                  gl.type, first);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  noteOpacity(rect);
}

void GlTexture::noteOpacity(const RECT& rect) {
  const MemorySurface& level = texels();
  if (!opaqueIn(level, rect)) {
    bOpaque = false;
  } else if (!bOpaque) {
    // The rest of the texture may still hold translucent texels.
    bOpaque = opaqueIn(level, {0, 0, static_cast<int32_t>(level.getWidth()), static_cast<int32_t>(level.getHeight())});
  }
}
