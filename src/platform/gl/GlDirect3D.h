#pragma once
// The OpenGL backend's Direct3D object: the display's modes and desktop from
// SDL, capabilities and identity from an OpenGL 3.3 context, and devices
// that draw into the platform window.
#include <vector>

#include "platform/d3dcore/SingleAdapter.h"

class GlDirect3D : public SingleAdapter {
 public:
  // Null when SDL's video cannot start.
  static IDirect3D9* create();
  static bool getWorkArea(RECT& area);

  HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier) override;
  HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
  HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override;
  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                       D3DPRESENT_PARAMETERS* pPresentationParameters,
                       IDirect3DDevice9** ppReturnedDeviceInterface) override;

 protected:
  ~GlDirect3D() override;
  const std::vector<D3DDISPLAYMODE>& displayModes() const override { return modes; }

 private:
  GlDirect3D();

  std::vector<D3DDISPLAYMODE> modes;
};
