// Hosts a Flash player in a window of the program: a host window of the
// class library's ActiveX host class (titled "It'sMyFlashWnd") holds the
// player, made by class id or taken from a module file's class object, and
// the player's own window inside it. The host loads movies, sets the
// background colour, watches the player's FSCommand calls for an optional
// listener, and takes everything down again.
//
// Making the player fails (0) when no player comes out of the class id or
// the module: no player exists for this platform, so a skin's Flash control
// stays empty.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/ConnectionPoints.h"
#include "platform/win32/CString.h"
#include "platform/win32/gui/UserTypes.h"

struct IShockwaveFlash;
class CFlashEventWatcher;
class FlashListener;

class CFlashWnd {
public:
    static constexpr const wchar_t* kTitle = L"It'sMyFlashWnd";

    explicit CFlashWnd(FlashListener* listener = nullptr);
    virtual ~CFlashWnd();
    CFlashWnd(const CFlashWnd&) = delete;
    CFlashWnd& operator=(const CFlashWnd&) = delete;

    // The player from the module's class object (asked for the player
    // directly, else for a class factory). 0 when already made, when the
    // module gives no player (the module is then freed) or the player cannot
    // be shown; else 1, or the movie load's result when a movie is given.
    // With transparent the player shows what lies under it and the host
    // window stays hidden.
    int CreateFromModule(HWND parent, const RECT& rect, const CString& modulePath, const CString& movie,
                         int transparent);
    // The player by its class id; as above, the host window shown.
    int CreateByClass(HWND parent, const RECT& rect, const CString& movie);
    // Layer 0, then stopped; 1 on success.
    int LoadMovie(const CString& path);
    // A COLORREF, handed to the player as 0x00RRGGBB.
    void SetBackgroundColor(COLORREF color);
    // The player's own window (the host window's first child), looked up once.
    HWND ControlWindow();
    void Destroy();

    HWND GetFlashHostWindow() const { return m_hWnd; }
    IShockwaveFlash* GetFlash() const { return m_pFlash.Get(); }
    FlashListener* GetListener() const { return m_pListener; }
    bool IsCreated() const { return m_bCreated != 0; }
    HMODULE GetModule() const { return m_hModule; }

private:
    HWND MakeHostWindow(HWND parent, const RECT& rect);
    void Connect();
    int Finish(const CString& movie, bool show);

    HWND m_hWnd = nullptr;
    ComPtr<IShockwaveFlash> m_pFlash;
    DWORD m_dwCookie = 0;
    ComPtr<IConnectionPoint> m_pPoint;
    CFlashEventWatcher* m_pWatcher = nullptr;  // counted
    FlashListener* m_pListener;
    int m_bCreated = 0;
    HMODULE m_hModule = nullptr;
    HWND m_hControl = nullptr;
};
