// The OpenGL device in a real window (run under Xvfb): what it draws, read
// back through the screenshot's path.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "program/Backends.h"
#include "base/StringUtils.h"
#include "platform/BackendLog.h"
#include "platform/D3D9.h"
#include "platform/D3DX9.h"
#include "platform/gl/GlDevice.h"
#include "support/DeviceSupport.h"
#include "support/TestPlatform.h"

// LeakSanitizer (sanitizer builds): the display libraries keep allocations
// to the end of the process. Mesa unloads its driver when the display
// closes; pinning it keeps its frames named, so that they can be matched.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:swrast_dri.so\nleak:libGLX_mesa.so\nleak:libLLVM\nleak:libdbus-1.so\nleak:libX11.so\n";
}
[[maybe_unused]] static void* const pinnedDriver =
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_LAZY | RTLD_NODELETE);

namespace {

constexpr UINT kWidth = 80, kHeight = 48;
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct Vertex {
  float x, y, z;
  D3DCOLOR diffuse;
  float u, v;
};

class GlDeviceTest : public ::testing::Test {
 protected:
  TestPlatform platform;

  void SetUp() override {
    platform.setGraphics(GraphicsBackend::Gl);
    platform.setWindow(makeDesktopWindowBackend());
    std::u16string error;
    window = CreateWindow(u"GlDeviceTest", DefWindowProc, 0, 0, kWidth, kHeight, &error);
    if (!window) {
      failIfDisplayNamed(error);
      GTEST_SKIP() << "no display: " << toUtf8(error);
    }
    ShowWindow(window, SW_SHOWNORMAL);
    d3d = Direct3DCreate9(31);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp = presentParameters(kWidth, kHeight);
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                                &device),
              D3D_OK);
    ASSERT_EQ(device->CreateVertexBuffer(4 * sizeof(Vertex), D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_MANAGED, &quad,
                                         nullptr),
              D3D_OK);
    setEngineStates();
  }

  void TearDown() override {
    for (IDirect3DTexture9* texture : textures) texture->Release();
    if (quad) quad->Release();
    if (device) device->Release();
    if (d3d) d3d->Release();
  }

  // The fixed states the engine sets for all its drawing, and its camera:
  // one unit one pixel on z = 0, origin at the centre, y up, eye moved by the
  // texel alignment (0.5, -0.5).
  void setEngineStates(UINT width = kWidth, UINT height = kHeight) {
    const std::pair<D3DRENDERSTATETYPE, DWORD> renderStates[] = {
        {D3DRS_LIGHTING, FALSE}, {D3DRS_DITHERENABLE, FALSE}, {D3DRS_ALPHABLENDENABLE, TRUE},
        {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}, {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}, {D3DRS_ALPHAREF, 0},
        {D3DRS_ALPHATESTENABLE, TRUE}, {D3DRS_ALPHAFUNC, D3DCMP_GREATER}, {D3DRS_CULLMODE, D3DCULL_NONE},
        {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF}};
    for (const auto& [state, value] : renderStates) device->SetRenderState(state, value);
    // Texture times factor, on colour and alpha alike.
    for (const auto& [op, arg1, arg2] : {std::tuple{D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2},
                                         {D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2}}) {
      device->SetTextureStageState(0, op, D3DTOP_MODULATE);
      device->SetTextureStageState(0, arg1, D3DTA_TEXTURE);
      device->SetTextureStageState(0, arg2, D3DTA_TFACTOR);
    }
    for (const auto sampler : {D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV}) device->SetSamplerState(0, sampler, D3DTADDRESS_WRAP);
    for (const auto sampler : {D3DSAMP_MAGFILTER, D3DSAMP_MINFILTER, D3DSAMP_MIPFILTER})
      device->SetSamplerState(0, sampler, D3DTEXF_LINEAR);
    device->SetFVF(kFvf);
    D3DXMATRIX projection, view, world;
    D3DXMatrixPerspectiveLH(&projection, 2.0f, 2.0f * static_cast<float>(height) / static_cast<float>(width), 1.0f,
                            1048576.0f);
    const D3DXVECTOR3 eye(0.5f, -0.5f, -0.5f * static_cast<float>(width)), at(0.5f, -0.5f, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_WORLD, D3DXMatrixIdentity(&world));
  }

  IDirect3DTexture9* makeTexture(UINT width, UINT height, const std::vector<uint32_t>& texels) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTexture(device, width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    IDirect3DSurface9* level = nullptr;
    texture->GetSurfaceLevel(0, &level);
    const RECT whole = {0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
    EXPECT_EQ(D3DXLoadSurfaceFromMemory(level, nullptr, nullptr, texels.data(), D3DFMT_A8R8G8B8, width * 4, nullptr,
                                        &whole, D3DX_FILTER_NONE, 0),
              D3D_OK);
    level->Release();
    textures.push_back(texture);
    return texture;
  }

  // A world rectangle (y up) with the whole texture, as the engine's quads
  // draw: a four-vertex strip whose first vertex carries the colour.
  void drawRect(float left, float top, float right, float bottom, D3DCOLOR color = 0xFFFFFFFF,
                D3DCOLOR otherColors = 0xFFFFFFFF) {
    const Vertex vertices[4] = {{left, top, 0, color, 0, 0},
                                {right, top, 0, otherColors, 1, 0},
                                {left, bottom, 0, otherColors, 0, 1},
                                {right, bottom, 0, otherColors, 1, 1}};
    void* data = nullptr;
    ASSERT_EQ(quad->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
    std::memcpy(data, vertices, sizeof vertices);
    quad->Unlock();
    device->SetStreamSource(0, quad, 0, sizeof(Vertex));
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  }

  HWND window = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  IDirect3DVertexBuffer9* quad = nullptr;
  std::vector<IDirect3DTexture9*> textures;
};

void expectChannelsNear(uint32_t actual, uint32_t expected, int tolerance = 1) {
  for (int shift = 0; shift < 32; shift += 8)
    EXPECT_NEAR(static_cast<int>((actual >> shift) & 255), static_cast<int>((expected >> shift) & 255), tolerance)
        << std::hex << "actual 0x" << actual << ", expected 0x" << expected;
}

TEST_F(GlDeviceTest, AdapterAnswersFromTheDisplayAndTheDriver) {
  D3DDISPLAYMODE desktop, mode;
  ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop), D3D_OK);
  EXPECT_EQ(desktop.Format, D3DFMT_X8R8G8B8);
  bool bDesktopListed = false;
  for (UINT i = 0; i < d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8); ++i) {
    ASSERT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &mode), D3D_OK);
    bDesktopListed |= mode.Width == desktop.Width && mode.Height == desktop.Height;
  }
  EXPECT_TRUE(bDesktopListed);
  RECT area;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
  EXPECT_LE(area.right - area.left, static_cast<int32_t>(desktop.Width));

  D3DADAPTER_IDENTIFIER9 identifier;
  ASSERT_EQ(d3d->GetAdapterIdentifier(D3DADAPTER_DEFAULT, 0, &identifier), D3D_OK);
  EXPECT_NE(identifier.Description[0], 0);
  EXPECT_GE(identifier.DriverVersion.HighPart >> 16, 3);  // OpenGL 3.3 at least
  D3DCAPS9 caps;
  ASSERT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_GE(caps.MaxTextureWidth, 2048u);
  EXPECT_GT(device->GetAvailableTextureMem(), 0u);
  DWORD passes = 0;
  EXPECT_EQ(device->ValidateDevice(&passes), D3D_OK);
}

TEST_F(GlDeviceTest, WindowsOwnBufferAndTheOffscreenOneHoldTheSamePixels) {
  // A back buffer of the window's size is drawn in the window's own buffer;
  // in a larger window, offscreen and scaled by Present. Rows, viewports,
  // clear rectangles and culling must come out the same.
  const auto scene = [&] {
    device->SetViewport(nullptr);
    const D3DVIEWPORT9 whole = {0, 0, kWidth, kHeight, 0, 1};
    device->SetViewport(&whole);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
    const D3DRECT patch = {3, 2, 13, 9};
    device->Clear(1, &patch, D3DCLEAR_TARGET, 0xFFFF8000, 1.0f, 0);
    device->SetTexture(0, nullptr);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF336699);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    drawRect(-30, 20, -10, 4);  // clockwise on the screen: kept
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    drawRect(0, 20, 20, 4);  // culled
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const D3DVIEWPORT9 inner = {40, 24, 30, 20, 0, 1};
    device->SetViewport(&inner);
    // Alpha 0 in the colour: the X8R8G8B8 back buffer still reads opaque.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x000000FF, 1.0f, 0);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF00FF00);
    drawRect(-40, 24, -30, 10);  // the inner viewport's top-left corner
    std::vector<uint32_t> pixels = readBackBuffer(device);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    return pixels;
  };
  scene();  // the first frame settles where frames go
  const std::vector<uint32_t> direct = scene();
  SetWindowPos(window, 0, 0, 2 * kWidth, 2 * kHeight);
  scene();
  const std::vector<uint32_t> offscreen = scene();
  ASSERT_EQ(direct.size(), kWidth * kHeight);
  EXPECT_EQ(direct, offscreen);
  // (50, 10) culled, (40, 23) above the inner viewport: they count from the top; its clear stays within it.
  const std::tuple<UINT, UINT, uint32_t> expected[] = {
      {3, 2, 0xFFFF8000},  {13, 2, 0xFF102030},  {20, 10, 0xFF336699}, {50, 10, 0xFF102030}, {40, 24, 0xFF00FF00},
      {40, 23, 0xFF102030}, {69, 43, 0xFF0000FF}, {39, 43, 0xFF102030}, {70, 43, 0xFF102030}, {69, 44, 0xFF102030}};
  for (const auto& [x, y, color] : expected) EXPECT_EQ(direct[y * kWidth + x], color) << x << ", " << y;
}

TEST_F(GlDeviceTest, StageTintsAndAlphaTestFollowEightBitArithmetic) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->SetTexture(0, makeTexture(1, 1, {0x80C86432}));  // alpha 128, colour (200, 100, 50)
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  // Texture x factor: (200, 100 x 128 / 255, 0).
  device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFF8000);
  drawRect(-40, 24, -30, 14);
  // Texture x diffuse (128, 128, 255) of every vertex: (100, 50, 50).
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  drawRect(-30, 24, -20, 14, 0xFF8080FF, 0xFF8080FF);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
  // Blended: alpha 128 x 128 / 255 = 64.25, which the alpha test sees as 64.
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80FFFFFF);
  device->SetRenderState(D3DRS_ALPHAREF, 63);
  drawRect(-20, 24, -10, 14);
  device->SetRenderState(D3DRS_ALPHAREF, 64);
  drawRect(-10, 24, 0, 14);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  drawRect(0, 24, 10, 14);
  // The texture argument alone, untextured: plain white.
  device->SetTexture(0, nullptr);
  device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF336699);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  drawRect(10, 24, 20, 14);

  // Blended: (200, 100, 50) x 64.25 / 255 over black where 64 passes the test (not 64 > 64, but 64 >= 64).
  const uint32_t expected[] = {0xFFC83200, 0xFF643232, 0xFF32190D, 0xFF000000, 0xFF32190D, 0xFFFFFFFF};
  const std::vector<uint32_t> pixels = readBackBuffer(device);
  for (int i = 0; i < 6; ++i) expectChannelsNear(pixels[5 * kWidth + 5 + 10 * i], expected[i]);
}

TEST_F(GlDeviceTest, MergedDrawsKeepPainterOrderAcrossTextureUpdates) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  IDirect3DTexture9* red = makeTexture(1, 1, {0xFFFF0000});
  IDirect3DTexture9* green = makeTexture(1, 1, {0xFF00FF00});
  // Alternating textures over one spot: the last one drawn shows.
  for (int i = 0; i < 9; ++i) {
    device->SetTexture(0, i % 2 ? green : red);
    drawRect(-40, 24, -30, 14);
  }
  // A texture changed between two draws: the first still shows the old texels.
  device->SetTexture(0, red);
  drawRect(-30, 24, -20, 14);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(red->LockRect(0, &locked, nullptr, 0), D3D_OK);
  *static_cast<uint32_t*>(locked.pBits) = 0xFF0000FF;
  red->UnlockRect(0);
  drawRect(-20, 24, -10, 14);
  const std::vector<uint32_t> pixels = readBackBuffer(device);
  EXPECT_EQ(std::vector<uint32_t>({pixels[5 * kWidth + 5], pixels[5 * kWidth + 15], pixels[5 * kWidth + 25]}),
            (std::vector<uint32_t>{0xFFFF0000, 0xFFFF0000, 0xFF0000FF}));
}

// Large primitives are drawn in batches of their own texture, and opaque
// ones without blending: neither may show in the pixels.
TEST_F(GlDeviceTest, LargeAndOpaqueDrawsAmongMergedOnesKeepTheirPixels) {
  constexpr UINT width = 320, height = 256;
  D3DPRESENT_PARAMETERS pp = presentParameters(width, height);
  ASSERT_EQ(device->Reset(&pp), D3D_OK);
  setEngineStates(width, height);
  std::vector<uint32_t> texels(256 * 256);
  for (uint32_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000 | (i % 256) << 16 | (i / 256) << 8 | (i * 7 & 255);
  IDirect3DTexture9* picture = makeTexture(256, 256, texels);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1.0f, 0);
  // Pixel (x, y) is world (x - 160, 128 - y).
  device->SetTexture(0, makeTexture(1, 1, {0xFF0000FF}));
  drawRect(-160, 128, -144, 112);  // x 0..15
  device->SetTexture(0, makeTexture(1, 1, {0xFFFF0000}));
  drawRect(-104, 128, -88, 112);  // x 56..71, half under the picture
  device->SetTexture(0, picture);
  drawRect(-96, 128, 160, -128);  // x 64..319, one to one
  device->SetTexture(0, makeTexture(1, 1, {0x80FFFFFF}));
  drawRect(-80, 128, -64, 112);  // x 80..95 over the picture
  // Opaque texels with a translucent factor still blend, here over x 0..63.
  device->SetTexture(0, picture);
  device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80FFFFFF);
  drawRect(-352, 128, -96, -128);

  const std::vector<uint32_t> pixels = readBackBuffer(device);
  ASSERT_EQ(pixels.size(), width * height);
  for (uint32_t y = 16; y < height; ++y)
    for (uint32_t x = 64; x < width; ++x)
      ASSERT_EQ(pixels[y * width + x], texels[y * 256 + x - 64]) << x << ", " << y;
  const auto over = [&](uint32_t texel, uint32_t under, uint32_t alpha) {
    uint32_t out = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8)
      out |= ((texel >> shift & 255) * alpha + (under >> shift & 255) * (255 - alpha) + 127) / 255 << shift;
    return out;
  };
  expectChannelsNear(pixels[8 * width + 70], texels[8 * 256 + 6]);
  expectChannelsNear(pixels[8 * width + 88], over(0xFFFFFFFF, texels[8 * 256 + 24], 128));
  expectChannelsNear(pixels[8 * width + 8], over(texels[8 * 256 + 200], 0xFF0000FF, 128));
  expectChannelsNear(pixels[8 * width + 60], over(texels[8 * 256 + 252], 0xFFFF0000, 128));
  expectChannelsNear(pixels[100 * width + 30], over(texels[100 * 256 + 222], 0xFF808080, 128));
}

// A driver that refuses a program: its batches are still drawn, texture by
// texture or without the alpha test, and the log has its text, once.
TEST_F(GlDeviceTest, BatchesWhoseProgramTheDriverRefusesAreStillDrawn) {
  static std::vector<std::u16string> lines;
  const BackendLogSink sink = setBackendLogSink([](const std::u16string&, const std::u16string& line) {
    lines.push_back(line);
  });
  platform.onRestore([sink] {
    setBackendLogSink(sink);
    GlDevice::refuseProgramsWith(nullptr);
  });
  IDirect3DTexture9* red = makeTexture(1, 1, {0xFFFF0000});
  IDirect3DTexture9* green = makeTexture(1, 1, {0xFF00FF00});
  IDirect3DTexture9* translucent = makeTexture(1, 1, {0x80FFFFFF});
  GlDevice::refuseProgramsWith("if (");  // those of several units and the alpha-tested ones
  for (int frame = 0; frame < 2; ++frame) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    // Merged: red, green over its right half, red over green's right half.
    for (const auto& [texture, left] : {std::pair{red, -40.0f}, {green, -30.0f}, {red, -20.0f}}) {
      device->SetTexture(0, texture);
      drawRect(left, 24, left + 20, 14);
    }
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetTexture(0, translucent);
    drawRect(10, 24, 20, 14);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    const std::vector<uint32_t> pixels = readBackBuffer(device);
    EXPECT_EQ(std::vector<uint32_t>({pixels[5 * kWidth + 5], pixels[5 * kWidth + 15], pixels[5 * kWidth + 25],
                                     pixels[5 * kWidth + 55]}),
              (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF}));
  }
  ASSERT_EQ(lines.size(), 2u);
  for (const std::u16string& line : lines) EXPECT_NE(line.find(u"refused for a test"), std::u16string::npos);
}

}  // namespace
