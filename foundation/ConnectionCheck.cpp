#include "ConnectionCheck.h"

#include "platform/win32/Module.h"

namespace {
using InternetGetConnectedStateFn = BOOL (*)(DWORD*, DWORD);
using IsNetworkAliveFn = BOOL (*)(DWORD*);
}  // namespace

CConnectionCheck::~CConnectionCheck()
{
    if (m_hWininet) FreeLibrary(m_hWininet);
    if (m_hSensapi) FreeLibrary(m_hSensapi);
}

bool CConnectionCheck::IsConnected()
{
    if (!m_bWininetTried) {
        m_bWininetTried = true;
        m_hWininet = LoadLibraryW(L"Wininet.dll");
    }
    // Without the library or its call the question cannot be asked: on line.
    auto connected =
        m_hWininet
            ? reinterpret_cast<InternetGetConnectedStateFn>(GetProcAddress(m_hWininet, "InternetGetConnectedState"))
            : nullptr;
    DWORD flags = 0;
    if (!connected || connected(&flags, 0)) return true;

    if (!m_bSensapiTried) {
        m_bSensapiTried = true;
        m_hSensapi = LoadLibraryW(L"Sensapi.dll");
    }
    if (!m_hSensapi) return false;
    auto alive = reinterpret_cast<IsNetworkAliveFn>(GetProcAddress(m_hSensapi, "IsNetworkAlive"));
    return alive && alive(&flags) == 1;
}

bool IsInternetConnected()
{
    static CConnectionCheck check;
    return check.IsConnected();
}
