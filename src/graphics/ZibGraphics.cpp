#include "graphics/ZibGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "engine/ErrorManager.h"
#include "engine/LogicalScreen.h"
#include "engine/Logger.h"
#include "engine/audio/Sound.h"
#include "engine/MemoryIniFile.h"
#include "base/StringUtils.h"
#include "engine/SystemInfo.h"
#include "graphics/Context.h"
#include "graphics/GraphicsFormats.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/StatisticsOverlay.h"
#include "graphics/VideoMode.h"
#include "platform/D3DX9.h"

ZIB_DEFINE_ROOT_CLASS(ZibGraphics, nullptr);

namespace {

// The back-buffer formats in the order they are tried, best first.
constexpr D3DFORMAT kFormats[] = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5};
constexpr D3DFORMAT kRequestedFormat = D3DFMT_X8R8G8B8;
// Narrower windows are widened: below this the letterboxed viewport may vanish.
constexpr int32_t kMinWindowWidth = 160;
constexpr Vector3 kDefaultTexelAlignment(0.5f, -0.5f, 0.0f);

const char16_t* modeName(bool bFullScreen) { return bFullScreen ? u"fullscreen" : u"windowed"; }

int32_t roundDownToEven(int32_t value) { return value & ~1; }

// A failed platform call: the assertion form, with the call's result as the message.
[[noreturn]] void reportFailedCall(const char* file, int line, HRESULT result, const char16_t* statement) {
  ErrorManager::fail(formatString(u"Error: %s\n Statement: %s\n Function: %s()\n File: %s\n Line: %d",
                                  ErrorManager::getHRESULTString(result), statement, u"ZibGraphics::ZibGraphics",
                                  getFileName(fromUtf8(file)), line));
}

// The window layer has no window styles yet: the client area is placed and
// shown, and the device itself takes the display for full screen.
void placeWindow(HWND window, const RECT& client) {
  SetWindowPos(window, client.left, client.top, client.right - client.left, client.bottom - client.top);
  ShowWindow(window, SW_SHOWNORMAL);
}

// The TGA alpha pass: alpha = the coverage's red channel, colours divided by it.
void applyCoverage(MemoryImageFile& image, const MemoryImageFile& coverage) {
  const size_t count = static_cast<size_t>(image.width) * image.height;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t alpha = (coverage.pImageData[i] >> 16) & 0xFF;
    UColor pixel = image.pImageData[i];
    if (alpha > 0 && alpha < 255) {
      const float factor = 1.0f / (static_cast<float>(alpha) / 255.0f);
      UColor scaled = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const auto channel = static_cast<float>((pixel >> shift) & 0xFF);
        scaled |= static_cast<UColor>(std::min(255, static_cast<int>(channel * factor))) << shift;
      }
      pixel = scaled;
    }
    image.pImageData[i] = (pixel & 0x00FFFFFF) | (alpha << 24);
  }
}

}  // namespace

ZibGraphics::ZibGraphics() {
  ZIB_LOG(u"Starting...");
  screenWidth = kLogicalScreenWidth;
  screenHeight = kLogicalScreenHeight;
  readSettings();
  if (hasCommandLineOption(u"-safe")) {
    videoModeWidth = 800;
    videoModeHeight = 600;
    bFullScreen = 0;
  }
  screenAspect = static_cast<float>(screenHeight) / static_cast<float>(screenWidth);

  dxD3D = Direct3DCreate9(31);
  if (!dxD3D) ZIB_ERROR(u"Could not create DirectX object. Make sure you have DirectX 9.0c (or later) installed.");
  if (FAILED(dxD3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &dxCaps)))
    ZIB_ERROR(u"Cannot find Direct3D hardware acceleration on your primary display device.");
  dumpAdapterInfo();
  dumpDeviceCaps();

  ZIB_LOG(u"Supported adapter modes:");
  for (const D3DFORMAT format : kFormats) {
    const UINT count = dxD3D->GetAdapterModeCount(D3DADAPTER_DEFAULT, format);
    for (UINT i = 0; i < count; ++i) {
      D3DDISPLAYMODE mode = {};
      if (FAILED(dxD3D->EnumAdapterModes(D3DADAPTER_DEFAULT, format, i, &mode))) continue;
      ZIB_LOG(u" %dx%d %s @ %d Hz.", mode.Width, mode.Height, D3DFORMAT2string(mode.Format), mode.RefreshRate);
      addVideoMode(static_cast<int32_t>(mode.Width), static_cast<int32_t>(mode.Height));
    }
  }
  if (!zib->bRelease) {
    addVideoMode(320, 240);
    addVideoMode(480, 360);
  }
  ZIB_LOG(u"Sorted adapter modes:");
  for (BasicLink* node = videoModes.firstChild; node; node = node->next)
    ZIB_LOG(u" %s", static_cast<VideoMode*>(node)->toString());

  const bool bAllowTL = bUseHardwareTL && (dxCaps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
  ZIB_LOG(bAllowTL ? u"Using hardware T&L." : u"Hardware T&L is not available (or disabled).");

  D3DDISPLAYMODE desktop = {};
  if (const HRESULT result = dxD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop); FAILED(result))
    reportFailedCall(__FILE__, __LINE__, result, u"dxD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktopMode)");
  ZIB_LOG(u"Desktop resolution is %dx%d %s @ %d Hz.", desktop.Width, desktop.Height, D3DFORMAT2string(desktop.Format),
          desktop.RefreshRate);
  desktopMode.width = static_cast<int32_t>(desktop.Width);
  desktopMode.height = static_cast<int32_t>(desktop.Height);
  desktopMode.format = desktop.Format;
  if (videoModeWidth < 0) videoModeWidth = desktopMode.width;
  if (videoModeHeight < 0) videoModeHeight = desktopMode.height;

  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0))
    workArea = {0, 0, desktopMode.width, desktopMode.height};

  D3DPRESENT_PARAMETERS d3dpp;
  buildPresentParameters(d3dpp);
  const HRESULT created = dxD3D->CreateDevice(
      D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, static_cast<HWND>(zib->hWindowHandle),
      bAllowTL ? D3DCREATE_HARDWARE_VERTEXPROCESSING : D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3dpp, &dxDevice);
  if (FAILED(created))
    reportFailedCall(__FILE__, __LINE__, created,
                     u"dxD3D->CreateDevice( D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, zib->hWindowHandle, bAllowTL ? "
                     u"D3DCREATE_HARDWARE_VERTEXPROCESSING : D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3dpp, &dxDevice)");
  ZIB_LOG(u"Available texture memory: %lu", dxDevice->GetAvailableTextureMem());

  setIdentityGammaRamp();
  restorePresentation(false);

  zib->pFrameDevice = &frameSeam;
  if (zib->pZibInput) zib->pZibInput->pViewMapping = &pointerSeam;
  ZIB_LOG(u"Started.");
}

ZibGraphics::~ZibGraphics() {
  if (zib->pFrameDevice == &frameSeam) zib->pFrameDevice = nullptr;
  if (zib->pZibInput && zib->pZibInput->pViewMapping == &pointerSeam) zib->pZibInput->pViewMapping = nullptr;
  releaseDisplay();
}

void ZibGraphics::releaseDisplay() {
  if (bFullScreen && dxDevice) {
    bFullScreen = 0;
    restorePresentation(true);
  }
  if (dxDevice) dxDevice->Release();
  dxDevice = nullptr;
  if (dxD3D) dxD3D->Release();
  dxD3D = nullptr;
}

void ZibGraphics::readSettings() {
  MemoryIniFile& config = *zib->pConfig;
  const std::u16string section = classInfo.getName();
  const auto readInt = [&](const char16_t* key, int32_t fallback) {
    if (!config.hasKey(section, key)) config.setInt(fallback, section, key);
    return config.getInt(section, key);
  };
  const auto readFloat = [&](const char16_t* key, float fallback) {
    if (!config.hasKey(section, key)) config.setDouble(fallback, section, key);
    const auto value = static_cast<float>(config.getDouble(section, key));
    return std::isfinite(value) ? value : fallback;  // a damaged value would spread into every camera
  };
  const auto readBool = [&](const char16_t* key, bool fallback) -> uint8_t {
    if (!config.hasKey(section, key)) config.setBool(fallback, section, key);
    return config.getBool(section, key);
  };
  videoModeWidth = readInt(u"videoModeWidth", -1);
  videoModeHeight = readInt(u"videoModeHeight", -1);
  texelAlignment.x = readFloat(u"texelAlignment.x", kDefaultTexelAlignment.x);
  texelAlignment.y = readFloat(u"texelAlignment.y", kDefaultTexelAlignment.y);
  texelAlignment.z = readFloat(u"texelAlignment.z", kDefaultTexelAlignment.z);
  bFullScreen = readBool(u"bFullScreen", true);
  bBilinearFilter = readBool(u"bBilinearFilter", true);
  bUseHardwareTL = readBool(u"bUseHardwareTL", true);
  bUseVSync = readBool(u"bUseVSync", false);
  bEnableFontCache = readBool(u"bEnableFontCache", true);
  bSimulate256x256TextureHW = readBool(u"bSimulate256x256TextureHW", true);
  bAllowLetterbox = readBool(u"bAllowLetterbox", true);
}

void ZibGraphics::saveSettings() {
  MemoryIniFile& config = *zib->pConfig;
  const std::u16string section = classInfo.getName();
  config.setInt(videoModeWidth, section, u"videoModeWidth");
  config.setInt(videoModeHeight, section, u"videoModeHeight");
  config.setBool(bFullScreen, section, u"bFullScreen");
  config.setBool(bBilinearFilter, section, u"bBilinearFilter");
  config.setBool(bUseVSync, section, u"bUseVSync");
  config.setBool(bAllowLetterbox, section, u"bAllowLetterbox");
  config.setDouble(texelAlignment.x, section, u"texelAlignment.x");
  config.setDouble(texelAlignment.y, section, u"texelAlignment.y");
  config.setDouble(texelAlignment.z, section, u"texelAlignment.z");
}

void ZibGraphics::addVideoMode(int32_t width, int32_t height) {
  BasicLink* after = nullptr;
  for (BasicLink* node = videoModes.firstChild; node; node = node->next) {
    const auto* mode = static_cast<VideoMode*>(node);
    if (mode->width == width && mode->height == height) return;
    if (mode->width < width || (mode->width == width && mode->height < height)) after = node;
  }
  auto* mode = new VideoMode(width, height);
  if (after)
    videoModes.insertChildAfter(mode, after);
  else
    videoModes.prependChild(mode);
}

std::vector<std::pair<int32_t, int32_t>> ZibGraphics::listAdapterModes(D3DFORMAT format) {
  std::vector<std::pair<int32_t, int32_t>> sizes;
  const UINT count = dxD3D->GetAdapterModeCount(D3DADAPTER_DEFAULT, format);
  for (UINT i = 0; i < count; ++i) {
    D3DDISPLAYMODE mode = {};
    if (SUCCEEDED(dxD3D->EnumAdapterModes(D3DADAPTER_DEFAULT, format, i, &mode)) && mode.Format == format)
      sizes.emplace_back(static_cast<int32_t>(mode.Width), static_cast<int32_t>(mode.Height));
  }
  std::sort(sizes.begin(), sizes.end());
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
  return sizes;
}

void ZibGraphics::calcClosestMatchParameters(bool bFullScreen, int32_t width, int32_t height) {
  ZIB_LOG(u"Requested mode %dx%d, %s %s (%dbpp).", width, height, modeName(bFullScreen),
          D3DFORMAT2string(kRequestedFormat), D3DFORMAT2bits(kRequestedFormat));
  // Nothing can be shown in an empty mode: such a request means the desktop's size.
  if (width <= 0) width = desktopMode.width;
  if (height <= 0) height = desktopMode.height;

  D3DFORMAT format = D3DFMT_UNKNOWN;
  std::vector<std::pair<int32_t, int32_t>> modes;
  for (const D3DFORMAT candidate : {kRequestedFormat, kFormats[0], kFormats[1], kFormats[2], kFormats[3]}) {
    ZIB_LOG(u"Checking for video format %s.", D3DFORMAT2string(candidate));
    modes = listAdapterModes(candidate);
    if (!modes.empty()) {
      ZIB_LOG(u"Found.");
      format = candidate;
      break;
    }
  }
  if (modes.empty()) {
    ZIB_LOG(u"No suitable format found, trying windowed.");
    bFullScreen = false;
  }

  int32_t bufferWidth, bufferHeight;
  if (bFullScreen) {
    // Only sizes the display offers in this format: the list shown to the
    // player may hold others.
    auto best = modes.front();
    for (const auto& mode : modes)
      if (mode.first <= width && mode.second <= height) best = mode;
    const auto [bestW, bestH] = best;
    ZIB_ASSERT(bestW != 0 && bestH != 0);
    bufferWidth = videoModeWidth = bestW;
    bufferHeight = videoModeHeight = bestH;
  } else {
    format = desktopMode.format;
    ZIB_LOG(u"Running windowed, forcing desktop video mode %s.", D3DFORMAT2string(format));
    bufferWidth = std::max(width, kMinWindowWidth);
    bufferHeight = static_cast<int32_t>(static_cast<float>(bufferWidth) * screenAspect);
    const int32_t minHeight = static_cast<int32_t>(static_cast<float>(kMinWindowWidth) * screenAspect);
    const int32_t availableWidth = std::max(workArea.right - workArea.left - 20, kMinWindowWidth);
    const int32_t availableHeight = std::max(workArea.bottom - workArea.top - 40, minHeight);
    ZIB_LOG(u"Limiting resolution to %dx%d, available space (%d,%d)-(%d,%d).", availableWidth, availableHeight,
            workArea.left, workArea.top, workArea.right, workArea.bottom);
    if (bufferWidth > availableWidth) {
      const float factor = static_cast<float>(availableWidth) / static_cast<float>(bufferWidth);
      bufferWidth = static_cast<int32_t>(static_cast<float>(bufferWidth) * factor);
      bufferHeight = static_cast<int32_t>(static_cast<float>(bufferHeight) * factor);
    }
    if (bufferHeight > availableHeight) {
      const float factor = static_cast<float>(availableHeight) / static_cast<float>(bufferHeight);
      bufferWidth = static_cast<int32_t>(static_cast<float>(bufferWidth) * factor);
      bufferHeight = static_cast<int32_t>(static_cast<float>(bufferHeight) * factor);
    }
    bufferWidth = roundDownToEven(bufferWidth);
    bufferHeight = roundDownToEven(bufferHeight);
    videoModeWidth = width;
    videoModeHeight = height;
  }
  ZIB_LOG(u"Best mode found %dx%d (window %dx%d), %s %s (%dbpp).", videoModeWidth, videoModeHeight, bufferWidth,
          bufferHeight, modeName(bFullScreen), D3DFORMAT2string(format), D3DFORMAT2bits(format));

  const float windowAspect = static_cast<float>(bufferWidth) / static_cast<float>(bufferHeight);
  const float fovAspect = 1.0f / screenAspect;
  ZIB_LOG(u"Window aspect ratio = %.6lf, fov aspect ratio = %.6lf", windowAspect, fovAspect);
  const bool bCloseEnough = std::fabs(windowAspect - fovAspect) < 0.2f;
  ZIB_LOG(u"bCloseEnough=%d", bCloseEnough);

  RECT viewport = {0, 0, bufferWidth, bufferHeight};
  if (!bCloseEnough && bAllowLetterbox) {
    if (screenAspect > static_cast<float>(bufferHeight) / static_cast<float>(bufferWidth)) {
      ZIB_LOG(u"Pillarboxing.");
      const int32_t widthInside =
          roundDownToEven(static_cast<int32_t>(static_cast<float>(bufferHeight) / screenAspect));
      viewport.left = (bufferWidth - widthInside) / 2;
      viewport.right = viewport.left + widthInside;
    } else {
      ZIB_LOG(u"Letterboxing.");
      const int32_t heightInside =
          roundDownToEven(static_cast<int32_t>(screenAspect * static_cast<float>(bufferWidth)));
      viewport.top = (bufferHeight - heightInside) / 2;
      viewport.bottom = viewport.top + heightInside;
    }
  }
  ZIB_LOG(u"Viewport %dx%d (%d,%d)-(%d,%d)", viewport.right - viewport.left, viewport.bottom - viewport.top,
          viewport.left, viewport.top, viewport.right, viewport.bottom);

  backBufferFormat = format;
  this->bFullScreen = bFullScreen;
  viewportLeft = viewport.left;
  viewportTop = viewport.top;
  viewportBottom = viewport.bottom;
  viewportRight = viewport.right;
  backBufferWidth = bufferWidth;
  backBufferHeight = bufferHeight;
  viewportWidth = viewportRight - viewportLeft;
  viewportHeight = viewportBottom - viewportTop;
  viewportAspect = static_cast<float>(viewportHeight) / static_cast<float>(viewportWidth);
}

void ZibGraphics::buildPresentParameters(D3DPRESENT_PARAMETERS& d3dpp) {
  calcClosestMatchParameters(bFullScreen, videoModeWidth, videoModeHeight);
  d3dpp = {};
  d3dpp.BackBufferWidth = static_cast<UINT>(backBufferWidth);
  d3dpp.BackBufferHeight = static_cast<UINT>(backBufferHeight);
  d3dpp.BackBufferFormat = backBufferFormat;
  d3dpp.BackBufferCount = 1;
  d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  d3dpp.Windowed = !bFullScreen;
  d3dpp.PresentationInterval = !bFullScreen ? D3DPRESENT_INTERVAL_DEFAULT
                               : bUseVSync  ? D3DPRESENT_INTERVAL_ONE
                                            : D3DPRESENT_INTERVAL_IMMEDIATE;
  bitsPerPixel = D3DFORMAT2bits(backBufferFormat);
  // An unknown desktop format is taken for a true-colour one, not for 16 bits
  // (which would dither every texture).
  if (bitsPerPixel == 0) bitsPerPixel = 32;
}

void ZibGraphics::applyWindowPlacement() {
  RECT client = {0, 0, backBufferWidth, backBufferHeight};
  if (!bFullScreen) {
    client.left = workArea.left + (workArea.right - workArea.left - backBufferWidth) / 2;
    client.top = workArea.top + (workArea.bottom - workArea.top - backBufferHeight) / 2;
    client.right = client.left + backBufferWidth;
    client.bottom = client.top + backBufferHeight;
  }
  placeWindow(static_cast<HWND>(zib->hWindowHandle), client);
}

void ZibGraphics::setIdentityGammaRamp() {
  if (!bFullScreen) return;
  D3DGAMMARAMP ramp;
  for (int i = 0; i < 256; ++i) ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<WORD>(i * 256);
  dxDevice->SetGammaRamp(0, D3DSGR_NO_CALIBRATION, &ramp);
}

void ZibGraphics::changePresentationParameters(int32_t width, int32_t height, bool bFullScreen, bool bAllowLetterbox,
                                               bool bBilinearFilter, bool bUseVSync) {
  if (width < 0) width = videoModeWidth;
  if (height < 0) height = videoModeHeight;
  const bool bRestart =
      bAllowLetterbox != static_cast<bool>(this->bAllowLetterbox) || bUseVSync != static_cast<bool>(this->bUseVSync) ||
      bFullScreen != static_cast<bool>(this->bFullScreen) || width != videoModeWidth || height != videoModeHeight;
  videoModeWidth = width;
  videoModeHeight = height;
  this->bFullScreen = bFullScreen;
  this->bAllowLetterbox = bAllowLetterbox;
  this->bBilinearFilter = bBilinearFilter;
  this->bUseVSync = bUseVSync;
  if (bRestart) {
    ZIB_LOG(u"Restarting to apply configuration.");
    zib->bRestartPresentation = true;
  } else {
    setGlobalRenderState();
  }
}

void ZibGraphics::dumpAdapterInfo() {
  D3DADAPTER_IDENTIFIER9 id = {};
  dxD3D->GetAdapterIdentifier(D3DADAPTER_DEFAULT, 0, &id);
  const auto text = [](const char* field, size_t size) { return fromUtf8(std::string(field, strnlen(field, size))); };
  const auto high = static_cast<uint32_t>(id.DriverVersion.HighPart);
  const uint32_t low = id.DriverVersion.LowPart;
  const uint32_t product = high >> 16, version = high & 0xFFFF, subVersion = low >> 16, build = low & 0xFFFF;
  ZIB_LOG(u"Adapter information:");
  ZIB_LOG(u"%s: %s", u"Driver", text(id.Driver, sizeof(id.Driver)));
  ZIB_LOG(u"%s: %s", u"Description", text(id.Description, sizeof(id.Description)));
  ZIB_LOG(u"%s: Product(0x%04x), Version(0x%04x), SubVersion(0x%04x), Build(0x%04x)", u"DriverVersion (hex)", product,
          version, subVersion, build);
  ZIB_LOG(u"%s: Product(%d), Version(%d), SubVersion(%d), Build(%d)", u"DriverVersion (decimal)", product, version,
          subVersion, build);
  ZIB_LOG(u"%s: 0x%lx", u"VendorId", id.VendorId);
  ZIB_LOG(u"%s: 0x%lx", u"DeviceId", id.DeviceId);
  ZIB_LOG(u"%s: 0x%lx", u"SubSysId", id.SubSysId);
  ZIB_LOG(u"%s: 0x%lx", u"Revision", id.Revision);
  const GUID& guid = id.DeviceIdentifier;
  ZIB_LOG(u"%s: %08lx-%04x-%04x-%02x%02x%02x%02x%02x%02x%02x%02x", u"DeviceIdentifier", guid.Data1, guid.Data2,
          guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
          guid.Data4[6], guid.Data4[7]);
  ZIB_LOG(u"WHQLLevel: 0x%lx", id.WHQLLevel);
}

void ZibGraphics::dumpDeviceCaps() {
  if (!zib->pLogger) return;
  for (const std::u16string& line : describeDeviceCaps(dxCaps)) zib->pLogger->log(u"%s", line);
}

std::u16string ZibGraphics::D3DFORMAT2string(D3DFORMAT format) { return d3dFormatName(format); }

int32_t ZibGraphics::D3DFORMAT2bits(D3DFORMAT format) {
  const int32_t bits = d3dFormatBits(format);
  if (bits == 0) ZIB_LOG(u"Unhandled pixel format: %s", d3dFormatName(format));
  return bits;
}

void ZibGraphics::beginFrame() {
  const auto setViewport = [this](int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const D3DVIEWPORT9 viewport = {DWORD(left), DWORD(top), DWORD(right - left), DWORD(bottom - top), 0, 1};
    dxDevice->SetViewport(&viewport);
  };
  setViewport(0, 0, backBufferWidth, backBufferHeight);
  dxDevice->Clear(0, nullptr, D3DCLEAR_TARGET, zib->bRelease ? 0xFF000000 : 0xFFFF0000, 1.0f, 0);
  setViewport(viewportLeft, viewportTop, viewportRight, viewportBottom);
}

void ZibGraphics::setGlobalRenderState() {
  dxDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
  dxDevice->SetRenderState(D3DRS_DITHERENABLE, FALSE);
  dxDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  dxDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  dxDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  dxDevice->SetRenderState(D3DRS_ALPHAREF, 0);
  dxDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  dxDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  dxDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  if (bAlphaCapture) {
    dxDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dxDevice->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
  } else {
    dxDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  }
  dxDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  dxDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
  dxDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  dxDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  dxDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
  dxDevice->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
  dxDevice->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
  const DWORD filter = bBilinearFilter ? D3DTEXF_LINEAR : D3DTEXF_POINT;
  dxDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
  dxDevice->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
  dxDevice->SetSamplerState(0, D3DSAMP_MIPFILTER, filter);
  dxDevice->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);

  DWORD passes = 0;
  const HRESULT result = dxDevice->ValidateDevice(&passes);
  ZIB_LOG(u"Device validation: %s (%s, %d passes required).", SUCCEEDED(result) ? u"PASSED" : u"FAILED",
          ErrorManager::getHRESULTString(result), passes);
}

void ZibGraphics::flip() {
  if (const HRESULT result = dxDevice->Present(nullptr, nullptr, nullptr, nullptr); result != S_OK)
    ZIB_LOG(u"Present failed with code %s.", ErrorManager::getHRESULTString(result));
}

bool ZibGraphics::restorePresentation(bool bReset) {
  if (bReset) {
    D3DPRESENT_PARAMETERS d3dpp;
    buildPresentParameters(d3dpp);
    const HRESULT result = dxDevice->Reset(&d3dpp);
    ZIB_LOG(u"dxDevice->Reset() returned %s.", ErrorManager::getHRESULTString(result));
    if (FAILED(result)) {
      // A mode the display keeps refusing would freeze the game for good.
      const bool bDesktopWindow =
          !bFullScreen && videoModeWidth == desktopMode.width && videoModeHeight == desktopMode.height;
      if (++failedResets >= kMaxFailedResets && !bDesktopWindow) {
        ZIB_LOG(u"Reset failed %d times, falling back to a desktop-sized window.", failedResets);
        bFullScreen = 0;
        videoModeWidth = desktopMode.width;
        videoModeHeight = desktopMode.height;
        failedResets = 0;
      }
      return false;
    }
    failedResets = 0;
  }

  const float scale = static_cast<float>(viewportWidth) / static_cast<float>(screenWidth);
  const float toScreenX = static_cast<float>(screenWidth) / static_cast<float>(viewportWidth);
  const float toScreenY = static_cast<float>(screenHeight) / static_cast<float>(viewportHeight);
  if (scale < 0.85f)
    pixelScale = Vector3(0.5f * toScreenX, 0.5f * toScreenY, 0.5f);
  else if (scale < 1.5f)
    pixelScale = Vector3(toScreenX, toScreenY, 1.0f);
  else
    pixelScale = Vector3(1.0f, 1.0f, 1.0f);
  setGlobalRenderState();
  applyWindowPlacement();
  if (zib->pZibInput) zib->pZibInput->readCursorPosition();

  if (bReset) {
    ZIB_LOG(u"Notifying %d objects.", zib->objectList.countChildren());
    zib->notifyObjects([](ZibBase* object) { object->onPresentationRestored(); });
  }
  return true;
}

void ZibGraphics::windowToView(Vector3& out, float x, float y, float z) const {
  out.x = remapClamped(0.0f, static_cast<float>(screenWidth), static_cast<float>(viewportLeft),
                       static_cast<float>(viewportRight), x);
  out.y = remapClamped(0.0f, static_cast<float>(screenHeight), static_cast<float>(viewportBottom),
                       static_cast<float>(viewportTop), y);
  out.z = z;
}

Vector3 ZibGraphics::PointerSeam::windowToView(float x, float y, float z) const {
  int bufferX = static_cast<int>(std::floor(x)), bufferY = static_cast<int>(std::floor(y));
  clientToBackBuffer(bufferX, bufferY);
  Vector3 view;
  graphics.windowToView(view, static_cast<float>(bufferX) + (x - std::floor(x)),
                        static_cast<float>(bufferY) + (y - std::floor(y)), z);
  return view;
}

void ZibGraphics::PointerSeam::viewToWindow(const Vector3& view, float& x, float& y) const {
  const float w = static_cast<float>(graphics.screenWidth), h = static_cast<float>(graphics.screenHeight);
  const float left = static_cast<float>(graphics.viewportLeft), right = static_cast<float>(graphics.viewportRight);
  const float top = static_cast<float>(graphics.viewportTop), bottom = static_cast<float>(graphics.viewportBottom);
  int bufferX = static_cast<int>(left + (right - left) * std::clamp(w > 0 ? view.x / w : 0.0f, 0.0f, 1.0f));
  int bufferY = static_cast<int>(bottom + (top - bottom) * std::clamp(h > 0 ? view.y / h : 0.0f, 0.0f, 1.0f));
  backBufferToClient(bufferX, bufferY);
  x = static_cast<float>(bufferX);
  y = static_cast<float>(bufferY);
}

bool ZibGraphics::copyBackBuffer(MemoryImageFile& image) {
  IDirect3DSurface9* backBuffer = nullptr;
  if (FAILED(dxDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer))) return false;
  IDirect3DSurface9* scratch = nullptr;
  if (FAILED(dxDevice->CreateOffscreenPlainSurface(static_cast<UINT>(backBufferWidth),
                                                   static_cast<UINT>(backBufferHeight), D3DFMT_A8R8G8B8,
                                                   D3DPOOL_SCRATCH, &scratch, nullptr))) {
    backBuffer->Release();
    return false;
  }
  const HRESULT converted =
      D3DXLoadSurfaceFromSurface(scratch, nullptr, nullptr, backBuffer, nullptr, nullptr, D3DX_FILTER_NONE, 0);
  backBuffer->Release();
  D3DLOCKED_RECT locked = {};
  const bool bCopied = SUCCEEDED(converted) && SUCCEEDED(scratch->LockRect(&locked, nullptr, D3DLOCK_READONLY));
  if (bCopied) {
    const auto* rows = static_cast<const uint8_t*>(locked.pBits);
    for (int32_t y = 0; y < image.height; ++y)
      std::memcpy(image.pImageData + static_cast<size_t>(y) * image.width,
                  rows + static_cast<ptrdiff_t>(y) * locked.Pitch, static_cast<size_t>(image.width) * sizeof(UColor));
    scratch->UnlockRect();
  }
  scratch->Release();
  return bCopied;
}

MemoryImageFile* ZibGraphics::captureBackBuffer() {
  auto* image = new MemoryImageFile(backBufferWidth, backBufferHeight);
  // A blank image would carry whatever the memory held into the file.
  if (!copyBackBuffer(*image)) image->clear(nullptr, false);
  return image;
}

void ZibGraphics::saveScreenshot(Context* root, std::u16string path) {
  if (!dxD3D || !dxDevice) return;
  const std::unique_ptr<MemoryImageFile> image(captureBackBuffer());
  if (path.find(u".tga") != std::u16string::npos) {
    // The frame loop calls this inside its scene: the coverage pass needs a
    // scene of its own, and the frame must be drawn again afterwards so that
    // the coverage is not what gets presented.
    const bool bSceneWasOpen = bSceneOpen;
    if (bSceneWasOpen) dxDevice->EndScene();
    bAlphaCapture = 1;
    setGlobalRenderState();
    dxDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dxDevice->BeginScene();
    if (root) root->frameRender();
    dxDevice->EndScene();
    bAlphaCapture = 0;
    setGlobalRenderState();
    const std::unique_ptr<MemoryImageFile> coverage(captureBackBuffer());

    dxDevice->BeginScene();
    beginFrame();
    if (root) root->frameRender();
    if (!bSceneWasOpen) dxDevice->EndScene();

    applyCoverage(*image, *coverage);
    image->saveTGA(path);
  } else if (path.find(u".bmp") != std::u16string::npos) {
    image->saveBMP(path);
  } else if (path.find(u".jpg") != std::u16string::npos) {
    image->saveJPG(60, path);
  }
}

int32_t ZibGraphics::FrameSeam::testCooperativeLevel() {
  // Without a device (released by a fatal report) the engine stays frozen.
  return graphics.dxDevice ? graphics.dxDevice->TestCooperativeLevel() : D3DERR_DEVICELOST;
}

void ZibGraphics::FrameSeam::drawOverlay(const int32_t* savedStats) { StatisticsOverlay::draw(savedStats); }

void ZibGraphics::FrameSeam::beginScene() {
  graphics.dxDevice->BeginScene();
  graphics.bSceneOpen = true;
  graphics.beginFrame();
}

void ZibGraphics::FrameSeam::endScene() {
  graphics.dxDevice->EndScene();
  graphics.bSceneOpen = false;
}
