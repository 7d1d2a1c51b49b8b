#pragma once
// Benchmark support: set-up shared by the benchmarks that draw.
#include <cstdint>
#include <vector>

#include "platform/D3D9.h"

struct SDL_Renderer;
struct SDL_Texture;

// The engine's fixed states: no lighting, alpha blending, alpha test above 0,
// no culling, stage 0 the texture modulated by the texture factor, bilinear
// filtering, and `fvf` as the vertex format.
void setFixedEngineStates(IDirect3DDevice9* device, DWORD fvf);

// A blended SDL texture of `size` x `size` ARGB pixels; null when SDL refuses.
SDL_Texture* createBlendedTexture(SDL_Renderer* renderer, const std::vector<uint32_t>& argb, int size);
