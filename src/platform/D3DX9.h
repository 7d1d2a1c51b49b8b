#pragma once
// The D3DX helpers the graphics code uses: row-vector 4x4 matrices (a point
// is a row, M1 x M2 applies M1 first), left-handed projection and view, and
// texture and surface loading.
#include "base/Vector3.h"
#include "platform/D3D9.h"

struct D3DXMATRIX : D3DMATRIX {
  D3DXMATRIX() : D3DMATRIX{} {}
  D3DXMATRIX(const D3DMATRIX& matrix) : D3DMATRIX(matrix) {}
  D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24, float m31,
             float m32, float m33, float m34, float m41, float m42, float m43, float m44);
  float& operator()(int row, int column) { return m[row][column]; }
  float operator()(int row, int column) const { return m[row][column]; }
  D3DXMATRIX operator*(const D3DXMATRIX& other) const;
  bool operator==(const D3DXMATRIX& other) const;
};

// The engine's vector under D3DX's name: the functions below take either.
struct D3DXVECTOR3 : Vector3 {
  D3DXVECTOR3() = default;
  constexpr D3DXVECTOR3(float x_, float y_, float z_) : Vector3(x_, y_, z_) {}
  constexpr D3DXVECTOR3(const Vector3& v) : Vector3(v) {}
};
static_assert(sizeof(D3DXVECTOR3) == 12 && sizeof(D3DXMATRIX) == 64);

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut);
// pOut may be either input.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle);
// Roll about z first, then pitch about x, then yaw about y.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, float yaw, float pitch, float roll);
D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const Vector3* pEye, const Vector3* pAt, const Vector3* pUp);
// Null for a singular matrix (pOut untouched); the determinant goes to
// pDeterminant when given, in both cases.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM);
// (x, y, z, 1) x M, divided by the resulting w.
Vector3* D3DXVec3TransformCoord(Vector3* pOut, const Vector3* pV, const D3DXMATRIX* pM);

constexpr DWORD D3DX_DEFAULT = 0xFFFFFFFF;
constexpr DWORD D3DX_FILTER_NONE = 1;

struct PALETTEENTRY;

// One level whatever `MipLevels` asks; a zero size becomes 1.
HRESULT D3DXCreateTexture(IDirect3DDevice9* pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                          D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture);
// Copies and converts pixels. Without scaling any filter copies; with
// D3DX_FILTER_NONE a source smaller than the destination leaves the rest
// transparent black, a larger one is cut; other filters cannot scale.
// Source pixels equal to a non-zero `ColorKey` (as A8R8G8B8) become 0.
HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface9* pDestSurface, const PALETTEENTRY* pDestPalette,
                                  const RECT* pDestRect, const void* pSrcMemory, D3DFORMAT SrcFormat,
                                  UINT SrcPitch, const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect,
                                  DWORD Filter, D3DCOLOR ColorKey);
HRESULT D3DXLoadSurfaceFromSurface(IDirect3DSurface9* pDestSurface, const PALETTEENTRY* pDestPalette,
                                   const RECT* pDestRect, IDirect3DSurface9* pSrcSurface,
                                   const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                   D3DCOLOR ColorKey);
