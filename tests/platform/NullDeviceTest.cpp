#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/D3D9.h"
#include "platform/D3DX9.h"
#include "support/FakeWindow.h"
#include "platform/null/NullDevice.h"
#include "platform/null/NullDirect3D.h"
#include "support/DeviceSupport.h"
#include "support/TestPlatform.h"

namespace {

class NullDeviceTest : public NullDeviceFixture {};

TEST_F(NullDeviceTest, AdapterReportsConfiguredModesDesktopAndWorkArea) {
  ASSERT_EQ(d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8), 6u);
  EXPECT_EQ(d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_A8R8G8B8), 0u);
  D3DDISPLAYMODE mode, previous = {};
  for (UINT i = 0; i < 6; ++i) {
    ASSERT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_TRUE(mode.Width > previous.Width || (mode.Width == previous.Width && mode.Height > previous.Height));
    previous = mode;
  }
  EXPECT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, 6, &mode), D3DERR_INVALIDCALL);

  nullAdapterConfig().modes = {{1280, 1024, 60, D3DFMT_X8R8G8B8}, {1280, 720, 75, D3DFMT_X8R8G8B8}};
  ASSERT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, 0, &mode), D3D_OK);
  EXPECT_EQ(mode.Height, 720u);
  EXPECT_EQ(mode.RefreshRate, 75u);

  ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 1920u);
  RECT area;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
  EXPECT_EQ(area.bottom, 1040);

  D3DCAPS9 caps;
  ASSERT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
  EXPECT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, &caps), D3DERR_NOTAVAILABLE);
}

TEST_F(NullDeviceTest, PresentationParametersAreCheckedAndCompleted) {
  platform.setWindow(std::make_unique<FakeWindow>());
  HWND window = CreateWindow(u"Device", DefWindowProc, 0, 0, 640, 400);
  ASSERT_NE(window, nullptr);

  // Windowed without a size or format: the client area and the desktop format.
  D3DPRESENT_PARAMETERS pp = presentParameters(0, 0);
  pp.BackBufferFormat = D3DFMT_UNKNOWN;
  IDirect3DDevice9* second = nullptr;
  ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, 0, &pp, &second), D3D_OK);
  EXPECT_EQ(pp.BackBufferWidth, 640u);
  EXPECT_EQ(pp.BackBufferHeight, 400u);
  EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);

  D3DPRESENT_PARAMETERS bad = presentParameters(320, 240);
  bad.EnableAutoDepthStencil = TRUE;
  EXPECT_EQ(second->Reset(&bad), D3DERR_INVALIDCALL);
  bad = presentParameters(320, 240);
  bad.Windowed = FALSE;
  bad.BackBufferWidth = 0;
  EXPECT_EQ(second->Reset(&bad), D3DERR_INVALIDCALL);
  // A failed reset leaves the device waiting for a good one.
  EXPECT_EQ(second->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  D3DPRESENT_PARAMETERS good = presentParameters(320, 240);
  good.Windowed = FALSE;
  EXPECT_EQ(second->Reset(&good), D3D_OK);
  EXPECT_EQ(second->TestCooperativeLevel(), D3D_OK);
  second->Release();
}

TEST_F(NullDeviceTest, AResetPutsBackTheDirect3DDefaultStates) {
  const auto states = [&] {
    std::vector<DWORD> values(7, 0xDEAD);
    device->GetRenderState(D3DRS_CULLMODE, &values[0]);
    device->GetRenderState(D3DRS_LIGHTING, &values[1]);
    device->GetRenderState(D3DRS_TEXTUREFACTOR, &values[2]);
    device->GetTextureStageState(0, D3DTSS_COLOROP, &values[3]);
    device->GetTextureStageState(1, D3DTSS_COLOROP, &values[4]);
    device->GetSamplerState(0, D3DSAMP_MAGFILTER, &values[5]);
    D3DVIEWPORT9 viewport;
    device->GetViewport(&viewport);
    values[6] = viewport.Width;
    return values;
  };
  EXPECT_EQ(states(), (std::vector<DWORD>{D3DCULL_CCW, 1, 0xFFFFFFFF, D3DTOP_MODULATE, D3DTOP_DISABLE, D3DTEXF_POINT, 800}));
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80FF0000);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  D3DPRESENT_PARAMETERS pp = presentParameters(1024, 768);
  ASSERT_EQ(device->Reset(&pp), D3D_OK);
  EXPECT_EQ(states(), (std::vector<DWORD>{D3DCULL_CCW, 1, 0xFFFFFFFF, D3DTOP_MODULATE, D3DTOP_DISABLE, D3DTEXF_POINT, 1024}));
}

TEST_F(NullDeviceTest, LostDeviceWaitsForResetAndKeepsManagedResources) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  static_cast<uint32_t*>(locked.pBits)[5] = 0x12345678;
  texture->UnlockRect(0);
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_MANAGED, &buffer, nullptr), D3D_OK);
  device->SetFVF(0x142);
  device->SetStreamSource(0, buffer, 0, 24);

  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
  device->forceDeviceLost();
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  null->calls.clear();
  // Drawing and clearing on a lost device succeed and do nothing.
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
  EXPECT_EQ(null->calls, std::vector<std::string>{"Clear(0, 0x1, 0xffff0000)"});
  D3DPRESENT_PARAMETERS pp = presentParameters(800, 480);
  EXPECT_EQ(device->Reset(&pp), D3DERR_DEVICELOST);
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);

  device->failNextResets(2);
  EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(device->Reset(&pp), D3D_OK);
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<uint32_t*>(locked.pBits)[5], 0x12345678u);
  texture->UnlockRect(0);
  // The reset unbound the stream; the buffer itself is still usable.
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
  device->SetFVF(0x142);
  device->SetStreamSource(0, buffer, 0, 24);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  buffer->Release();
  texture->Release();
}

// A device whose window's focus the test moves.
class FocusDevice : public NullDevice {
 public:
  using NullDevice::NullDevice;
  bool bFocus = true;

 protected:
  bool hasFocus() override { return bFocus; }
};

TEST_F(NullDeviceTest, FullScreenDeviceIsLostWhileItsWindowHasNoFocus) {
  auto* focused = new FocusDevice(d3d, nullptr);
  D3DPRESENT_PARAMETERS pp = presentParameters(640, 480);
  pp.Windowed = FALSE;
  ASSERT_EQ(focused->initialize(&pp), D3D_OK);
  EXPECT_EQ(focused->TestCooperativeLevel(), D3D_OK);
  focused->bFocus = false;
  EXPECT_EQ(focused->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(focused->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(focused->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(focused->Reset(&pp), D3DERR_DEVICELOST);
  focused->bFocus = true;
  EXPECT_EQ(focused->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  // Back to a window: a windowed device keeps going without the focus.
  D3DPRESENT_PARAMETERS window = presentParameters(640, 480);
  EXPECT_EQ(focused->Reset(&window), D3D_OK);
  focused->bFocus = false;
  EXPECT_EQ(focused->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(focused->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  focused->Release();
}

TEST_F(NullDeviceTest, ClearFillsTheViewportOrItsRectanglesOnly) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  D3DVIEWPORT9 inner = {100, 40, 600, 400, 0, 1};
  device->SetViewport(&inner);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00102030, 1.0f, 0);
  const D3DRECT rects[] = {{0, 0, 150, 60}, {690, 430, 800, 480}};
  device->Clear(2, rects, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | 0x2, 0, 1.0f, 0), D3DERR_INVALIDCALL);

  // Red around the viewport; the rectangles clipped to it; X8R8G8B8 reads back opaque.
  const std::tuple<int, int, uint32_t> expected[] = {{99, 40, 0xFFFF0000},   {100, 39, 0xFFFF0000}, {700, 440, 0xFFFF0000},
                                                     {100, 40, 0xFF00FF00},  {149, 59, 0xFF00FF00}, {150, 60, 0xFF102030},
                                                     {699, 439, 0xFF00FF00}, {689, 439, 0xFF102030}};
  const std::vector<uint32_t> pixels = readBackBuffer(device);
  for (const auto& [x, y, color] : expected) EXPECT_EQ(pixels[y * 800 + x], color) << x << ", " << y;

  IDirect3DSurface9* back = nullptr;
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  D3DLOCKED_RECT locked;
  EXPECT_EQ(back->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
  back->Release();
}

TEST_F(NullDeviceTest, CallsAreCheckedAsDirect3DChecksThem) {
  IDirect3DVertexBuffer9* buffer = nullptr;
  device->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_MANAGED, &buffer, nullptr);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);  // no stream
  device->SetStreamSource(0, buffer, 0, 24);
  device->SetFVF(0x142);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);  // past the end
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(9), 0, 1), D3DERR_INVALIDCALL);
  device->SetFVF(D3DFVF_DIFFUSE);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);  // no position

  D3DVIEWPORT9 outside = {700, 0, 200, 480, 0, 1};
  EXPECT_EQ(device->SetViewport(&outside), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->EndScene(), D3D_OK);
  EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  RECT rect = {0, 0, 1, 1};
  EXPECT_EQ(device->Present(&rect, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);

  DWORD passes = 0;
  EXPECT_EQ(device->ValidateDevice(&passes), D3D_OK);
  EXPECT_EQ(passes, 1u);
  device->SetTextureStageState(0, D3DTSS_COLOROP, 7);  // D3DTOP_ADD
  EXPECT_EQ(device->ValidateDevice(&passes), D3DERR_UNSUPPORTEDCOLOROPERATION);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG2, 5);  // D3DTA_TEMP
  EXPECT_EQ(device->ValidateDevice(&passes), D3DERR_UNSUPPORTEDALPHAARG);
  buffer->Release();
}

TEST_F(NullDeviceTest, ResourcesCountReferencesAndOutliveTheDevice) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTexture(device, 0, 3, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 1u);  // a zero size becomes 1
  EXPECT_EQ(desc.Height, 3u);
  EXPECT_EQ(texture->GetLevelCount(), 1u);
  IDirect3DSurface9* level = nullptr;
  ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
  EXPECT_EQ(texture->AddRef(), 3u);  // the level shares the texture's count
  texture->Release();
  level->Release();
  device->SetTexture(0, texture);  // the device holds a reference while it is bound
  EXPECT_EQ(texture->AddRef(), 3u);
  texture->Release();
  device->Release();
  device = nullptr;
  // The device let go of its binding; the texels stay usable without it.
  EXPECT_EQ(texture->AddRef(), 2u);
  texture->Release();
  D3DLOCKED_RECT locked;
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
  EXPECT_EQ(texture->Release(), 0u);
}

}  // namespace
