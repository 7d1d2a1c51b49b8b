#pragma once
// A one-level texture whose texels live in memory. Backends that draw keep
// their own copy in step through the lock hooks.
#include "platform/d3dcore/MemorySurface.h"
#include "platform/d3dcore/RefCounted.h"

class DeviceCore;

class MemoryTexture : public RefCounted<IDirect3DTexture9> {
 public:
  MemoryTexture(DeviceCore* device, UINT width, UINT height, D3DFORMAT format, D3DPOOL pool);

  DWORD GetLevelCount() override { return 1; }
  HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
  HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
  HRESULT UnlockRect(UINT Level) override;
  HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;

  const MemorySurface& texels() const { return level; }
  // The device is going away: drop what belongs to it.
  virtual void detach();

 protected:
  ~MemoryTexture() override;
  virtual HRESULT beginLock(DWORD) { return D3D_OK; }
  virtual void endLock(const RECT&, DWORD) {}

  DeviceCore* device;

 private:
  // Level 0: counts its references on the texture.
  class Level : public MemorySurface {
   public:
    Level(MemoryTexture& owner_, UINT width, UINT height, D3DFORMAT format, D3DPOOL pool)
        : MemorySurface(format, width, height, pool), owner(owner_) {}
    ~Level() override = default;
    ULONG AddRef() override { return owner.AddRef(); }
    ULONG Release() override { return owner.Release(); }

   protected:
    HRESULT beginLock(DWORD flags) override { return owner.beginLock(flags); }
    void endLock(const RECT& rect, DWORD flags) override { owner.endLock(rect, flags); }

   private:
    MemoryTexture& owner;
  };
  Level level;
};
