#pragma once
// The device of the null backend: keeps every state, clears its back buffer
// in memory (so read-back sees clears), draws nothing and, while
// `bRecordCalls`, writes down the calls that change what would be drawn.
#include <string>
#include <vector>

#include "platform/d3dcore/DeviceCore.h"

class NullDevice : public DeviceCore {
 public:
  NullDevice(IDirect3D9* d3d, HWND focusWindow) : DeviceCore(d3d, focusWindow) {}

  UINT GetAvailableTextureMem() override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
  HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
  HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
  HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
  HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
  HRESULT SetFVF(DWORD FVF) override;
  HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                          UINT Stride) override;

  // One line per call, numbers in decimal except values in hex, e.g.
  // "SetRenderState(60, 0xffffffff)", "SetTexture(0, null)",
  // "DrawPrimitive(5, 4)" (type and vertex count), "Present()".
  std::vector<std::string> calls;
  bool bRecordCalls = true;
  int presentCount = 0;

 protected:
  HRESULT applyPresentation(const D3DPRESENT_PARAMETERS&) override { return D3D_OK; }
  void clearRect(const RECT& rect, D3DCOLOR color) override;
  void draw(D3DPRIMITIVETYPE type, const uint8_t* vertices, UINT vertexCount) override;
  void presentFrame() override;
  void readBackBuffer(MemorySurface&) override {}

 private:
  void record(const char* format, ...) __attribute__((format(printf, 2, 3)));
};
