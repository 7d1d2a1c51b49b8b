#include "platform/D3DX9.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "support/DeviceSupport.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

Vector3 through(const D3DXMATRIX& m, Vector3 v) {
  D3DXVec3TransformCoord(&v, &v, &m);
  return v;
}

void expectNear(const Vector3& actual, const Vector3& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(D3DX9Test, ProductsApplyTheLeftMatrixFirst) {
  D3DXMATRIX translate, scale, product;
  D3DXMatrixTranslation(&translate, 1, 0, 0);
  D3DXMatrixScaling(&scale, 2, 3, 4);
  D3DXMatrixMultiply(&product, &translate, &scale);
  expectNear(through(product, {1, 1, 1}), {4, 3, 4});
  expectNear(through(scale * translate, {1, 1, 1}), {3, 3, 4});
  // The output may be an input.
  D3DXMatrixMultiply(&translate, &translate, &scale);
  EXPECT_EQ(translate, product);

  D3DXMATRIX rotation;
  D3DXMatrixRotationZ(&rotation, kPi / 2);
  expectNear(through(rotation, {1, 0, 0}), {0, 1, 0});
  // Roll, then pitch, then yaw: (1,0,0) rolls to (0,1,0), which yaw leaves.
  D3DXMatrixRotationYawPitchRoll(&rotation, kPi / 2, 0, kPi / 2);
  expectNear(through(rotation, {1, 0, 0}), {0, 1, 0});
  D3DXMatrixRotationYawPitchRoll(&rotation, kPi / 2, 0, 0);
  expectNear(through(rotation, {0, 0, 1}), {1, 0, 0});
  D3DXMatrixRotationYawPitchRoll(&rotation, 0, kPi / 2, 0);
  expectNear(through(rotation, {0, 1, 0}), {0, 0, 1});
}

TEST(D3DX9Test, InverseUndoesAndRefusesSingularMatrices) {
  D3DXMATRIX a, b, m, inverse;
  D3DXMatrixMultiply(&m, D3DXMatrixScaling(&a, 2, 3, 4), D3DXMatrixRotationYawPitchRoll(&b, 0.3f, -0.7f, 1.1f));
  m = m * *D3DXMatrixTranslation(&a, 5, -6, 7);
  float determinant = 0;
  ASSERT_EQ(D3DXMatrixInverse(&inverse, &determinant, &m), &inverse);
  EXPECT_NEAR(determinant, 24.0f, 1e-4f);
  expectNear(through(inverse, through(m, {1, 2, 3})), {1, 2, 3}, 1e-4f);

  D3DXMATRIX flat, untouched;
  D3DXMatrixScaling(&flat, 1, 0, 1);
  D3DXMatrixIdentity(&untouched);
  determinant = 1;
  EXPECT_EQ(D3DXMatrixInverse(&untouched, &determinant, &flat), nullptr);
  EXPECT_EQ(determinant, 0.0f);
  EXPECT_EQ(untouched, *D3DXMatrixIdentity(&a));
}

TEST(D3DX9Test, CameraMatricesMatchHandComputedValues) {
  // The engine's camera: 2 units wide at distance 1, aspect 0.6, near 1, far 2^20.
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveLH(&projection, 2.0f, 1.2f, 1.0f, 1048576.0f);

  const D3DXVECTOR3 eye(10, 20, -400), at(10, 20, 0), up(0, 1, 0);
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  EXPECT_EQ(view, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -10, -20, 400, 1));
  // The corner of an 800 x 480 screen at z = 0 lands on the corner of clip space, the far plane on depth 1.
  expectNear(through(view * projection, {410, 260, 0}), {1, 1, (1048576.0f / 1048575.0f) * (1.0f - 1.0f / 400.0f)}, 1e-6f);
  expectNear(through(view * projection, {10, 20, 1048176}), {0, 0, 1}, 1e-6f);

  // A rolled camera: up (1, 0, 0) turns the world's x axis into the view's y.
  const Vector3 rolledUp(1, 0, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &rolledUp);
  expectNear(through(view, {11, 20, 0}), {0, 1, 400});
  expectNear(through(view, {10, 21, 0}), {-1, 0, 400});
}

// A device of the null backend for the surfaces the loaders work on.
class D3DXSurfaceTest : public NullDeviceFixture {
 protected:
  IDirect3DSurface9* surface(UINT width, UINT height, D3DFORMAT format) {
    IDirect3DSurface9* result = nullptr;
    EXPECT_EQ(device->CreateOffscreenPlainSurface(width, height, format, D3DPOOL_SCRATCH, &result, nullptr), D3D_OK);
    return result;
  }
};

TEST_F(D3DXSurfaceTest, LoadingCopiesRectanglesWithTheirPitch) {
  // A 5 x 4 image, rows padded to 28 bytes, pixel (x, y) = 0xFF0000yx.
  std::vector<uint8_t> image(28 * 4, 0xEE);
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 5; ++x) {
      const uint32_t pixel = 0xFF000000u | y << 4 | x;
      std::memcpy(&image[y * 28 + x * 4], &pixel, 4);
    }
  IDirect3DSurface9* target = surface(4, 3, D3DFMT_A8R8G8B8);
  const RECT source = {1, 1, 3, 3}, dest = {2, 1, 4, 3};
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(target, nullptr, &dest, image.data(), D3DFMT_A8R8G8B8, 28, nullptr, &source,
                                      D3DX_FILTER_NONE, 0),
            D3D_OK);
  EXPECT_EQ(surfacePixels(target), (std::vector<uint32_t>{0, 0, 0, 0,                    //
                                                          0, 0, 0xFF000011, 0xFF000012,  //
                                                          0, 0, 0xFF000021, 0xFF000022}));

  // A colour key clears matching pixels; a larger destination gets transparent black.
  const RECT one = {1, 2, 2, 3}, two = {0, 0, 2, 2};
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(target, nullptr, nullptr, image.data(), D3DFMT_A8R8G8B8, 28, nullptr, &source,
                                      D3DX_FILTER_NONE, 0xFF000011),
            D3D_OK);
  EXPECT_EQ(surfacePixels(target), (std::vector<uint32_t>{0, 0xFF000012, 0, 0, 0xFF000021, 0xFF000022, 0, 0, 0, 0, 0, 0}));
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(target, nullptr, &two, image.data(), D3DFMT_A8R8G8B8, 28, nullptr, &one,
                                      D3DX_FILTER_NONE, 0),
            D3D_OK);
  const std::vector<uint32_t> loaded = surfacePixels(target);
  EXPECT_EQ(std::vector<uint32_t>({loaded[0], loaded[1], loaded[4]}), (std::vector<uint32_t>{0xFF000021, 0, 0}));
  // Only D3DX_FILTER_NONE may change the size.
  EXPECT_EQ(D3DXLoadSurfaceFromMemory(target, nullptr, &two, image.data(), D3DFMT_A8R8G8B8, 28, nullptr, &one,
                                      D3DX_DEFAULT, 0),
            D3DERR_INVALIDCALL);
  target->Release();
}

TEST_F(D3DXSurfaceTest, LoadingConvertsBetweenFormats) {
  const uint32_t orange = 0x80FF8040;
  const RECT whole = {0, 0, 1, 1};
  IDirect3DSurface9* narrow = surface(1, 1, D3DFMT_R5G6B5);
  IDirect3DSurface9* wide = surface(1, 1, D3DFMT_A8R8G8B8);
  IDirect3DSurface9* opaque = surface(1, 1, D3DFMT_X8R8G8B8);
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(narrow, nullptr, nullptr, &orange, D3DFMT_A8R8G8B8, 4, nullptr, &whole,
                                      D3DX_FILTER_NONE, 0),
            D3D_OK);
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(wide, nullptr, nullptr, narrow, nullptr, nullptr, D3DX_FILTER_NONE, 0), D3D_OK);
  // Rounded to 5, 6 and 5 bits, widened by repeating the top bits; no alpha.
  EXPECT_EQ(surfacePixels(wide)[0], 0xFFFF8242u);
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(opaque, nullptr, nullptr, &orange, D3DFMT_A8R8G8B8, 4, nullptr, &whole,
                                      D3DX_FILTER_NONE, 0),
            D3D_OK);
  EXPECT_EQ(surfacePixels(opaque)[0], 0xFFFF8040u);
  for (IDirect3DSurface9* surface : {narrow, wide, opaque}) surface->Release();
}

}  // namespace
