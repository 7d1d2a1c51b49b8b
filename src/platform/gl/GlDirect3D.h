#pragma once
// The OpenGL backend's Direct3D object: the display's modes and desktop from
// SDL, capabilities and identity from an OpenGL 3.3 context, and devices
// that draw into the platform window.
#include <vector>

#include "platform/d3dcore/RefCounted.h"

class GlDirect3D : public RefCounted<IDirect3D9> {
 public:
  // Null when SDL's video cannot start.
  static IDirect3D9* create();
  static bool getWorkArea(RECT& area);

  UINT GetAdapterCount() override { return 1; }
  HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier) override;
  UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) override;
  HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) override;
  HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
  HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override;
  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                       D3DPRESENT_PARAMETERS* pPresentationParameters,
                       IDirect3DDevice9** ppReturnedDeviceInterface) override;

 protected:
  ~GlDirect3D() override;

 private:
  GlDirect3D();

  std::vector<D3DDISPLAYMODE> modes;
};
