#include "platform/null/NullDirect3D.h"

#include <algorithm>
#include <cstring>
#include <tuple>

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

std::vector<D3DDISPLAYMODE> NullDirect3D::modesOf(const std::vector<D3DDISPLAYMODE>& modes, D3DFORMAT format) {
  std::vector<D3DDISPLAYMODE> result;
  // Only display formats have modes; A8R8G8B8 is a back-buffer format.
  if (format != D3DFMT_X8R8G8B8 && format != D3DFMT_R5G6B5 && format != D3DFMT_X1R5G5B5) return result;
  for (const D3DDISPLAYMODE& mode : modes)
    if (mode.Format == format) result.push_back(mode);
  std::sort(result.begin(), result.end(), [](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
    return std::tie(a.Width, a.Height, a.RefreshRate) < std::tie(b.Width, b.Height, b.RefreshRate);
  });
  return result;
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

UINT NullDirect3D::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) {
  return Adapter == 0 ? static_cast<UINT>(modesOf(nullAdapterConfig().modes, Format).size()) : 0;
}

HRESULT NullDirect3D::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) {
  const std::vector<D3DDISPLAYMODE> modes = modesOf(nullAdapterConfig().modes, Format);
  if (Adapter != 0 || !pMode || Mode >= modes.size()) return D3DERR_INVALIDCALL;
  *pMode = modes[Mode];
  return D3D_OK;
}

HRESULT NullDirect3D::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
  if (Adapter != 0 || !pMode) return D3DERR_INVALIDCALL;
  if (nullAdapterConfig().bFailDisplayMode) return D3DERR_NOTAVAILABLE;
  *pMode = nullAdapterConfig().desktopMode;
  return D3D_OK;
}

HRESULT NullDirect3D::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) {
  if (Adapter != 0 || !pCaps) return D3DERR_INVALIDCALL;
  if (DeviceType != D3DDEVTYPE_HAL || nullAdapterConfig().bFailCaps) return D3DERR_NOTAVAILABLE;
  *pCaps = standardCaps();
  return D3D_OK;
}

HRESULT NullDirect3D::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD,
                                   D3DPRESENT_PARAMETERS* pPresentationParameters,
                                   IDirect3DDevice9** ppReturnedDeviceInterface) {
  if (Adapter != 0 || !ppReturnedDeviceInterface || !pPresentationParameters) return D3DERR_INVALIDCALL;
  if (DeviceType != D3DDEVTYPE_HAL || nullAdapterConfig().bFailCreateDevice) return D3DERR_NOTAVAILABLE;
  auto* device = new NullDevice(this, hFocusWindow);
  const HRESULT hr = device->initialize(pPresentationParameters);
  if (FAILED(hr)) {
    device->Release();
    return hr;
  }
  *ppReturnedDeviceInterface = device;
  return D3D_OK;
}

D3DCAPS9 NullDirect3D::standardCaps() {
  D3DCAPS9 caps = {};
  caps.DeviceType = D3DDEVTYPE_HAL;
  caps.Caps2 = D3DCAPS2_FULLSCREENGAMMA;
  caps.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
  caps.CursorCaps = D3DCURSORCAPS_COLOR;
  caps.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_EXECUTEVIDEOMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                 D3DDEVCAPS_TLVERTEXVIDEOMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_TEXTUREVIDEOMEMORY |
                 D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_HWTRANSFORMANDLIGHT |
                 D3DDEVCAPS_HWRASTERIZATION;
  caps.PrimitiveMiscCaps = D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW;
  caps.RasterCaps = D3DPRASTERCAPS_COLORPERSPECTIVE;
  caps.ZCmpCaps = 0;
  caps.AlphaCmpCaps = D3DPCMPCAPS_NEVER | D3DPCMPCAPS_LESS | D3DPCMPCAPS_EQUAL | D3DPCMPCAPS_LESSEQUAL |
                      D3DPCMPCAPS_GREATER | D3DPCMPCAPS_NOTEQUAL | D3DPCMPCAPS_GREATEREQUAL | D3DPCMPCAPS_ALWAYS;
  caps.SrcBlendCaps = D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCCOLOR | D3DPBLENDCAPS_INVSRCCOLOR |
                      D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA | D3DPBLENDCAPS_DESTALPHA |
                      D3DPBLENDCAPS_INVDESTALPHA | D3DPBLENDCAPS_DESTCOLOR | D3DPBLENDCAPS_INVDESTCOLOR |
                      D3DPBLENDCAPS_SRCALPHASAT | D3DPBLENDCAPS_BOTHSRCALPHA | D3DPBLENDCAPS_BOTHINVSRCALPHA;
  caps.DestBlendCaps = caps.SrcBlendCaps;
  caps.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
  caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_TEXREPEATNOTSCALEDBYSIZE;
  caps.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                           D3DPTFILTERCAPS_MAGFLINEAR;
  caps.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                            D3DPTADDRESSCAPS_INDEPENDENTUV;
  caps.LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP;
  caps.MaxTextureWidth = caps.MaxTextureHeight = 8192;
  caps.MaxTextureRepeat = 8192;
  caps.MaxTextureAspectRatio = 8192;
  caps.MaxAnisotropy = 1;
  caps.MaxVertexW = 1e10f;
  caps.GuardBandLeft = caps.GuardBandTop = -8192.0f;
  caps.GuardBandRight = caps.GuardBandBottom = 8192.0f;
  caps.FVFCaps = 1;
  caps.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                       D3DTEXOPCAPS_MODULATE;
  caps.MaxTextureBlendStages = 1;
  caps.MaxSimultaneousTextures = 1;
  caps.MaxPointSize = 1.0f;
  caps.MaxPrimitiveCount = 0xFFFFF;
  caps.MaxVertexIndex = 0xFFFFFF;
  caps.MaxStreams = 1;
  caps.MaxStreamStride = 255;
  return caps;
}
