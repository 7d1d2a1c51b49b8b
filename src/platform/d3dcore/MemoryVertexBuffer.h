#pragma once
// A vertex buffer in memory. Draws read it when they are issued, so a
// discarding lock never disturbs a draw made before it.
#include <cstdint>
#include <vector>

#include "platform/d3dcore/RefCounted.h"

class MemoryVertexBuffer : public RefCounted<IDirect3DVertexBuffer9> {
 public:
  explicit MemoryVertexBuffer(UINT length) : bytes(length, 0) {}

  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
  HRESULT Unlock() override;

  const uint8_t* data() const { return bytes.data(); }
  UINT length() const { return static_cast<UINT>(bytes.size()); }

 private:
  std::vector<uint8_t> bytes;
  int locks = 0;
};
