#include "platform/d3dcore/MemorySurface.h"

#include "platform/d3dcore/PixelFormat.h"

MemorySurface::MemorySurface(D3DFORMAT format_, UINT width_, UINT height_, D3DPOOL pool_, D3DRESOURCETYPE type_)
    : format(format_), width(width_), height(height_), pool(pool_), type(type_) {
  reshape(format_, width_, height_);
}

void MemorySurface::reshape(D3DFORMAT newFormat, UINT newWidth, UINT newHeight) {
  format = newFormat;
  width = newWidth;
  height = newHeight;
  pitch = static_cast<int>(width) * bytesPerPixel(format);
  pixels.assign(static_cast<size_t>(pitch) * height, 0);
}

HRESULT MemorySurface::GetDesc(D3DSURFACE_DESC* pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = {format, type, 0, pool, D3DMULTISAMPLE_NONE, 0, width, height};
  return D3D_OK;
}

HRESULT MemorySurface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
  if (!pLockedRect || bLocked) return D3DERR_INVALIDCALL;
  RECT rect = {0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
  if (pRect) {
    if (pRect->left < 0 || pRect->top < 0 || pRect->right > rect.right || pRect->bottom > rect.bottom ||
        pRect->left >= pRect->right || pRect->top >= pRect->bottom)
      return D3DERR_INVALIDCALL;
    rect = *pRect;
  }
  const HRESULT hr = beginLock(Flags);
  if (FAILED(hr)) return hr;
  bLocked = true;
  lockedRect = rect;
  lockFlags = Flags;
  pLockedRect->Pitch = pitch;
  pLockedRect->pBits = pixels.data() + static_cast<size_t>(rect.top) * pitch + rect.left * bytesPerPixel(format);
  return D3D_OK;
}

HRESULT MemorySurface::UnlockRect() {
  if (!bLocked) return D3DERR_INVALIDCALL;
  bLocked = false;
  endLock(lockedRect, lockFlags);
  return D3D_OK;
}
