#pragma once
// The adapter's failure switches: the headless adapter with the calls a test
// names failing as a driver's would. Installed through TestPlatform::failAdapter.
#include "platform/d3dcore/RefCounted.h"

struct AdapterFailures {
  bool bFailCreate = false;       // Direct3DCreate9 gives null
  bool bFailCaps = false;         // GetDeviceCaps: D3DERR_NOTAVAILABLE
  bool bFailDisplayMode = false;  // GetAdapterDisplayMode: D3DERR_NOTAVAILABLE
  bool bFailCreateDevice = false; // CreateDevice: D3DERR_NOTAVAILABLE
};

class FailingAdapter : public RefCounted<IDirect3D9> {
 public:
  // What the next adapters fail; read by each call.
  static AdapterFailures failures;
  // Null when told to fail its creation.
  static IDirect3D9* create();

  UINT GetAdapterCount() override { return inner->GetAdapterCount(); }
  HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier) override {
    return inner->GetAdapterIdentifier(Adapter, Flags, pIdentifier);
  }
  UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) override {
    return inner->GetAdapterModeCount(Adapter, Format);
  }
  HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) override {
    return inner->EnumAdapterModes(Adapter, Format, Mode, pMode);
  }
  HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
  HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override;
  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                       D3DPRESENT_PARAMETERS* pPresentationParameters,
                       IDirect3DDevice9** ppReturnedDeviceInterface) override;

 private:
  explicit FailingAdapter(IDirect3D9* inner) : inner(inner) {}
  ~FailingAdapter() override { inner->Release(); }
  IDirect3D9* inner;
};
