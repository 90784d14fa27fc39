#include "platform/mfc/AxHostWindow.h"

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/mfc/ControlWindow.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace {

struct AxHost : mfc_controls::ControlWindow {
    using ControlWindow::ControlWindow;

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == AtlGetControlMessage()) return reinterpret_cast<LRESULT>(control.Get());
        switch (message) {
        case WM_SIZE:
            if (controlWindow && IsWindow(controlWindow))
                MoveWindow(controlWindow, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_NCDESTROY:
            // The component's window went with the host's children.
            controlWindow = nullptr;
            control.Reset();
            break;
        default: break;
        }
        return Default(message, wParam, lParam);
    }

    ComPtr<IUnknown> control;
    HWND controlWindow = nullptr;
};

}  // namespace

UINT AtlGetControlMessage()
{
    static const UINT id = RegisterWindowMessageW(L"WM_ATLGETCONTROL");
    return id;
}

BOOL AtlAxWinInit()
{
    static const bool registered = [] {
        mfc_controls::ControlWindow::Register<AxHost>(kAxHostClassName, 0);
        return true;
    }();
    return registered ? TRUE : FALSE;
}

HRESULT AxAttachControl(HWND host, IUnknown* control)
{
    AxHost* state = mfc_controls::ControlWindow::Of<AxHost>(host);
    if (!state || !control) return E_INVALIDARG;
    if (state->control) return E_FAIL;
    ComPtr<IAxHostedControl> hosted;
    if (FAILED(control->QueryInterface(IID_IAxHostedControl, reinterpret_cast<void**>(hosted.GetAddressOf()))) ||
        !hosted)
        return E_NOINTERFACE;
    HWND window = nullptr;
    HRESULT hr = hosted->CreateControlWindow(host, &window);
    if (FAILED(hr)) return hr;
    if (!window || !IsWindow(window)) return E_FAIL;
    state->control = control;
    state->controlWindow = window;
    RECT client;
    GetClientRect(host, &client);
    MoveWindow(window, 0, 0, client.right, client.bottom, TRUE);
    return S_OK;
}

HRESULT AxCreateControl(HWND host, REFCLSID clsid, IUnknown** control)
{
    if (control) *control = nullptr;
    ComPtr<IUnknown> made;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(made.GetAddressOf()));
    if (FAILED(hr)) return hr;
    hr = AxAttachControl(host, made.Get());
    if (FAILED(hr)) return hr;
    if (control) *control = made.Detach();
    return S_OK;
}
