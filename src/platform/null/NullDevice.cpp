#include "platform/null/NullDevice.h"

#include <cstdarg>
#include <cstdio>

#include "platform/null/NullDirect3D.h"
#include "platform/d3dcore/PixelFormat.h"

void NullDevice::record(const char* format, ...) {
  if (!bRecordCalls) return;
  char line[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  calls.emplace_back(line);
}

UINT NullDevice::GetAvailableTextureMem() { return nullAdapterConfig().availableTextureMem; }

HRESULT NullDevice::Reset(D3DPRESENT_PARAMETERS* pp) {
  const HRESULT hr = DeviceCore::Reset(pp);
  record("Reset() = 0x%x", static_cast<unsigned>(hr));
  return hr;
}

HRESULT NullDevice::BeginScene() {
  record("BeginScene()");
  return DeviceCore::BeginScene();
}

HRESULT NullDevice::EndScene() {
  record("EndScene()");
  return DeviceCore::EndScene();
}

HRESULT NullDevice::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) {
  record("Clear(%u, 0x%x, 0x%x)", Count, Flags, Color);
  return DeviceCore::Clear(Count, pRects, Flags, Color, Z, Stencil);
}

HRESULT NullDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
  record("SetTransform(%u)", State);
  return DeviceCore::SetTransform(State, pMatrix);
}

HRESULT NullDevice::SetViewport(const D3DVIEWPORT9* pViewport) {
  if (pViewport)
    record("SetViewport(%u, %u, %u, %u)", pViewport->X, pViewport->Y, pViewport->Width, pViewport->Height);
  return DeviceCore::SetViewport(pViewport);
}

HRESULT NullDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  record("SetRenderState(%u, 0x%x)", State, Value);
  return DeviceCore::SetRenderState(State, Value);
}

HRESULT NullDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) {
  record("SetTexture(%u, %s)", Stage, pTexture ? "texture" : "null");
  return DeviceCore::SetTexture(Stage, pTexture);
}

HRESULT NullDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  record("SetTextureStageState(%u, %u, 0x%x)", Stage, Type, Value);
  return DeviceCore::SetTextureStageState(Stage, Type, Value);
}

HRESULT NullDevice::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
  record("SetSamplerState(%u, %u, 0x%x)", Sampler, Type, Value);
  return DeviceCore::SetSamplerState(Sampler, Type, Value);
}

HRESULT NullDevice::SetFVF(DWORD FVF) {
  record("SetFVF(0x%x)", FVF);
  return DeviceCore::SetFVF(FVF);
}

HRESULT NullDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                                    UINT Stride) {
  record("SetStreamSource(%u, %s, %u, %u)", StreamNumber, pStreamData ? "buffer" : "null", OffsetInBytes, Stride);
  return DeviceCore::SetStreamSource(StreamNumber, pStreamData, OffsetInBytes, Stride);
}

void NullDevice::clearRect(const RECT& rect, D3DCOLOR color) {
  MemorySurface& target = backBufferSurface();
  const D3DFORMAT format = target.getFormat();
  const int size = bytesPerPixel(format);
  uint8_t pixel[4];
  convertPixels(reinterpret_cast<const uint8_t*>(&color), D3DFMT_A8R8G8B8, pixel, format, 1);
  for (int32_t y = rect.top; y < rect.bottom; ++y) {
    uint8_t* row = target.bits() + static_cast<size_t>(y) * target.getPitch();
    for (int32_t x = rect.left; x < rect.right; ++x)
      for (int i = 0; i < size; ++i) row[x * size + i] = pixel[i];
  }
}

void NullDevice::draw(D3DPRIMITIVETYPE type, const uint8_t*, UINT vertexCount) {
  record("DrawPrimitive(%u, %u)", type, vertexCount);
}

void NullDevice::presentFrame() {
  record("Present()");
  ++presentCount;
}
