// The OpenGL device: the cost of a cleared and presented frame at the
// logical and at a full-HD size, and draw calls per second (one textured
// quad each, placed as the engine places its skins) with and without a
// texture change between draws. Needs a display; without one it says so
// and skips.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "program/Backends.h"
#include "base/StringUtils.h"
#include "platform/D3D9.h"
#include "platform/D3DX9.h"
#include "support/Drawing.h"
#include "support/PresentParameters.h"

namespace {

struct Vertex {
  float x, y, z;
  D3DCOLOR diffuse;
  float u, v;
};
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr int kDrawsPerFrame = 1000;

IDirect3D9* d3d = nullptr;
IDirect3DDevice9* device = nullptr;
IDirect3DVertexBuffer9* quad = nullptr;
IDirect3DTexture9* textures[2] = {};

LRESULT quietProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hWnd, message, wParam, lParam);
}

bool resize(UINT width, UINT height) {
  D3DPRESENT_PARAMETERS pp = presentParameters(width, height);
  if (device) return SUCCEEDED(device->Reset(&pp));
  HWND window = CreateWindow(u"bench_device", quietProc, 0, 0, static_cast<int>(width), static_cast<int>(height));
  if (!window) return false;
  ShowWindow(window, SW_SHOWNORMAL);
  return SUCCEEDED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                     &pp, &device));
}

// The engine's fixed states and camera (one unit one pixel on z = 0).
void setEngineStates(UINT width, UINT height) {
  setFixedEngineStates(device, kFvf);
  D3DXMATRIX projection, view;
  D3DXMatrixPerspectiveLH(&projection, 2.0f, 2.0f * static_cast<float>(height) / static_cast<float>(width), 1.0f,
                          1048576.0f);
  const D3DXVECTOR3 eye(0.5f, -0.5f, -0.5f * static_cast<float>(width)), at(0.5f, -0.5f, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetTransform(D3DTS_VIEW, &view);
}

bool setUp(std::string& reason) {
  setGraphicsBackend(GraphicsBackend::Gl);
  setWindowBackend(makeDesktopWindowBackend());
  d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d) {
    reason = "SDL video cannot start";
    return false;
  }
  if (!resize(800, 480)) {
    reason = "no window or device";
    return false;
  }
  device->CreateVertexBuffer(4 * sizeof(Vertex), D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_MANAGED, &quad, nullptr);
  const Vertex vertices[4] = {{-16, 16, 0, 0xFFFFFFFF, 0, 0},
                              {16, 16, 0, 0xFFFFFFFF, 1, 0},
                              {-16, -16, 0, 0xFFFFFFFF, 0, 1},
                              {16, -16, 0, 0xFFFFFFFF, 1, 1}};
  void* data = nullptr;
  quad->Lock(0, 0, &data, D3DLOCK_DISCARD);
  std::memcpy(data, vertices, sizeof vertices);
  quad->Unlock();
  std::vector<uint32_t> texels(32 * 32);
  for (int i = 0; i < 2; ++i) {
    for (size_t t = 0; t < texels.size(); ++t) texels[t] = (t + i) % 3 ? 0xFFC08040 : 0x80FFFFFF;
    D3DXCreateTexture(device, 32, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &textures[i]);
    IDirect3DSurface9* level = nullptr;
    textures[i]->GetSurfaceLevel(0, &level);
    const RECT whole = {0, 0, 32, 32};
    D3DXLoadSurfaceFromMemory(level, nullptr, nullptr, texels.data(), D3DFMT_A8R8G8B8, 32 * 4, nullptr, &whole,
                              D3DX_FILTER_NONE, 0);
    level->Release();
  }
  return true;
}

void tearDown() {
  for (IDirect3DTexture9* texture : textures)
    if (texture) texture->Release();
  if (quad) quad->Release();
  if (device) device->Release();
  if (d3d) d3d->Release();
  setWindowBackend(nullptr);
}

void BM_ClearAndPresent(benchmark::State& state) {
  const UINT width = static_cast<UINT>(state.range(0)), height = static_cast<UINT>(state.range(1));
  if (!resize(width, height)) {
    state.SkipWithError("Reset failed");
    return;
  }
  for (auto _ : state) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }
}
BENCHMARK(BM_ClearAndPresent)->Args({800, 480})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

// range(0): 0 keeps the texture, 1 switches it between every two draws.
void BM_TexturedQuadDraws(benchmark::State& state) {
  if (!resize(800, 480)) {
    state.SkipWithError("Reset failed");
    return;
  }
  setEngineStates(800, 480);
  const bool bSwitch = state.range(0) != 0;
  for (auto _ : state) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    for (int i = 0; i < kDrawsPerFrame; ++i) {
      // What a Renderable does for each draw of its skin.
      D3DXMATRIX world;
      D3DXMatrixTranslation(&world, static_cast<float>(i % 25 * 32 - 384), static_cast<float>(i / 25 % 15 * 32 - 224),
                            0);
      device->SetTextureStageState(0, D3DTSS_COLOROP, i % 2 ? D3DTOP_MODULATE : D3DTOP_SELECTARG1);
      device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
      device->SetTransform(D3DTS_WORLD, &world);
      device->SetTexture(0, textures[bSwitch ? i % 2 : 0]);
      device->SetRenderState(D3DRS_TEXTUREFACTOR, i % 2 ? 0xFFFF8080 : 0xFFFFFFFF);
      device->SetStreamSource(0, quad, 0, sizeof(Vertex));
      device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }
  state.SetItemsProcessed(state.iterations() * kDrawsPerFrame);
  state.counters["draws/s"] = benchmark::Counter(static_cast<double>(state.iterations() * kDrawsPerFrame),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TexturedQuadDraws)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  registerBackends();
  std::string reason;
  if (!setUp(reason)) {
    std::printf("bench_device: skipped: %s (it needs a display)\n", reason.c_str());
    tearDown();
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  tearDown();
  return 0;
}
