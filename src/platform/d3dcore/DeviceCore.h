#pragma once
// What every device backend shares: the render, stage and sampler states
// with Direct3D 9's defaults, transforms, viewport, bindings, argument
// checks, the presentation parameters and device loss. Backends supply
// clearing, drawing, presenting and read-back.
#include <unordered_set>

#include "platform/d3dcore/MemorySurface.h"
#include "platform/d3dcore/MemoryTexture.h"
#include "platform/d3dcore/MemoryVertexBuffer.h"
#include "platform/d3dcore/RefCounted.h"

class DeviceCore : public RefCounted<IDirect3DDevice9> {
 public:
  static constexpr DWORD kStages = 8;
  static constexpr DWORD kStageStates = 33;
  static constexpr DWORD kSamplers = 16;
  static constexpr DWORD kSamplerStates = 14;

  HRESULT TestCooperativeLevel() override;
  UINT GetAvailableTextureMem() override { return 512u << 20; }
  HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const void* pDirtyRegion) override;
  HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                        IDirect3DSurface9** ppBackBuffer) override;
  void SetGammaRamp(UINT iSwapChain, DWORD Flags, const D3DGAMMARAMP* pRamp) override;
  void GetGammaRamp(UINT iSwapChain, D3DGAMMARAMP* pRamp) override;
  HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                        IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) override;
  HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                             IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) override;
  HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
  HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
  HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
  HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
  HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
  HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
  HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
  HRESULT ValidateDevice(DWORD* pNumPasses) override;
  HRESULT SetFVF(DWORD FVF) override;
  HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                          UINT Stride) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
  void forceDeviceLost() override;
  void failNextResets(int count) override { resetFailures = count; }

  // Checks and completes the parameters, then sets up the presentation and
  // the default states. Used once, right after construction.
  HRESULT initialize(D3DPRESENT_PARAMETERS* pPresentationParameters);

  void addTexture(MemoryTexture* texture) { textures.insert(texture); }
  void removeTexture(MemoryTexture* texture) { textures.erase(texture); }

  const D3DPRESENT_PARAMETERS& presentation() const { return params; }

 protected:
  DeviceCore(IDirect3D9* d3d, HWND focusWindow);
  ~DeviceCore() override;

  // Backend hooks. The presentation parameters are checked and complete.
  virtual HRESULT applyPresentation(const D3DPRESENT_PARAMETERS& pp) = 0;
  // `rect` lies inside the back buffer and the viewport.
  virtual void clearRect(const RECT& rect, D3DCOLOR color) = 0;
  // `vertices` points at the first of `vertexCount` vertices of the current
  // stream, laid out by the current FVF.
  virtual void draw(D3DPRIMITIVETYPE type, const uint8_t* vertices, UINT vertexCount) = 0;
  virtual void presentFrame() = 0;
  // Brings the back buffer's pixels up to date for a read.
  virtual void readBackBuffer(MemorySurface& surface) = 0;
  virtual void applyGammaRamp(const D3DGAMMARAMP&) {}
  // Null when the device has no memory for it.
  virtual MemoryTexture* newTexture(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool);
  virtual UINT maxTextureSize() const { return 8192; }
  // Whether the device window has the focus (a full-screen device that loses
  // it is lost).
  virtual bool hasFocus() { return true; }

  void loseDevice();
  bool isLost() const { return state != State::Ok; }
  // Unbinds textures and the stream source, releasing their references.
  void releaseBindings();
  // Lets go of every live texture (before the backend's objects go).
  void detachTextures();

  D3DMATRIX& transform(D3DTRANSFORMSTATETYPE which);
  MemorySurface& backBufferSurface() { return *backBuffer; }

  IDirect3D9* const d3d;
  const HWND focusWindow;
  D3DPRESENT_PARAMETERS params = {};
  DWORD renderStates[256] = {};
  DWORD stageStates[kStages][kStageStates] = {};
  DWORD samplerStates[kSamplers][kSamplerStates] = {};
  D3DMATRIX world = {}, view = {}, projection = {};
  D3DVIEWPORT9 viewport = {};
  DWORD fvf = 0;
  MemoryVertexBuffer* stream = nullptr;
  UINT streamOffset = 0, streamStride = 0;
  MemoryTexture* boundTextures[kStages] = {};
  D3DGAMMARAMP gammaRamp = {};

 private:
  // The back buffer: read-only locks, filled by the backend on each lock.
  class BackBuffer : public MemorySurface {
   public:
    explicit BackBuffer(DeviceCore* owner_) : MemorySurface(D3DFMT_X8R8G8B8, 1, 1, D3DPOOL_DEFAULT), owner(owner_) {}
    ~BackBuffer() override = default;
    DeviceCore* owner;

   protected:
    HRESULT beginLock(DWORD flags) override;
  };

  enum class State { Ok, Lost, NotReset };

  HRESULT completePresentation(D3DPRESENT_PARAMETERS& pp);
  // A full-screen device comes back only with the focus; a windowed one at once.
  bool mayReset();
  void setDefaultStates();

  State state = State::Ok;
  // A loss is reported at least once before the device may be reset.
  bool bLossUnreported = false;
  int resetFailures = 0;
  bool bInScene = false;
  BackBuffer* backBuffer = nullptr;
  std::unordered_set<MemoryTexture*> textures;
};
