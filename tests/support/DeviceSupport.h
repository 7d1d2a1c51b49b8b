#pragma once
// Test support for the Direct3D devices of the platform layer.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/D3D9.h"
#include "support/PresentParameters.h"
#include "support/TestPlatform.h"

class NullDevice;

// A windowed 800 x 480 device of the null backend on the stock adapter.
class NullDeviceFixture : public ::testing::Test {
 protected:
  // Puts back the graphics backend (and whatever else a test replaces) after TearDown.
  TestPlatform platform;

  void SetUp() override;
  void TearDown() override;

  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  NullDevice* null = nullptr;
};

// A 32-bit surface's pixels, rows top first.
std::vector<uint32_t> surfacePixels(IDirect3DSurface9* surface);

// The back buffer, rows top first, as A8R8G8B8, read through the screenshot's
// path; its width goes to `width` when given.
std::vector<uint32_t> readBackBuffer(IDirect3DDevice9* device, UINT* width = nullptr);
