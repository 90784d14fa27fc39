// The class library's host window for controls of other makers: a child
// window of the class "AtlAxWin" that holds one component and the window
// the component shows itself in. The component is made from its class id (or
// handed over made) and asked, through IAxHostedControl, for a window inside
// the host, which then covers the host's client area as the host is sized;
// destroying the host window destroys that window and releases the
// component. "WM_ATLGETCONTROL" answers the component's IUnknown (no
// reference added, as the class library does).
#pragma once

#include "platform/com/Unknown.h"
#include "platform/win32/gui/UserTypes.h"

// What a component does to be shown in a host window: it makes its own
// window as a child of the host (covering its client area) and answers it.
// Our own interface: the in-place activation protocol it stands for does
// not exist on this platform.
constexpr IID IID_IAxHostedControl{0x6E0C6B1A, 0x52D4, 0x4C57, {0x9B, 0x41, 0x2A, 0x7E, 0x51, 0x0D, 0x33, 0xC8}};

struct IAxHostedControl : IUnknown {
    virtual HRESULT CreateControlWindow(HWND host, HWND* window) = 0;
};
RIVO_INTERFACE_ID(IAxHostedControl, IID_IAxHostedControl);

constexpr const wchar_t* kAxHostClassName = L"AtlAxWin";

// Registers the host window class (once); TRUE when it is registered.
BOOL AtlAxWinInit();
// "WM_ATLGETCONTROL".
UINT AtlGetControlMessage();
// Makes the component of the class (CoCreateInstance) and attaches it to
// the host window; with control given, the host's reference is added for
// the caller too. Fails when the host already holds a component.
HRESULT AxCreateControl(HWND host, REFCLSID clsid, IUnknown** control);
// Attaches a component the caller made: the host keeps a reference and asks
// the component for its window. E_NOINTERFACE when it cannot be shown in a
// host window; the host then holds nothing.
HRESULT AxAttachControl(HWND host, IUnknown* control);
