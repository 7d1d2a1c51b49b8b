#include "platform/d3dcore/SingleAdapter.h"

#include "platform/d3dcore/AdapterCore.h"

UINT SingleAdapter::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) {
  return Adapter == 0 ? static_cast<UINT>(AdapterCore::modesOf(displayModes(), Format).size()) : 0;
}

HRESULT SingleAdapter::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) {
  const std::vector<D3DDISPLAYMODE> modes = AdapterCore::modesOf(displayModes(), Format);
  if (Adapter != 0 || !pMode || Mode >= modes.size()) return D3DERR_INVALIDCALL;
  *pMode = modes[Mode];
  return D3D_OK;
}
