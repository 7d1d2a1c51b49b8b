#include "platform/d3dcore/MemoryVertexBuffer.h"

HRESULT MemoryVertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD) {
  if (!ppbData || OffsetToLock > length() || SizeToLock > length() - OffsetToLock) return D3DERR_INVALIDCALL;
  ++locks;
  *ppbData = bytes.data() + OffsetToLock;
  return D3D_OK;
}

HRESULT MemoryVertexBuffer::Unlock() {
  if (locks == 0) return D3DERR_INVALIDCALL;
  --locks;
  return D3D_OK;
}
