#include "support/DeviceSupport.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/D3DX9.h"
#include "platform/null/NullDevice.h"
#include "platform/null/NullDirect3D.h"

void NullDeviceFixture::SetUp() {
  platform.setGraphics(GraphicsBackend::Null);
  d3d = Direct3DCreate9(31);
  ASSERT_NE(d3d, nullptr);
  D3DPRESENT_PARAMETERS pp = presentParameters(800, 480);
  ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                              &device),
            D3D_OK);
  null = static_cast<NullDevice*>(device);
}

void NullDeviceFixture::TearDown() {
  if (device) device->Release();
  if (d3d) d3d->Release();
}

std::vector<uint32_t> surfacePixels(IDirect3DSurface9* surface) {
  D3DSURFACE_DESC desc;
  surface->GetDesc(&desc);
  std::vector<uint32_t> pixels(static_cast<size_t>(desc.Width) * desc.Height);
  D3DLOCKED_RECT locked;
  EXPECT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  for (UINT y = 0; y < desc.Height; ++y)
    std::memcpy(&pixels[y * desc.Width], static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, desc.Width * 4);
  surface->UnlockRect();
  return pixels;
}

std::vector<uint32_t> readBackBuffer(IDirect3DDevice9* device, UINT* width) {
  IDirect3DSurface9* back = nullptr;
  EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  D3DSURFACE_DESC desc;
  back->GetDesc(&desc);
  IDirect3DSurface9* scratch = nullptr;
  EXPECT_EQ(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH, &scratch,
                                                nullptr),
            D3D_OK);
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(scratch, nullptr, nullptr, back, nullptr, nullptr, D3DX_FILTER_NONE, 0),
            D3D_OK);
  back->Release();
  if (width) *width = desc.Width;
  std::vector<uint32_t> pixels = surfacePixels(scratch);
  scratch->Release();
  return pixels;
}
