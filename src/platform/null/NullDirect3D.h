#pragma once
// The null backend's Direct3D object: one adapter whose modes and desktop are
// configurable (nullAdapterConfig), devices that draw nothing.
#include <vector>

#include "platform/d3dcore/SingleAdapter.h"

struct NullAdapterConfig {
  std::vector<D3DDISPLAYMODE> modes;
  D3DDISPLAYMODE desktopMode;
  RECT workArea;
  UINT availableTextureMem = 512u << 20;
};

// Process-wide; read by each call. Starts as (and is put back by
// resetNullAdapterConfig to) 640x480 to 1920x1080 in X8R8G8B8 and R5G6B5 at
// 60 Hz, a 1920x1080 X8R8G8B8 desktop and a work area 40 pixels short of it.
NullAdapterConfig& nullAdapterConfig();
void resetNullAdapterConfig();

class NullDirect3D : public SingleAdapter {
 public:
  static IDirect3D9* create();
  // The configured work area.
  static bool getWorkArea(RECT& area);

  HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier) override;
  HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
  HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override;
  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                       D3DPRESENT_PARAMETERS* pPresentationParameters,
                       IDirect3DDevice9** ppReturnedDeviceInterface) override;

 protected:
  const std::vector<D3DDISPLAYMODE>& displayModes() const override { return nullAdapterConfig().modes; }
};
