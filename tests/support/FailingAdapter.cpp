#include "support/FailingAdapter.h"

#include "platform/null/NullDirect3D.h"

AdapterFailures FailingAdapter::failures;

IDirect3D9* FailingAdapter::create() {
  if (failures.bFailCreate) return nullptr;
  IDirect3D9* inner = NullDirect3D::create();
  return inner ? new FailingAdapter(inner) : nullptr;
}

HRESULT FailingAdapter::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
  if (Adapter == 0 && pMode && failures.bFailDisplayMode) return D3DERR_NOTAVAILABLE;
  return inner->GetAdapterDisplayMode(Adapter, pMode);
}

HRESULT FailingAdapter::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) {
  if (Adapter == 0 && pCaps && failures.bFailCaps) return D3DERR_NOTAVAILABLE;
  return inner->GetDeviceCaps(Adapter, DeviceType, pCaps);
}

HRESULT FailingAdapter::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                                     D3DPRESENT_PARAMETERS* pPresentationParameters,
                                     IDirect3DDevice9** ppReturnedDeviceInterface) {
  if (Adapter == 0 && ppReturnedDeviceInterface && pPresentationParameters && failures.bFailCreateDevice)
    return D3DERR_NOTAVAILABLE;
  return inner->CreateDevice(Adapter, DeviceType, hFocusWindow, BehaviorFlags, pPresentationParameters,
                             ppReturnedDeviceInterface);
}
