#include "platform/gl/GlTexture.h"

#include "platform/gl/GlDevice.h"
#include "platform/d3dcore/PixelFormat.h"

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
  glTexImage2D(GL_TEXTURE_2D, 0, gl.internalFormat, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
               gl.format, gl.type, texels().bits());
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
}
