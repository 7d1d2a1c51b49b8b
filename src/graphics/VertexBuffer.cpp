#include "graphics/VertexBuffer.h"

#include <cstring>

#include "engine/ErrorManager.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "graphics/Texture.h"
#include "graphics/ZibGraphics.h"

ZIB_DEFINE_CLASS(VertexBuffer, ZibBase, makeObject<VertexBuffer>);

namespace {

IDirect3DDevice9* device() { return zib->pZibGraphics->dxDevice; }

}  // namespace

VertexBuffer::~VertexBuffer() { releaseDXobject(); }

void VertexBuffer::releaseDXobject() {
  if (dxVBuffer) dxVBuffer->Release();
  dxVBuffer = nullptr;
}

void VertexBuffer::resize(int32_t count) {
  if (count == vertices) return;
  ZIB_ASSERT(count >= 0);
  releaseDXobject();
  vertices = count;
  // Zeroed rather than left to chance: a draw before the owner writes them
  // shows nothing instead of garbage.
  vertexData.assign(static_cast<size_t>(count), Vertex{});
  if (count > 0) createDXobject();
}

void VertexBuffer::createDXobject() {
  releaseDXobject();
  const HRESULT result = device()->CreateVertexBuffer(static_cast<UINT>(vertices) * sizeof(Vertex),
                                                      D3DUSAGE_WRITEONLY, D3DFVF_ZIBVERTEX, D3DPOOL_MANAGED,
                                                      &dxVBuffer, nullptr);
  if (FAILED(result))
    ErrorManager::fail(formatString(
        u"Error: %s\n Statement: %s\n Function: %s()\n File: %s\n Line: %d", ErrorManager::getHRESULTString(result),
        u"zib->pZibGraphics->dxDevice->CreateVertexBuffer( vertices * sizeof(Vertex), D3DUSAGE_WRITEONLY, "
        u"D3DFVF_ZIBVERTEX, D3DPOOL_MANAGED, &dxVBuffer, NULL)",
        ZIB_FUNCTION, getFileName(fromUtf8(__FILE__)), __LINE__));
}

void VertexBuffer::upload() {
  if (vertices <= 0 || !dxVBuffer) return;
  void* data = nullptr;
  if (FAILED(dxVBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD))) return;
  std::memcpy(data, vertexData.data(), vertexData.size() * sizeof(Vertex));
  dxVBuffer->Unlock();
  ++zib->frameStats[STAT_VBUFFER_WRITES];
}

void VertexBuffer::setColor(UColor color, bool all) {
  if (vertices <= 0) return;
  vertexData[0].diffuse = color;
  if (!all) return;
  for (Vertex& vertex : vertexData) vertex.diffuse = color;
  upload();
}

void VertexBuffer::draw(Texture* texture, int32_t primitive, int32_t start, int32_t count) {
  if (vertices == 0) return;
  if (count < 0) count = vertices - start;
  ZIB_ASSERT(start >= 0 && start <= vertices && count >= 0 && count <= vertices - start);
  int32_t primitives = 0;
  switch (primitive) {
    case kPointList: primitives = count; break;
    case kLineList: primitives = count / 2; break;
    case kLineStrip: primitives = count - 1; break;
    case kTriangleList: primitives = count / 3; break;
    case kTriangleStrip:
    case kTriangleFan: primitives = count - 2; break;
    default: ZIB_ERROR(u"Unknown primitive type %d", primitive);
  }
  zib->frameStats[STAT_VERTICES] += count;

  IDirect3DDevice9* const dx = device();
  const ZibGraphics& graphics = *zib->pZibGraphics;
  const bool bOpaqueTexture = texture && !texture->bHasAlpha;
  if (texture) {
    texture->bind();
    if (bOpaqueTexture) dx->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  } else {
    dx->SetTexture(0, nullptr);
  }
  if (!graphics.bAlphaCapture) dx->SetRenderState(D3DRS_TEXTUREFACTOR, vertexData[0].diffuse);

  // Untextured draws take their colour from the texture factor alone, whatever
  // stage set-up the previous object left; the set-up is given back afterwards.
  DWORD colorOp = 0, alphaOp = 0;
  if (!texture) {
    dx->GetTextureStageState(0, D3DTSS_COLOROP, &colorOp);
    dx->GetTextureStageState(0, D3DTSS_ALPHAOP, &alphaOp);
    dx->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dx->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  }
  if (primitives > 0) {
    dx->SetStreamSource(0, dxVBuffer, 0, sizeof(Vertex));
    dx->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(primitive + 1), static_cast<UINT>(start),
                      static_cast<UINT>(primitives));
  }
  if (!texture) {
    dx->SetTextureStageState(0, D3DTSS_COLOROP, colorOp);
    dx->SetTextureStageState(0, D3DTSS_ALPHAOP, alphaOp);
  }
  if (bOpaqueTexture) dx->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  if (!texture) return;

  // Debug marks: a translucent white cover, and the outline of the range.
  if (zib->debugLevel & 0x40) {
    const UColor previous = vertexData[0].diffuse;
    setColor(0x40FFFFFF, true);
    draw(nullptr, primitive, start, count);
    setColor(previous, true);
    zib->frameStats[STAT_VBUFFER_WRITES] -= 2;
  }
  if (zib->debugLevel & 0x08) draw(nullptr, kLineStrip, start, count);
}
