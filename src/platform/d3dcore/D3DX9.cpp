#include "platform/D3DX9.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/d3dcore/PixelFormat.h"

D3DXMATRIX::D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
                       float m31, float m32, float m33, float m34, float m41, float m42, float m43, float m44)
    : D3DMATRIX{{{m11, m12, m13, m14, m21, m22, m23, m24, m31, m32, m33, m34, m41, m42, m43, m44}}} {}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& other) const {
  D3DXMATRIX result;
  D3DXMatrixMultiply(&result, this, &other);
  return result;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& other) const {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (m[r][c] != other.m[r][c]) return false;
  return true;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
  *pOut = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return pOut;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
  // Whole rows at once; each element still sums its four products in order.
  typedef float Row __attribute__((vector_size(16)));
  Row b[4], result[4];
  std::memcpy(b, pM2->m, sizeof b);
  for (int r = 0; r < 4; ++r) {
    const float* a = pM1->m[r];
    result[r] = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
  }
  std::memcpy(pOut->m, result, sizeof result);
  return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz) {
  *pOut = D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
  return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z) {
  *pOut = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  *pOut = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, float yaw, float pitch, float roll) {
  const float cr = std::cos(roll), sr = std::sin(roll);
  const float cp = std::cos(pitch), sp = std::sin(pitch);
  const float cy = std::cos(yaw), sy = std::sin(yaw);
  const D3DXMATRIX z(cr, sr, 0, 0, -sr, cr, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  const D3DXMATRIX x(1, 0, 0, 0, 0, cp, sp, 0, 0, -sp, cp, 0, 0, 0, 0, 1);
  const D3DXMATRIX y(cy, 0, -sy, 0, 0, 1, 0, 0, sy, 0, cy, 0, 0, 0, 0, 1);
  *pOut = z * x * y;
  return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf) {
  *pOut = D3DXMATRIX(2 * zn / w, 0, 0, 0, 0, 2 * zn / h, 0, 0, 0, 0, zf / (zf - zn), 1, 0, 0, zn * zf / (zn - zf), 0);
  return pOut;
}

namespace {

Vector3 cross(const Vector3& a, const Vector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vector3 normalized(const Vector3& v) {
  const float length = std::sqrt(dot(v, v));
  return length > 0 ? v * (1.0f / length) : v;
}

}  // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const Vector3* pEye, const Vector3* pAt, const Vector3* pUp) {
  const Vector3 zAxis = normalized(*pAt - *pEye);
  const Vector3 xAxis = normalized(cross(*pUp, zAxis));
  const Vector3 yAxis = cross(zAxis, xAxis);
  *pOut = D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0, xAxis.y, yAxis.y, zAxis.y, 0, xAxis.z, yAxis.z, zAxis.z, 0,
                     -dot(xAxis, *pEye), -dot(yAxis, *pEye), -dot(zAxis, *pEye), 1);
  return pOut;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM) {
  // Cofactor expansion in double precision.
  double a[16], inv[16];
  for (int i = 0; i < 16; ++i) a[i] = pM->m[i / 4][i % 4];
  inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
           a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
  inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] -
           a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
  inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
           a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
  inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] -
            a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
  inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] -
           a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
  inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
           a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
  inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
           a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
  inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
            a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
  inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
           a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
  inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
           a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
  inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
            a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
  inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
            a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
  inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] -
           a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
  inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
           a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
  inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
            a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
  inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] +
            a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
  const double det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
  if (pDeterminant) *pDeterminant = static_cast<float>(det);
  if (static_cast<float>(det) == 0.0f || !std::isfinite(det)) return nullptr;
  for (int i = 0; i < 16; ++i) pOut->m[i / 4][i % 4] = static_cast<float>(inv[i] / det);
  return pOut;
}

Vector3* D3DXVec3TransformCoord(Vector3* pOut, const Vector3* pV, const D3DXMATRIX* pM) {
  const Vector3 v = *pV;
  const auto& m = pM->m;
  const float w = v.x * m[0][3] + v.y * m[1][3] + v.z * m[2][3] + m[3][3];
  *pOut = {(v.x * m[0][0] + v.y * m[1][0] + v.z * m[2][0] + m[3][0]) / w,
           (v.x * m[0][1] + v.y * m[1][1] + v.z * m[2][1] + m[3][1]) / w,
           (v.x * m[0][2] + v.y * m[1][2] + v.z * m[2][2] + m[3][2]) / w};
  return pOut;
}

HRESULT D3DXCreateTexture(IDirect3DDevice9* pDevice, UINT Width, UINT Height, UINT, DWORD Usage, D3DFORMAT Format,
                          D3DPOOL Pool, IDirect3DTexture9** ppTexture) {
  if (!pDevice || !ppTexture) return D3DERR_INVALIDCALL;
  // The nearest format the device holds.
  if (bytesPerPixel(Format) == 0) Format = D3DFMT_A8R8G8B8;
  return pDevice->CreateTexture(std::max(Width, 1u), std::max(Height, 1u), 1, Usage, Format, Pool, ppTexture,
                                nullptr);
}

HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface9* pDestSurface, const PALETTEENTRY*, const RECT* pDestRect,
                                  const void* pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch, const PALETTEENTRY*,
                                  const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey) {
  if (!pDestSurface || !pSrcMemory || !pSrcRect || bytesPerPixel(SrcFormat) == 0) return D3DERR_INVALIDCALL;
  const int srcWidth = pSrcRect->right - pSrcRect->left, srcHeight = pSrcRect->bottom - pSrcRect->top;
  if (srcWidth <= 0 || srcHeight <= 0 || pSrcRect->left < 0 || pSrcRect->top < 0) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc;
  pDestSurface->GetDesc(&desc);
  const RECT dest = pDestRect ? *pDestRect : RECT{0, 0, static_cast<int32_t>(desc.Width),
                                                  static_cast<int32_t>(desc.Height)};
  const int destWidth = dest.right - dest.left, destHeight = dest.bottom - dest.top;
  if ((destWidth != srcWidth || destHeight != srcHeight) && (Filter & 0xFF) != D3DX_FILTER_NONE)
    return D3DERR_INVALIDCALL;
  D3DLOCKED_RECT locked;
  HRESULT hr = pDestSurface->LockRect(&locked, &dest, 0);
  if (FAILED(hr)) return hr;
  const int destSize = bytesPerPixel(desc.Format), srcSize = bytesPerPixel(SrcFormat);
  const int copyWidth = std::min(srcWidth, destWidth), copyHeight = std::min(srcHeight, destHeight);
  std::vector<uint8_t> keyed;
  for (int y = 0; y < destHeight; ++y) {
    uint8_t* destRow = static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
    if (y >= copyHeight) {
      std::memset(destRow, 0, static_cast<size_t>(destWidth) * destSize);
      continue;
    }
    const uint8_t* srcRow = static_cast<const uint8_t*>(pSrcMemory) +
                            static_cast<size_t>(pSrcRect->top + y) * SrcPitch +
                            static_cast<size_t>(pSrcRect->left) * srcSize;
    if (ColorKey != 0) {
      keyed.resize(static_cast<size_t>(copyWidth) * 4);
      convertPixels(srcRow, SrcFormat, keyed.data(), D3DFMT_A8R8G8B8, copyWidth);
      for (int x = 0; x < copyWidth; ++x) {
        uint32_t pixel;
        std::memcpy(&pixel, &keyed[x * 4], 4);
        if (pixel == ColorKey) std::memset(&keyed[x * 4], 0, 4);
      }
      convertPixels(keyed.data(), D3DFMT_A8R8G8B8, destRow, desc.Format, copyWidth);
    } else {
      convertPixels(srcRow, SrcFormat, destRow, desc.Format, copyWidth);
    }
    std::memset(destRow + static_cast<size_t>(copyWidth) * destSize, 0,
                static_cast<size_t>(destWidth - copyWidth) * destSize);
  }
  return pDestSurface->UnlockRect();
}

HRESULT D3DXLoadSurfaceFromSurface(IDirect3DSurface9* pDestSurface, const PALETTEENTRY* pDestPalette,
                                   const RECT* pDestRect, IDirect3DSurface9* pSrcSurface,
                                   const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                   D3DCOLOR ColorKey) {
  if (!pDestSurface || !pSrcSurface) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc;
  pSrcSurface->GetDesc(&desc);
  const RECT source = pSrcRect ? *pSrcRect : RECT{0, 0, static_cast<int32_t>(desc.Width),
                                                  static_cast<int32_t>(desc.Height)};
  D3DLOCKED_RECT locked;
  HRESULT hr = pSrcSurface->LockRect(&locked, &source, D3DLOCK_READONLY);
  if (FAILED(hr)) return hr;
  // The locked pointer is the rectangle's first pixel: describe it from there.
  const RECT local = {0, 0, source.right - source.left, source.bottom - source.top};
  hr = D3DXLoadSurfaceFromMemory(pDestSurface, pDestPalette, pDestRect, locked.pBits, desc.Format, locked.Pitch,
                                 pSrcPalette, &local, Filter, ColorKey);
  pSrcSurface->UnlockRect();
  return hr;
}
