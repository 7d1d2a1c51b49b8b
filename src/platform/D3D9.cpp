#include "platform/D3D9.h"

#include "platform/gl/GlDirect3D.h"
#include "platform/null/NullDirect3D.h"

namespace {

GraphicsBackend currentBackend = GraphicsBackend::Gl;

}  // namespace

void setGraphicsBackend(GraphicsBackend backend) { currentBackend = backend; }

GraphicsBackend getGraphicsBackend() { return currentBackend; }

IDirect3D9* Direct3DCreate9(UINT) {
  if (currentBackend == GraphicsBackend::Gl) return GlDirect3D::create();
  return nullAdapterConfig().bFailCreate ? nullptr : new NullDirect3D();
}

bool SystemParametersInfoW(UINT uiAction, UINT, void* pvParam, UINT) {
  if (uiAction != SPI_GETWORKAREA || !pvParam) return false;
  RECT& area = *static_cast<RECT*>(pvParam);
  if (currentBackend == GraphicsBackend::Gl) return GlDirect3D::getWorkArea(area);
  area = nullAdapterConfig().workArea;
  return true;
}
