#pragma once
// The one vertex layout of the scene: position, diffuse colour and texture
// coordinates.
#include "graphics/UColor.h"
#include "platform/D3D9.h"

struct Vertex {
  float x, y, z;
  UColor diffuse;
  float u, v;
};
static_assert(sizeof(Vertex) == 24);

constexpr DWORD D3DFVF_ZIBVERTEX = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
