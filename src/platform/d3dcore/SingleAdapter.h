#pragma once
// The part that our one-adapter Direct3D objects share: the adapter count and
// the listing of display modes, from the modes the backend gives.
#include <vector>

#include "platform/d3dcore/RefCounted.h"

class SingleAdapter : public RefCounted<IDirect3D9> {
 public:
  UINT GetAdapterCount() override { return 1; }
  UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) override;
  HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) override;

 protected:
  ~SingleAdapter() override = default;
  // Every mode of the display, in any format and order; read by each call.
  virtual const std::vector<D3DDISPLAYMODE>& displayModes() const = 0;
};
