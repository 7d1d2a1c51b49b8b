#include "platform/d3dcore/MemoryTexture.h"

#include "platform/d3dcore/DeviceCore.h"

MemoryTexture::MemoryTexture(DeviceCore* device_, UINT width, UINT height, D3DFORMAT format, D3DPOOL pool)
    : device(device_), level(*this, width, height, format, pool) {
  if (device) device->addTexture(this);
}

MemoryTexture::~MemoryTexture() {
  if (device) device->removeTexture(this);
}

void MemoryTexture::detach() { device = nullptr; }

HRESULT MemoryTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
  if (Level != 0) return D3DERR_INVALIDCALL;
  const HRESULT hr = level.GetDesc(pDesc);
  if (SUCCEEDED(hr)) pDesc->Type = D3DRTYPE_TEXTURE;
  return hr;
}

HRESULT MemoryTexture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
  return Level == 0 ? level.LockRect(pLockedRect, pRect, Flags) : D3DERR_INVALIDCALL;
}

HRESULT MemoryTexture::UnlockRect(UINT Level) { return Level == 0 ? level.UnlockRect() : D3DERR_INVALIDCALL; }

HRESULT MemoryTexture::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) {
  if (Level != 0 || !ppSurfaceLevel) return D3DERR_INVALIDCALL;
  level.AddRef();
  *ppSurfaceLevel = &level;
  return D3D_OK;
}
