// The title screen's frame: one clear and the 22 quads the title draws (two
// opaque background tiles, a third mostly off screen, the picture, glyph
// pages of text, buttons, the pointer and the frame rate: 1.25 screens of
// pixels), as the running title submits them to the device, at 800 x 480 and
// scaled to 1280 x 800. Ours through the Direct3D device on OpenGL against
// the same quads through SDL2's renderer, OpenGL and software, frames taken
// in turn; the cost is the process's CPU time, driver threads counted.
// Needs a display of at least 1280 x 800:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/bench_title
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "program/Backends.h"
#include "platform/D3D9.h"
#include "platform/D3DX9.h"
#include "support/Drawing.h"
#include "support/FrameRace.h"
#include "support/PresentParameters.h"

namespace {

constexpr int kLogicalWidth = 800, kLogicalHeight = 480;
constexpr int kTextureSize = 256;
constexpr int kWarmUpFrames = 5;
constexpr int kFrames = 60;

// One quad: its texture, the stage's colour and alpha operation (select the
// texel, or modulate it by the texture factor), the factor, and its corners
// in Direct3D's pixels (centres on whole numbers) at 800 x 480 with their
// texture coordinates.
struct TitleQuad {
  int texture;
  DWORD colorOp, alphaOp;
  D3DCOLOR factor;
  float left, top, right, bottom, u0, v0, u1, v1;
};

constexpr DWORD kSelect = D3DTOP_SELECTARG1, kModulate = D3DTOP_MODULATE;

// Recorded from the running title (English, 800 x 480).
constexpr TitleQuad kQuads[] = {
    {0, kSelect, kSelect, 0xffffffff, -80.5f, -0.5f, 395.75f, 479.5f, 0.003906f, 0, 0.996094f, 1},
    {1, kSelect, kSelect, 0xffffffff, 395.75f, -0.5f, 872, 479.5f, 0.003906f, 0, 0.996094f, 1},
    {2, kSelect, kSelect, 0xffffffff, 872, -0.5f, 879.5f, 479.5f, 0.003906f, 0, 0.019531f, 1},
    {3, kSelect, kSelect, 0xffffffff, 239.5f, 99.5f, 559.5f, 259.5f, 0, 0, 1, 0.5f},
    {4, kSelect, kSelect, 0xffffffff, 349.5f, 7.5f, 437.5f, 37.5f, 0.003906f, 0, 0.347656f, 0.117188f},
    {5, kModulate, kSelect, 0xffffd060, 437.5f, 7.5f, 449.5f, 37.5f, 0.941406f, 0, 0.988281f, 0.117188f},
    {6, kModulate, kSelect, 0xffe0e8f0, 119.5f, 269.5f, 372.5f, 283.5f, 0.003906f, 0, 0.992188f, 0.054688f},
    {6, kModulate, kSelect, 0xffe0e8f0, 372.5f, 269.5f, 623.5f, 283.5f, 0.003906f, 0.058594f, 0.984375f, 0.113281f},
    {6, kModulate, kSelect, 0xffe0e8f0, 623.5f, 269.5f, 652.5f, 283.5f, 0.003906f, 0.117188f, 0.117188f, 0.171875f},
    {6, kModulate, kSelect, 0xff7fe07f, 119.5f, 283.5f, 180.5f, 297.5f, 0.003906f, 0.175781f, 0.242188f, 0.230469f},
    {6, kModulate, kSelect, 0xffe0e8f0, 180.5f, 283.5f, 237.5f, 297.5f, 0.003906f, 0.234375f, 0.226562f, 0.289062f},
    {6, kModulate, kSelect, 0xffe0e8f0, 119.5f, 297.5f, 371.5f, 311.5f, 0.003906f, 0.292969f, 0.988281f, 0.347656f},
    {6, kModulate, kSelect, 0xffe0e8f0, 371.5f, 297.5f, 477.5f, 311.5f, 0.003906f, 0.351562f, 0.417969f, 0.40625f},
    {6, kModulate, kSelect, 0xffffd060, 477.5f, 297.5f, 501.5f, 311.5f, 0.003906f, 0.410156f, 0.097656f, 0.464844f},
    {6, kModulate, kSelect, 0xffe0e8f0, 501.5f, 297.5f, 607.5f, 311.5f, 0.003906f, 0.46875f, 0.417969f, 0.523438f},
    {7, kSelect, kSelect, 0xffffffff, 303.5f, 395.5f, 495.5f, 443.5f, 0, 0, 0.75f, 0.1875f},
    {8, kSelect, kSelect, 0xffffffff, 387.5f, 409.5f, 412.5f, 429.5f, 0.003906f, 0, 0.101562f, 0.078125f},
    {7, kSelect, kSelect, 0xffffffff, 563.5f, 395.5f, 755.5f, 443.5f, 0, 0, 0.75f, 0.1875f},
    {8, kSelect, kSelect, 0xffffffff, 637.5f, 409.5f, 682.5f, 429.5f, 0.003906f, 0.082031f, 0.179688f, 0.160156f},
    {9, kModulate, kSelect, 0xffb0c8e0, 293.5f, 63.5f, 505.5f, 79.5f, 0.003906f, 0, 0.832031f, 0.0625f},
    {10, kSelect, kSelect, 0xffffffff, 399.5f, 239.5f, 431.5f, 271.5f, 0, 0, 0.125f, 0.125f},
    {11, kSelect, kModulate, 0xc0ffffff, 761.5f, 7.5f, 793.5f, 19.5f, 0.003906f, 0, 0.128906f, 0.046875f},
};

// The share of fully transparent texels in each of the title's textures
// (all 256 x 256 ARGB): the background tiles are opaque, glyph pages mostly empty.
constexpr float kClearShare[] = {0, 0, 0.977f, 0.5f, 0.992f, 0.822f, 0.915f, 0.582f, 0.994f, 0.985f, 0.996f, 0.996f};
constexpr int kTextures = sizeof kClearShare / sizeof kClearShare[0];

std::vector<uint32_t> makeImage(int which) {
  std::vector<uint32_t> pixels(kTextureSize * kTextureSize);
  uint32_t seed = 77u + static_cast<uint32_t>(which);
  for (int y = 0; y < kTextureSize; ++y)
    for (int x = 0; x < kTextureSize; ++x) {
      seed = seed * 214013u + 2531011u;
      const uint32_t rgb = (seed >> 8) & 0xFFFFFF;
      // Blocks of four texels, clear in the recorded share; edges half covered.
      const uint32_t block = static_cast<uint32_t>((x / 4) * 2654435761u ^ (y / 4) * 40503u) % 1000;
      uint32_t alpha = static_cast<float>(block) < kClearShare[which] * 1000 ? 0 : 255;
      if (alpha && kClearShare[which] > 0 && (x % 4 == 0 || y % 4 == 0)) alpha = 128;
      pixels[static_cast<size_t>(y * kTextureSize + x)] = alpha << 24 | rgb;
    }
  return pixels;
}

// A corner moved from 800 x 480 to the target size, pixel edges kept.
float scaled(float at, int size, int logical) { return (at + 0.5f) * static_cast<float>(size) / logical - 0.5f; }

// ---- Ours: the Direct3D device on OpenGL -------------------------------------

struct Vertex {
  float x, y, z;
  D3DCOLOR diffuse;
  float u, v;
};
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

LRESULT quietProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hWnd, message, wParam, lParam);
}

class OurTitle {
 public:
  OurTitle(int width, int height) {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    window = d3d ? CreateWindow(u"bench_title", quietProc, 0, 0, width, height) : nullptr;
    if (!window) return;
    ShowWindow(window, SW_SHOWNORMAL);
    D3DPRESENT_PARAMETERS pp = presentParameters(static_cast<UINT>(width), static_cast<UINT>(height));
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                                 &device)))
      return;
    sdlWindow = SDL_GL_GetCurrentWindow();
    context = SDL_GL_GetCurrentContext();
    for (int i = 0; i < kTextures; ++i) {
      IDirect3DTexture9* texture = nullptr;
      D3DXCreateTexture(device, kTextureSize, kTextureSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture);
      IDirect3DSurface9* level = nullptr;
      texture->GetSurfaceLevel(0, &level);
      const std::vector<uint32_t> pixels = makeImage(i);
      const RECT whole = {0, 0, kTextureSize, kTextureSize};
      D3DXLoadSurfaceFromMemory(level, nullptr, nullptr, pixels.data(), D3DFMT_A8R8G8B8, kTextureSize * 4, nullptr,
                                &whole, D3DX_FILTER_NONE, 0);
      level->Release();
      textures.push_back(texture);
    }
    constexpr UINT bytes = sizeof kQuads / sizeof kQuads[0] * 4 * sizeof(Vertex);
    device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_MANAGED, &quads, nullptr);
    void* data = nullptr;
    quads->Lock(0, 0, &data, 0);
    auto* out = static_cast<Vertex*>(data);
    for (const TitleQuad& q : kQuads) {
      const float l = scaled(q.left, width, kLogicalWidth), r = scaled(q.right, width, kLogicalWidth);
      const float t = scaled(q.top, height, kLogicalHeight), b = scaled(q.bottom, height, kLogicalHeight);
      *out++ = {l, t, 0, 0xFFFFFFFF, q.u0, q.v0};
      *out++ = {r, t, 0, 0xFFFFFFFF, q.u1, q.v0};
      *out++ = {l, b, 0, 0xFFFFFFFF, q.u0, q.v1};
      *out++ = {r, b, 0, 0xFFFFFFFF, q.u1, q.v1};
    }
    quads->Unlock();
    // The engine's fixed states; pixels map straight to clip space.
    setFixedEngineStates(device, kFvf);
    D3DXMATRIX projection;
    D3DXMatrixIdentity(&projection);
    projection._11 = 2.0f / static_cast<float>(width);
    projection._22 = -2.0f / static_cast<float>(height);
    projection._41 = -1;
    projection._42 = 1;
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetStreamSource(0, quads, 0, sizeof(Vertex));
  }

  ~OurTitle() {
    for (IDirect3DTexture9* texture : textures) texture->Release();
    if (quads) quads->Release();
    if (device) device->Release();
    if (window) DestroyWindow(window);
    if (d3d) d3d->Release();
  }

  bool ready() const { return quads != nullptr; }

  RaceEntry entry() {
    return {"ours", makeCurrent(sdlWindow, context), [this] { frame(); }};
  }

 private:
  void frame() {
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    UINT first = 0;
    for (const TitleQuad& q : kQuads) {
      device->SetTexture(0, textures[static_cast<size_t>(q.texture)]);
      device->SetTextureStageState(0, D3DTSS_COLOROP, q.colorOp);
      device->SetTextureStageState(0, D3DTSS_ALPHAOP, q.alphaOp);
      device->SetRenderState(D3DRS_TEXTUREFACTOR, q.factor);
      device->DrawPrimitive(D3DPT_TRIANGLESTRIP, first, 2);
      first += 4;
    }
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    glFinish();
  }

  IDirect3D9* d3d = nullptr;
  HWND window = nullptr;
  IDirect3DDevice9* device = nullptr;
  IDirect3DVertexBuffer9* quads = nullptr;
  std::vector<IDirect3DTexture9*> textures;
  SDL_Window* sdlWindow = nullptr;
  SDL_GLContext context = nullptr;
};

// ---- SDL2's renderer ----------------------------------------------------------

class SdlTitle {
 public:
  SdlTitle(const char* driver, int width, int height) : bOpenGl(std::strcmp(driver, "opengl") == 0) {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, driver);
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    window = SDL_CreateWindow("bench_title", 0, 0, width, height, bOpenGl ? SDL_WINDOW_OPENGL : 0);
    renderer = window ? SDL_CreateRenderer(window, -1, bOpenGl ? SDL_RENDERER_ACCELERATED : SDL_RENDERER_SOFTWARE)
                      : nullptr;
    if (!renderer) return;
    if (bOpenGl) context = SDL_GL_GetCurrentContext();
    for (int i = 0; i < kTextures; ++i) {
      textures.push_back(createBlendedTexture(renderer, makeImage(i), kTextureSize));
    }
    // SDL's pixel centres lie half a pixel on from Direct3D's.
    for (const TitleQuad& q : kQuads) {
      const float l = scaled(q.left, width, kLogicalWidth) + 0.5f, r = scaled(q.right, width, kLogicalWidth) + 0.5f;
      const float t = scaled(q.top, height, kLogicalHeight) + 0.5f;
      const float b = scaled(q.bottom, height, kLogicalHeight) + 0.5f;
      const SDL_Color color = {static_cast<Uint8>(q.colorOp == kModulate ? q.factor >> 16 : 255),
                               static_cast<Uint8>(q.colorOp == kModulate ? q.factor >> 8 : 255),
                               static_cast<Uint8>(q.colorOp == kModulate ? q.factor : 255),
                               static_cast<Uint8>(q.alphaOp == kModulate ? q.factor >> 24 : 255)};
      vertices.push_back({{l, t}, color, {q.u0, q.v0}});
      vertices.push_back({{r, t}, color, {q.u1, q.v0}});
      vertices.push_back({{l, b}, color, {q.u0, q.v1}});
      vertices.push_back({{r, b}, color, {q.u1, q.v1}});
    }
  }

  ~SdlTitle() {
    for (SDL_Texture* texture : textures) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
  }

  bool ready() const { return renderer != nullptr; }

  RaceEntry entry(const char* name) {
    return {name, bOpenGl ? makeCurrent(window, context) : nullptr, [this] { frame(); }};
  }

 private:
  void frame() {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    static constexpr int kIndices[] = {0, 1, 2, 1, 3, 2};
    for (size_t i = 0; i < sizeof kQuads / sizeof kQuads[0]; ++i)
      SDL_RenderGeometry(renderer, textures[static_cast<size_t>(kQuads[i].texture)], &vertices[4 * i], 4, kIndices,
                         6);
    SDL_RenderPresent(renderer);
    if (bOpenGl) glFinish();
  }

  const bool bOpenGl;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_GLContext context = nullptr;
  std::vector<SDL_Texture*> textures;
  std::vector<SDL_Vertex> vertices;
};

// ---- The race ------------------------------------------------------------------

FrameRace race;

void BM_TitleFrame(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  OurTitle ours(width, height);
  SdlTitle openGl("opengl", width, height);
  SdlTitle software("software", width, height);
  if (!ours.ready() || !openGl.ready() || !software.ready()) {
    state.SkipWithError("no window, device or renderer");
    return;
  }
  std::vector<RaceEntry> entries = {ours.entry(), openGl.entry("sdl2 opengl"), software.entry("sdl2 software")};
  const std::string scene = std::to_string(width) + "x" + std::to_string(height);
  for (auto _ : state) {
    const std::vector<double> medians = race.run(scene, entries, kWarmUpFrames, kFrames);
    state.SetIterationTime(medians[0] / 1000);
    state.counters["sdl2_opengl_ms"] = medians[1];
    state.counters["sdl2_software_ms"] = medians[2];
  }
}
BENCHMARK(BM_TitleFrame)
    ->ArgNames({"width", "height"})
    ->Args({800, 480})
    ->Args({1280, 800})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  keepAllocationsInTheHeap();
  registerBackends();
  setGraphicsBackend(GraphicsBackend::Gl);
  setWindowBackend(makeDesktopWindowBackend());
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::printf("bench_title: skipped: %s (it needs a display)\n", SDL_GetError());
    return 0;
  }
  std::vector<char*> args(argv, argv + argc);
  char repetitions[] = "--benchmark_repetitions=5";
  args.insert(args.begin() + 1, repetitions);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  race.print("ours", {"sdl2 opengl", "sdl2 software"});
  setWindowBackend(nullptr);
  SDL_Quit();
  return 0;
}
