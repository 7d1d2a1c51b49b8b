#include "platform/gl/GlDirect3D.h"

#include <epoxy/gl.h>

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <tuple>

#include "platform/gl/GlDevice.h"
#include "platform/d3dcore/AdapterCore.h"

namespace {

// What an OpenGL 3.3 core context tells about the driver.
struct GlInfo {
  bool bAvailable = false;
  GLint maxTextureSize = 0;
  std::string vendor, renderer, version;
};

std::string glString(GLenum name) {
  const auto* text = reinterpret_cast<const char*>(glGetString(name));
  return text ? text : "";
}

// Asked once, of a hidden window's context; the current context stays current.
const GlInfo& glInfo() {
  static GlInfo info;
  static bool bProbed = false;
  if (bProbed) return info;
  bProbed = true;
  SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
  SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
  SDL_Window* window = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
  if (!window) return info;
  GlDevice::setContextAttributes();
  if (SDL_GLContext context = SDL_GL_CreateContext(window)) {
    info.bAvailable = true;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &info.maxTextureSize);
    info.vendor = glString(GL_VENDOR);
    info.renderer = glString(GL_RENDERER);
    info.version = glString(GL_VERSION);
    SDL_GL_DeleteContext(context);
  }
  SDL_DestroyWindow(window);
  if (previousContext) SDL_GL_MakeCurrent(previousWindow, previousContext);
  return info;
}

D3DFORMAT displayFormat(Uint32 sdlFormat) {
  if (SDL_BITSPERPIXEL(sdlFormat) >= 24) return D3DFMT_X8R8G8B8;
  if (sdlFormat == SDL_PIXELFORMAT_RGB565) return D3DFMT_R5G6B5;
  if (sdlFormat == SDL_PIXELFORMAT_RGB555) return D3DFMT_X1R5G5B5;
  return D3DFMT_UNKNOWN;
}

D3DDISPLAYMODE toDisplayMode(const SDL_DisplayMode& mode) {
  // Some displays (Xvfb) have no rate; a monitor's usual one is plausible.
  const UINT rate = mode.refresh_rate > 0 ? static_cast<UINT>(mode.refresh_rate) : 60;
  return {static_cast<UINT>(mode.w), static_cast<UINT>(mode.h), rate, displayFormat(mode.format)};
}

void copyText(char* dest, size_t size, const std::string& text) {
  std::strncpy(dest, text.c_str(), size - 1);
  dest[size - 1] = 0;
}

}  // namespace

IDirect3D9* GlDirect3D::create() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  return new GlDirect3D();
}

GlDirect3D::GlDirect3D() {
  for (int i = 0, count = SDL_GetNumDisplayModes(0); i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
    const D3DDISPLAYMODE d3dMode = toDisplayMode(mode);
    const bool bListed = std::any_of(modes.begin(), modes.end(), [&](const D3DDISPLAYMODE& m) {
      return std::tie(m.Width, m.Height, m.RefreshRate, m.Format) ==
             std::tie(d3dMode.Width, d3dMode.Height, d3dMode.RefreshRate, d3dMode.Format);
    });
    if (d3dMode.Format != D3DFMT_UNKNOWN && !bListed) modes.push_back(d3dMode);
  }
}

GlDirect3D::~GlDirect3D() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

bool GlDirect3D::getWorkArea(RECT& area) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  SDL_Rect bounds;
  const bool bOk = SDL_GetDisplayUsableBounds(0, &bounds) == 0;
  if (bOk) area = {bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return bOk;
}

HRESULT GlDirect3D::GetAdapterIdentifier(UINT Adapter, DWORD, D3DADAPTER_IDENTIFIER9* pIdentifier) {
  if (Adapter != 0 || !pIdentifier) return D3DERR_INVALIDCALL;
  const GlInfo& info = glInfo();
  *pIdentifier = {};
  copyText(pIdentifier->Driver, sizeof pIdentifier->Driver, info.vendor);
  copyText(pIdentifier->Description, sizeof pIdentifier->Description, info.renderer);
  const char* display = SDL_GetDisplayName(0);
  copyText(pIdentifier->DeviceName, sizeof pIdentifier->DeviceName, display ? display : "");
  // Product and version from the OpenGL version, sub-version and build from
  // the driver's own numbers that follow it ("4.5 (Core Profile) Mesa 22.3.6").
  uint32_t numbers[4] = {};
  size_t found = 0;
  for (size_t i = 0; i < info.version.size() && found < 4;) {
    if (!std::isdigit(static_cast<unsigned char>(info.version[i]))) {
      ++i;
      continue;
    }
    size_t end = i;
    uint32_t value = 0;
    while (end < info.version.size() && std::isdigit(static_cast<unsigned char>(info.version[end])))
      value = value * 10 + (info.version[end++] - '0');
    numbers[found++] = value & 0xFFFF;
    i = end;
  }
  pIdentifier->DriverVersion.HighPart = static_cast<int32_t>(numbers[0] << 16 | numbers[1]);
  pIdentifier->DriverVersion.LowPart = numbers[2] << 16 | numbers[3];
  std::string vendor = info.vendor;
  std::transform(vendor.begin(), vendor.end(), vendor.begin(), [](unsigned char c) { return std::tolower(c); });
  if (vendor.find("intel") != std::string::npos) pIdentifier->VendorId = 0x8086;
  else if (vendor.find("nvidia") != std::string::npos) pIdentifier->VendorId = 0x10DE;
  else if (vendor.find("amd") != std::string::npos || vendor.find("ati") != std::string::npos)
    pIdentifier->VendorId = 0x1002;
  // A stable identifier for this driver and renderer (FNV-1a over both).
  uint64_t hash = 0xCBF29CE484222325ull;
  for (unsigned char c : info.renderer + info.version) hash = (hash ^ c) * 0x100000001B3ull;
  pIdentifier->DeviceIdentifier.Data1 = static_cast<uint32_t>(hash >> 32);
  pIdentifier->DeviceIdentifier.Data2 = static_cast<uint16_t>(hash >> 16);
  pIdentifier->DeviceIdentifier.Data3 = static_cast<uint16_t>(hash);
  for (int i = 0; i < 8; ++i) pIdentifier->DeviceIdentifier.Data4[i] = static_cast<uint8_t>(hash >> (i * 8) ^ i);
  return D3D_OK;
}

HRESULT GlDirect3D::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
  if (Adapter != 0 || !pMode) return D3DERR_INVALIDCALL;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return D3DERR_NOTAVAILABLE;
  *pMode = toDisplayMode(mode);
  if (pMode->Format == D3DFMT_UNKNOWN) return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

HRESULT GlDirect3D::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) {
  if (Adapter != 0 || !pCaps) return D3DERR_INVALIDCALL;
  const GlInfo& info = glInfo();
  if (DeviceType != D3DDEVTYPE_HAL || !info.bAvailable) return D3DERR_NOTAVAILABLE;
  *pCaps = AdapterCore::standardCaps();
  const DWORD size = static_cast<DWORD>(std::max<GLint>(info.maxTextureSize, 1));
  pCaps->MaxTextureWidth = pCaps->MaxTextureHeight = pCaps->MaxTextureRepeat = pCaps->MaxTextureAspectRatio = size;
  return D3D_OK;
}

HRESULT GlDirect3D::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD,
                                 D3DPRESENT_PARAMETERS* pPresentationParameters,
                                 IDirect3DDevice9** ppReturnedDeviceInterface) {
  if (Adapter != 0 || !ppReturnedDeviceInterface || !pPresentationParameters) return D3DERR_INVALIDCALL;
  if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  HWND target = pPresentationParameters->hDeviceWindow ? pPresentationParameters->hDeviceWindow : hFocusWindow;
  auto* window = static_cast<SDL_Window*>(GetNativeWindowHandle(target));
  if (!window) return D3DERR_INVALIDCALL;
  auto* device = new GlDevice(this, hFocusWindow, window);
  HRESULT hr = device->createContext();
  if (SUCCEEDED(hr)) hr = device->initialize(pPresentationParameters);
  if (FAILED(hr)) {
    device->Release();
    return hr;
  }
  *ppReturnedDeviceInterface = device;
  return D3D_OK;
}
