#pragma once
// What every Direct3D-9-style adapter of ours reports alike: the standard
// capabilities and the order of its display modes.
#include <vector>

#include "platform/D3D9.h"

class AdapterCore {
 public:
  // The capabilities of a plain fixed-function HAL device; backends adjust them.
  static D3DCAPS9 standardCaps();
  // Modes of one display format sorted as EnumAdapterModes gives them.
  static std::vector<D3DDISPLAYMODE> modesOf(const std::vector<D3DDISPLAYMODE>& modes, D3DFORMAT format);
};
