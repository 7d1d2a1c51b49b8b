#include "platform/null/NullDirect3D.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "platform/d3dcore/AdapterCore.h"
#include "platform/null/NullDevice.h"

namespace {

NullAdapterConfig makeDefaultConfig() {
  NullAdapterConfig config;
  const std::pair<UINT, UINT> sizes[] = {{640, 480},  {800, 600},   {1024, 768},
                                         {1280, 720}, {1280, 1024}, {1920, 1080}};
  for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5})
    for (auto [width, height] : sizes) config.modes.push_back({width, height, 60, format});
  config.desktopMode = {1920, 1080, 60, D3DFMT_X8R8G8B8};
  config.workArea = {0, 0, 1920, 1040};
  return config;
}

}  // namespace

NullAdapterConfig& nullAdapterConfig() {
  static NullAdapterConfig config = makeDefaultConfig();
  return config;
}

void resetNullAdapterConfig() { nullAdapterConfig() = makeDefaultConfig(); }

IDirect3D9* NullDirect3D::create() { return new NullDirect3D(); }

bool NullDirect3D::getWorkArea(RECT& area) {
  area = nullAdapterConfig().workArea;
  return true;
}


HRESULT NullDirect3D::GetAdapterIdentifier(UINT Adapter, DWORD, D3DADAPTER_IDENTIFIER9* pIdentifier) {
  if (Adapter != 0 || !pIdentifier) return D3DERR_INVALIDCALL;
  *pIdentifier = {};
  std::strcpy(pIdentifier->Driver, "null");
  std::strcpy(pIdentifier->Description, "Null device");
  std::strcpy(pIdentifier->DeviceName, "\\\\.\\DISPLAY1");
  pIdentifier->DriverVersion = {0x00000001, 0x00010000};
  return D3D_OK;
}

HRESULT NullDirect3D::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
  if (Adapter != 0 || !pMode) return D3DERR_INVALIDCALL;
  *pMode = nullAdapterConfig().desktopMode;
  return D3D_OK;
}

HRESULT NullDirect3D::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) {
  if (Adapter != 0 || !pCaps) return D3DERR_INVALIDCALL;
  if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  *pCaps = AdapterCore::standardCaps();
  return D3D_OK;
}

HRESULT NullDirect3D::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD,
                                   D3DPRESENT_PARAMETERS* pPresentationParameters,
                                   IDirect3DDevice9** ppReturnedDeviceInterface) {
  if (Adapter != 0 || !ppReturnedDeviceInterface || !pPresentationParameters) return D3DERR_INVALIDCALL;
  if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  auto* device = new NullDevice(this, hFocusWindow);
  const HRESULT hr = device->initialize(pPresentationParameters);
  if (FAILED(hr)) {
    device->Release();
    return hr;
  }
  *ppReturnedDeviceInterface = device;
  return D3D_OK;
}

