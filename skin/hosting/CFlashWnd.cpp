#include "skin/hosting/CFlashWnd.h"

#include "platform/com/ComRuntime.h"
#include "platform/com/OleAuto.h"
#include "platform/mfc/AxHostWindow.h"
#include "platform/win32/Module.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Window.h"
#include "skin/hosting/CFlashEventWatcher.h"
#include "skin/hosting/ShockwaveFlash.h"

namespace {

// A BSTR for the length of one call.
class Bstr {
public:
    explicit Bstr(const wchar_t* text) : m_text(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(m_text); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return m_text; }

private:
    BSTR m_text;
};

}  // namespace

CFlashWnd::CFlashWnd(FlashListener* listener) : m_pListener(listener) {}

CFlashWnd::~CFlashWnd() { Destroy(); }

HWND CFlashWnd::MakeHostWindow(HWND parent, const RECT& rect)
{
    if (!AtlAxWinInit()) return nullptr;
    return CreateWindowExW(0, kAxHostClassName, kTitle, WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, nullptr, nullptr, nullptr);
}

int CFlashWnd::CreateFromModule(HWND parent, const RECT& rect, const CString& modulePath, const CString& movie,
                                int transparent)
{
    if (m_bCreated) return 0;
    if (m_hModule) {
        CoFreeLibrary(m_hModule);
        m_hModule = nullptr;
    }
    HMODULE module = CoLoadLibrary(modulePath, TRUE);
    if (!module) return 0;
    ComPtr<IShockwaveFlash> flash;
    if (auto getClass = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"))) {
        if (FAILED(getClass(CLSID_ShockwaveFlash, IID_IShockwaveFlash, reinterpret_cast<void**>(flash.GetAddressOf()))))
            flash.Reset();
        ComPtr<IClassFactory> factory;
        if (!flash &&
            SUCCEEDED(
                getClass(CLSID_ShockwaveFlash, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()))) &&
            factory &&
            FAILED(
                factory->CreateInstance(nullptr, IID_IShockwaveFlash, reinterpret_cast<void**>(flash.GetAddressOf()))))
            flash.Reset();
    }
    // Without a player there is nothing to host: the module goes and the
    // caller learns that nothing was made.
    if (!flash) {
        CoFreeLibrary(module);
        return 0;
    }
    m_hModule = module;
    m_hWnd = MakeHostWindow(parent, rect);
    if (!m_hWnd) {
        flash.Reset();
        Destroy();
        return 0;
    }
    m_pFlash = flash;
    if (transparent) m_pFlash->put_WMode(Bstr(L"TRANSPARENT"));
    if (FAILED(AxAttachControl(m_hWnd, m_pFlash.Get()))) {
        Destroy();
        return 0;
    }
    return Finish(movie, !transparent);
}

int CFlashWnd::CreateByClass(HWND parent, const RECT& rect, const CString& movie)
{
    if (m_bCreated) return 0;
    m_hWnd = MakeHostWindow(parent, rect);
    if (!m_hWnd) return 0;
    IUnknown* hosted = nullptr;
    if (SUCCEEDED(AxCreateControl(m_hWnd, CLSID_ShockwaveFlash, nullptr)))
        hosted = reinterpret_cast<IUnknown*>(SendMessageW(m_hWnd, AtlGetControlMessage(), 0, 0));
    if (!hosted ||
        FAILED(
            hosted->QueryInterface(IID_IShockwaveFlash, reinterpret_cast<void**>(m_pFlash.ReleaseAndGetAddressOf()))) ||
        !m_pFlash) {
        Destroy();
        return 0;
    }
    return Finish(movie, true);
}

void CFlashWnd::Connect()
{
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(m_pFlash->QueryInterface(IID_IConnectionPointContainer,
                                        reinterpret_cast<void**>(container.GetAddressOf()))) ||
        !container)
        return;
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(DIID_DShockwaveFlashEvents, point.GetAddressOf())) || !point) return;
    auto* watcher = new CFlashEventWatcher(this);
    watcher->NonDelegatingAddRef();
    DWORD cookie = 0;
    if (FAILED(point->Advise(static_cast<IDispatch*>(watcher), &cookie))) {
        watcher->NonDelegatingRelease();
        return;
    }
    m_pWatcher = watcher;
    m_pPoint = point;
    m_dwCookie = cookie;
}

int CFlashWnd::Finish(const CString& movie, bool show)
{
    Connect();
    m_bCreated = 1;
    int result = 1;
    if (!movie.IsEmpty()) result = LoadMovie(movie);
    if (show) ShowWindow(m_hWnd, SW_SHOW);
    return result;
}

int CFlashWnd::LoadMovie(const CString& path)
{
    if (!m_pFlash) return 0;
    if (FAILED(m_pFlash->LoadMovie(0, Bstr(path)))) return 0;
    m_pFlash->Stop();
    return 1;
}

void CFlashWnd::SetBackgroundColor(COLORREF color)
{
    if (!m_pFlash) return;
    m_pFlash->put_BackgroundColor(
        static_cast<long>(((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF)));
}

HWND CFlashWnd::ControlWindow()
{
    if (!m_hControl && m_hWnd) m_hControl = GetWindow(m_hWnd, GW_CHILD);
    return m_hControl;
}

void CFlashWnd::Destroy()
{
    if (m_pPoint) {
        m_pPoint->Unadvise(m_dwCookie);
        m_pPoint.Reset();
    }
    m_dwCookie = 0;
    if (m_pWatcher) {
        m_pWatcher->Detach();
        m_pWatcher->NonDelegatingRelease();
        m_pWatcher = nullptr;
    }
    m_pFlash.Reset();
    // The host window releases its reference to the player with it; the
    // player's module goes last.
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    m_hControl = nullptr;
    if (m_hModule) {
        CoFreeLibrary(m_hModule);
        m_hModule = nullptr;
    }
    m_bCreated = 0;
}
