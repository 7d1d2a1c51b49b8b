#include "platform/d3dcore/DeviceCore.h"

#include <algorithm>

#include "platform/d3dcore/PixelFormat.h"

namespace {

constexpr D3DMATRIX kIdentity = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};

bool isBackBufferFormat(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
      return true;
    default:
      return false;
  }
}

// Vertices a draw of `primitives` primitives reads; 0 for an unknown type.
UINT vertexCount(D3DPRIMITIVETYPE type, UINT primitives) {
  switch (type) {
    case D3DPT_POINTLIST: return primitives;
    case D3DPT_LINELIST: return primitives * 2;
    case D3DPT_LINESTRIP: return primitives + 1;
    case D3DPT_TRIANGLELIST: return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitives + 2;
  }
  return 0;
}

bool intersect(RECT& a, const RECT& b) {
  a.left = std::max(a.left, b.left);
  a.top = std::max(a.top, b.top);
  a.right = std::min(a.right, b.right);
  a.bottom = std::min(a.bottom, b.bottom);
  return a.left < a.right && a.top < a.bottom;
}

bool isSupportedOp(DWORD op) { return op >= D3DTOP_DISABLE && op <= D3DTOP_MODULATE; }
bool isSupportedArg(DWORD arg) { return arg <= D3DTA_TFACTOR; }

}  // namespace

DeviceCore::DeviceCore(IDirect3D9* d3d_, HWND focusWindow_) : d3d(d3d_), focusWindow(focusWindow_) {
  d3d->AddRef();
  backBuffer = new BackBuffer(this);
  for (int i = 0; i < 256; ++i) {
    const WORD level = static_cast<WORD>(i * 257);
    gammaRamp.red[i] = gammaRamp.green[i] = gammaRamp.blue[i] = level;
  }
}

DeviceCore::~DeviceCore() {
  releaseBindings();
  detachTextures();
  backBuffer->owner = nullptr;
  backBuffer->Release();
  d3d->Release();
}

void DeviceCore::releaseBindings() {
  for (MemoryTexture*& texture : boundTextures) {
    if (texture) texture->Release();
    texture = nullptr;
  }
  if (stream) stream->Release();
  stream = nullptr;
}

void DeviceCore::detachTextures() {
  for (MemoryTexture* texture : textures) texture->detach();
  textures.clear();
}

HRESULT DeviceCore::completePresentation(D3DPRESENT_PARAMETERS& pp) {
  if (pp.BackBufferCount > 3 || pp.SwapEffect != D3DSWAPEFFECT_DISCARD || pp.MultiSampleType != D3DMULTISAMPLE_NONE ||
      pp.EnableAutoDepthStencil)
    return D3DERR_INVALIDCALL;
  const UINT interval = pp.PresentationInterval;
  if (interval != D3DPRESENT_INTERVAL_DEFAULT && interval != D3DPRESENT_INTERVAL_ONE &&
      interval != D3DPRESENT_INTERVAL_IMMEDIATE)
    return D3DERR_INVALIDCALL;
  pp.BackBufferCount = std::max(pp.BackBufferCount, 1u);
  if (pp.Windowed) {
    if (pp.BackBufferFormat == D3DFMT_UNKNOWN) {
      D3DDISPLAYMODE desktop;
      if (FAILED(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop))) return D3DERR_NOTAVAILABLE;
      pp.BackBufferFormat = desktop.Format;
    }
    if (pp.BackBufferWidth == 0 || pp.BackBufferHeight == 0) {
      // A windowed back buffer without a size takes the window's client area.
      RECT client;
      if (!GetClientRect(pp.hDeviceWindow ? pp.hDeviceWindow : focusWindow, client)) return D3DERR_INVALIDCALL;
      if (pp.BackBufferWidth == 0) pp.BackBufferWidth = std::max<UINT>(client.right, 1);
      if (pp.BackBufferHeight == 0) pp.BackBufferHeight = std::max<UINT>(client.bottom, 1);
    }
  } else if (pp.BackBufferWidth == 0 || pp.BackBufferHeight == 0) {
    return D3DERR_INVALIDCALL;
  }
  if (!isBackBufferFormat(pp.BackBufferFormat) || pp.BackBufferWidth > 16384 || pp.BackBufferHeight > 16384)
    return D3DERR_INVALIDCALL;
  return D3D_OK;
}

HRESULT DeviceCore::initialize(D3DPRESENT_PARAMETERS* pp) {
  if (!pp) return D3DERR_INVALIDCALL;
  D3DPRESENT_PARAMETERS next = *pp;
  HRESULT hr = completePresentation(next);
  if (SUCCEEDED(hr)) hr = applyPresentation(next);
  if (FAILED(hr)) return hr;
  *pp = params = next;
  backBuffer->reshape(params.BackBufferFormat, params.BackBufferWidth, params.BackBufferHeight);
  setDefaultStates();
  return D3D_OK;
}

void DeviceCore::setDefaultStates() {
  std::fill(std::begin(renderStates), std::end(renderStates), 0);
  renderStates[D3DRS_ALPHATESTENABLE] = FALSE;
  renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  renderStates[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  renderStates[D3DRS_CULLMODE] = D3DCULL_CCW;
  renderStates[D3DRS_ALPHAREF] = 0;
  renderStates[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  renderStates[D3DRS_DITHERENABLE] = FALSE;
  renderStates[D3DRS_ALPHABLENDENABLE] = FALSE;
  renderStates[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  renderStates[D3DRS_LIGHTING] = TRUE;
  for (DWORD stage = 0; stage < kStages; ++stage) {
    DWORD* s = stageStates[stage];
    std::fill(s, s + kStageStates, 0);
    s[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    s[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
  }
  for (DWORD* s : samplerStates) {
    std::fill(s, s + kSamplerStates, 0);
    s[D3DSAMP_ADDRESSU] = s[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
    s[D3DSAMP_MAGFILTER] = s[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    s[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
  }
  world = view = projection = kIdentity;
  viewport = {0, 0, params.BackBufferWidth, params.BackBufferHeight, 0.0f, 1.0f};
  fvf = 0;
  releaseBindings();
  streamOffset = streamStride = 0;
}

void DeviceCore::loseDevice() {
  if (state != State::Ok) return;
  state = State::Lost;
  bLossUnreported = true;
}

void DeviceCore::forceDeviceLost() { loseDevice(); }

bool DeviceCore::mayReset() { return params.Windowed || hasFocus(); }

HRESULT DeviceCore::TestCooperativeLevel() {
  if (state == State::Ok && !params.Windowed && !hasFocus()) loseDevice();
  if (state == State::Lost) {
    if (bLossUnreported || !mayReset()) {
      bLossUnreported = false;
      return D3DERR_DEVICELOST;
    }
    state = State::NotReset;
  }
  return state == State::NotReset ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT DeviceCore::Reset(D3DPRESENT_PARAMETERS* pp) {
  if (!pp) return D3DERR_INVALIDCALL;
  if (state == State::Lost) {
    if (bLossUnreported || !mayReset()) return D3DERR_DEVICELOST;
    state = State::NotReset;
  }
  // Whatever happens now, a failed reset leaves the device waiting for another.
  if (resetFailures > 0) {
    --resetFailures;
    state = State::NotReset;
    return D3DERR_INVALIDCALL;
  }
  D3DPRESENT_PARAMETERS next = *pp;
  HRESULT hr = completePresentation(next);
  if (SUCCEEDED(hr)) {
    releaseBindings();
    hr = applyPresentation(next);
  }
  if (FAILED(hr)) {
    state = State::NotReset;
    return hr;
  }
  *pp = params = next;
  backBuffer->reshape(params.BackBufferFormat, params.BackBufferWidth, params.BackBufferHeight);
  setDefaultStates();
  bInScene = false;
  state = State::Ok;
  return D3D_OK;
}

HRESULT DeviceCore::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                            const void* pDirtyRegion) {
  if (pSourceRect || pDestRect || hDestWindowOverride || pDirtyRegion) return D3DERR_INVALIDCALL;
  if (state == State::Ok && !params.Windowed && !hasFocus()) loseDevice();
  if (isLost()) return D3DERR_DEVICELOST;
  presentFrame();
  return D3D_OK;
}

HRESULT DeviceCore::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                  IDirect3DSurface9** ppBackBuffer) {
  if (iSwapChain != 0 || iBackBuffer != 0 || Type != D3DBACKBUFFER_TYPE_MONO || !ppBackBuffer)
    return D3DERR_INVALIDCALL;
  backBuffer->AddRef();
  *ppBackBuffer = backBuffer;
  return D3D_OK;
}

HRESULT DeviceCore::BackBuffer::beginLock(DWORD flags) {
  if (!owner || !(flags & D3DLOCK_READONLY)) return D3DERR_INVALIDCALL;
  owner->readBackBuffer(*this);
  return D3D_OK;
}

void DeviceCore::SetGammaRamp(UINT iSwapChain, DWORD, const D3DGAMMARAMP* pRamp) {
  if (iSwapChain != 0 || !pRamp) return;
  gammaRamp = *pRamp;
  applyGammaRamp(gammaRamp);
}

void DeviceCore::GetGammaRamp(UINT iSwapChain, D3DGAMMARAMP* pRamp) {
  if (iSwapChain == 0 && pRamp) *pRamp = gammaRamp;
}

MemoryTexture* DeviceCore::newTexture(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool) {
  return new MemoryTexture(this, width, height, format, pool);
}

HRESULT DeviceCore::CreateTexture(UINT Width, UINT Height, UINT, DWORD, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DTexture9** ppTexture, HANDLE*) {
  if (!ppTexture || Width == 0 || Height == 0 || Width > maxTextureSize() || Height > maxTextureSize() ||
      bytesPerPixel(Format) == 0 || Pool > D3DPOOL_SCRATCH)
    return D3DERR_INVALIDCALL;
  *ppTexture = newTexture(Width, Height, Format, Pool);
  return *ppTexture ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY;
}

HRESULT DeviceCore::CreateVertexBuffer(UINT Length, DWORD, DWORD, D3DPOOL Pool,
                                       IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE*) {
  if (!ppVertexBuffer || Length == 0 || Pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
  *ppVertexBuffer = new MemoryVertexBuffer(Length);
  return D3D_OK;
}

HRESULT DeviceCore::CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                                IDirect3DSurface9** ppSurface, HANDLE*) {
  if (!ppSurface || Width == 0 || Height == 0 || Width > 16384 || Height > 16384 || bytesPerPixel(Format) == 0 ||
      Pool == D3DPOOL_MANAGED || Pool > D3DPOOL_SCRATCH)
    return D3DERR_INVALIDCALL;
  *ppSurface = new MemorySurface(Format, Width, Height, Pool);
  return D3D_OK;
}

HRESULT DeviceCore::BeginScene() {
  if (bInScene) return D3DERR_INVALIDCALL;
  bInScene = true;
  return D3D_OK;
}

HRESULT DeviceCore::EndScene() {
  if (!bInScene) return D3DERR_INVALIDCALL;
  bInScene = false;
  return D3D_OK;
}

HRESULT DeviceCore::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float, DWORD) {
  // There is no depth or stencil buffer to clear.
  if (Flags != D3DCLEAR_TARGET || (Count > 0 && !pRects)) return D3DERR_INVALIDCALL;
  if (isLost()) return D3D_OK;
  RECT area = {static_cast<int32_t>(viewport.X), static_cast<int32_t>(viewport.Y),
               static_cast<int32_t>(viewport.X + viewport.Width), static_cast<int32_t>(viewport.Y + viewport.Height)};
  if (!intersect(area, {0, 0, static_cast<int32_t>(params.BackBufferWidth),
                        static_cast<int32_t>(params.BackBufferHeight)}))
    return D3D_OK;
  if (Count == 0) {
    clearRect(area, Color);
    return D3D_OK;
  }
  for (DWORD i = 0; i < Count; ++i) {
    RECT rect = {pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2};
    if (intersect(rect, area)) clearRect(rect, Color);
  }
  return D3D_OK;
}

D3DMATRIX& DeviceCore::transform(D3DTRANSFORMSTATETYPE which) {
  return which == D3DTS_VIEW ? view : which == D3DTS_PROJECTION ? projection : world;
}

HRESULT DeviceCore::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
  if (!pMatrix || (State != D3DTS_VIEW && State != D3DTS_PROJECTION && State != D3DTS_WORLD))
    return D3DERR_INVALIDCALL;
  transform(State) = *pMatrix;
  return D3D_OK;
}

HRESULT DeviceCore::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
  if (!pMatrix || (State != D3DTS_VIEW && State != D3DTS_PROJECTION && State != D3DTS_WORLD))
    return D3DERR_INVALIDCALL;
  *pMatrix = transform(State);
  return D3D_OK;
}

HRESULT DeviceCore::SetViewport(const D3DVIEWPORT9* pViewport) {
  if (!pViewport || pViewport->Width == 0 || pViewport->Height == 0 ||
      pViewport->X + pViewport->Width > params.BackBufferWidth ||
      pViewport->Y + pViewport->Height > params.BackBufferHeight ||
      pViewport->X > params.BackBufferWidth || pViewport->Y > params.BackBufferHeight)
    return D3DERR_INVALIDCALL;
  viewport = *pViewport;
  return D3D_OK;
}

HRESULT DeviceCore::GetViewport(D3DVIEWPORT9* pViewport) {
  if (!pViewport) return D3DERR_INVALIDCALL;
  *pViewport = viewport;
  return D3D_OK;
}

HRESULT DeviceCore::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  if (State >= 256) return D3DERR_INVALIDCALL;
  renderStates[State] = Value;
  return D3D_OK;
}

HRESULT DeviceCore::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
  if (State >= 256 || !pValue) return D3DERR_INVALIDCALL;
  *pValue = renderStates[State];
  return D3D_OK;
}

HRESULT DeviceCore::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) {
  if (Stage >= kStages) return D3DERR_INVALIDCALL;
  auto* texture = static_cast<MemoryTexture*>(static_cast<IDirect3DTexture9*>(pTexture));
  if (texture) texture->AddRef();
  if (boundTextures[Stage]) boundTextures[Stage]->Release();
  boundTextures[Stage] = texture;
  return D3D_OK;
}

HRESULT DeviceCore::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  if (Stage >= kStages || Type >= kStageStates) return D3DERR_INVALIDCALL;
  stageStates[Stage][Type] = Value;
  return D3D_OK;
}

HRESULT DeviceCore::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
  if (Stage >= kStages || Type >= kStageStates || !pValue) return D3DERR_INVALIDCALL;
  *pValue = stageStates[Stage][Type];
  return D3D_OK;
}

HRESULT DeviceCore::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
  if (Sampler >= kSamplers || Type >= kSamplerStates) return D3DERR_INVALIDCALL;
  samplerStates[Sampler][Type] = Value;
  return D3D_OK;
}

HRESULT DeviceCore::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) {
  if (Sampler >= kSamplers || Type >= kSamplerStates || !pValue) return D3DERR_INVALIDCALL;
  *pValue = samplerStates[Sampler][Type];
  return D3D_OK;
}

HRESULT DeviceCore::ValidateDevice(DWORD* pNumPasses) {
  if (!pNumPasses) return D3DERR_INVALIDCALL;
  // The first stage is what the backends draw with: the operations and
  // arguments they emulate.
  const DWORD* s = stageStates[0];
  if (!isSupportedOp(s[D3DTSS_COLOROP])) return D3DERR_UNSUPPORTEDCOLOROPERATION;
  if (!isSupportedArg(s[D3DTSS_COLORARG1]) || !isSupportedArg(s[D3DTSS_COLORARG2]))
    return D3DERR_UNSUPPORTEDCOLORARG;
  if (!isSupportedOp(s[D3DTSS_ALPHAOP])) return D3DERR_UNSUPPORTEDALPHAOPERATION;
  if (!isSupportedArg(s[D3DTSS_ALPHAARG1]) || !isSupportedArg(s[D3DTSS_ALPHAARG2]))
    return D3DERR_UNSUPPORTEDALPHAARG;
  *pNumPasses = 1;
  return D3D_OK;
}

HRESULT DeviceCore::SetFVF(DWORD FVF) {
  fvf = FVF;
  return D3D_OK;
}

HRESULT DeviceCore::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                                    UINT Stride) {
  if (StreamNumber != 0) return D3DERR_INVALIDCALL;
  auto* buffer = static_cast<MemoryVertexBuffer*>(pStreamData);
  if (buffer) buffer->AddRef();
  if (stream) stream->Release();
  stream = buffer;
  streamOffset = OffsetInBytes;
  streamStride = Stride;
  return D3D_OK;
}

HRESULT DeviceCore::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) {
  const UINT count = vertexCount(PrimitiveType, PrimitiveCount);
  // Positions must be untransformed xyz: the one layout the backends read.
  if (!stream || streamStride == 0 || (fvf & 0x00E) != D3DFVF_XYZ || (PrimitiveCount > 0 && count == 0))
    return D3DERR_INVALIDCALL;
  if (PrimitiveCount == 0) return D3D_OK;
  const uint64_t end = streamOffset + (static_cast<uint64_t>(StartVertex) + count) * streamStride;
  if (end > stream->length()) return D3DERR_INVALIDCALL;
  if (isLost()) return D3D_OK;
  draw(PrimitiveType, stream->data() + streamOffset + static_cast<size_t>(StartVertex) * streamStride, count);
  return D3D_OK;
}
